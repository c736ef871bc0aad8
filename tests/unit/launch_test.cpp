// --launch: the first update, then Fly!, the weather kept up to date while it runs, and the end of
// Nimbrel with the end of Fly!.
#include <gtest/gtest.h>

#include "tests/unit/update_fixture.h"

namespace nimbrel {
namespace {

using namespace update_fixture;
using namespace std::chrono;

constexpr const char* kKey = "SOFTWARE\\Terminal Reality\\Fly!";
constexpr const char* kFly = "C:\\Fly!\\fly.exe";

class LaunchWithWeather : public ::testing::Test {
  protected:
    LaunchWithWeather() {
        p.registry.SetString(fake::kLocalMachine, kKey, "TargetDir", "C:\\Fly!");
        p.launcher.existing.insert(kFly);
        p.server.Route(kPage, Page("14Z"));
        p.server.Route(CycleFile("14Z"), Body(kCurrent));
        p.server.Route(CycleFile("13Z"), Body(kPrevious));
        p.launcher.onStart = [this] {
            startedAt = p.loop.Now();
            reportsAtStart = p.reportFiles.files;
        };
        p.frm.Form_Load();
        shownAt = p.loop.Now();  // after the splash screen
    }

    // Runs the program from its window's first showing, as the platform's loop does, until it
    // closes or `limit` has passed since then.
    void RunFor(milliseconds limit) {
        p.frm.Form_Shown();
        p.loop.RunFor(shownAt + limit - p.loop.Now());
    }

    std::size_t Updates() const {
        return std::count(p.server.requests.begin(), p.server.requests.end(), kPage);
    }

    fake::FakePlatform p{{"http://noaa.test", ServerLayout::Classic},
                         {std::nullopt, 15, false, true}};
    milliseconds shownAt{};
    milliseconds startedAt{-1};
    std::map<std::string, std::string> reportsAtStart;
};

TEST_F(LaunchWithWeather, FlyStartsWithTheWeatherWrittenAndItsEndClosesNimbrel) {
    p.EndProgramAfter(minutes(40));
    RunFor(hours(2));
    ASSERT_EQ(p.launcher.started.size(), 1u);
    EXPECT_EQ(p.launcher.started[0].program, kFly);
    EXPECT_EQ(p.launcher.started[0].state, WindowState::Maximized);
    EXPECT_EQ(reportsAtStart[std::string(kFolder) + "CurrentMETAR.txt"], kCurrent);
    EXPECT_EQ(reportsAtStart[std::string(kFolder) + "PreviousMETAR.txt"], kPrevious);
    EXPECT_EQ(Updates(), 3u) << "at the start, after 15 and after 30 minutes";
    EXPECT_EQ(p.form.closeRequests, 1);
    EXPECT_EQ(p.loop.Now() - shownAt, minutes(40)) << "nothing ran after the close";
    EXPECT_TRUE(p.messageBox.shown.empty());
}

TEST_F(LaunchWithWeather, AFirstUpdateStillWaitingAfterAMinuteNoLongerHoldsFlyBack) {
    p.server.Route(kPage, Stall());
    p.EndProgramAfter(seconds(75));
    RunFor(minutes(5));
    EXPECT_EQ(startedAt - shownAt, FrmNimbrel::kSimulatorStartLimit);
    EXPECT_TRUE(reportsAtStart.empty());
    // The end came inside the update's wait, which gave up at once, as on a click on close.
    EXPECT_EQ(p.form.closeRequests, 1);
    EXPECT_TRUE(p.frm.Closing());
    EXPECT_EQ(p.loop.Now() - shownAt, seconds(75));
    EXPECT_EQ(p.frm.StatusText, "Getting NOAA Zulu time");
}

TEST_F(LaunchWithWeather, AnEndWithinSecondsOfTheStartKeepsNimbrelOpenAndSaysSo) {
    p.EndProgramAfter(seconds(3));
    RunFor(minutes(20));
    EXPECT_EQ(p.form.closeRequests, 0);
    ASSERT_EQ(p.messageBox.shown.size(), 1u);
    EXPECT_EQ(p.messageBox.shown[0].title, "Launch Fly!");
    EXPECT_EQ(p.messageBox.shown[0].text.rfind("Fly! ended within seconds of its start", 0), 0u);
    EXPECT_EQ(Updates(), 2u) << "the weather goes on";
}

TEST_F(LaunchWithWeather, AFlyThatCannotBeStartedIsToldAsByTheButtonAndTheWeatherGoesOn) {
    p.launcher.existing.clear();
    RunFor(minutes(20));
    EXPECT_TRUE(p.launcher.started.empty());
    ASSERT_EQ(p.messageBox.shown.size(), 1u);
    EXPECT_EQ(p.messageBox.shown[0].title, "Launch Fly!");
    EXPECT_EQ(
        p.messageBox.shown[0].text.rfind("Fly! could not be started from\nC:\\Fly!\\fly.exe", 0),
        0u);
    EXPECT_EQ(p.form.closeRequests, 0);
    EXPECT_EQ(Updates(), 2u);
}

TEST_F(LaunchWithWeather, ClosingDuringTheFirstUpdateStartsNoFly) {
    p.server.Route(kPage, Stall());
    p.loop.Post(seconds(30), [&] { p.loop.Close(); });
    RunFor(minutes(5));
    EXPECT_TRUE(p.launcher.started.empty());
    EXPECT_TRUE(p.messageBox.shown.empty());
}

TEST(LaunchButton, NeitherWaitsForFlyNorWatchesIt) {
    fake::FakePlatform p;
    p.registry.SetString(fake::kLocalMachine, kKey, "TargetDir", "C:\\Fly!");
    p.launcher.existing.insert(kFly);
    p.frm.Command3_Click();
    ASSERT_EQ(p.launcher.started.size(), 1u);
    EXPECT_EQ(p.loop.WatchedPrograms(), 0u);
    EXPECT_EQ(p.loop.Now(), milliseconds(0));
}

}  // namespace
}  // namespace nimbrel
