// --launch: the first update, then Fly!, the weather kept up to date while it runs, and the end of
// Nimbrel with the end of Fly!.
#include <gtest/gtest.h>

#include "app/launch_with_weather.h"
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
    EXPECT_EQ(startedAt - shownAt, seconds(60));
    EXPECT_TRUE(reportsAtStart.empty());
    // The end came inside the update's wait, which gave up at once, as on a click on close.
    EXPECT_EQ(p.form.closeRequests, 1);
    EXPECT_TRUE(p.frm.Closing());
    EXPECT_EQ(p.loop.Now() - shownAt, seconds(75));
    EXPECT_EQ(p.frm.StatusText, "Getting NOAA Zulu time");
}

constexpr const char* kEarlyEnd =
    "Fly! ended within seconds of its start (a launcher or a crash); Nimbrel stays open and keeps "
    "the weather up to date";

// The notice waits for no click: with --minimized a message box would hold the updates back.
TEST_F(LaunchWithWeather, AnEndWithinSecondsOfTheStartKeepsNimbrelOpenAndSaysSoOnTheLine) {
    p.EndProgramAfter(seconds(3));
    p.loop.Post(seconds(4), [&] {
        EXPECT_EQ(p.frm.StatusText, kEarlyEnd);
        EXPECT_EQ(p.lblStatus.colour, kRed);
    });
    RunFor(minutes(20));
    EXPECT_EQ(p.form.closeRequests, 0);
    EXPECT_TRUE(p.messageBox.shown.empty());
    EXPECT_EQ(Updates(), 2u) << "the weather goes on";
    // The minute's ticks and the next update have replaced the line; the tooltip keeps it.
    EXPECT_EQ(p.frm.StatusText.rfind("Next update in", 0), 0u) << p.frm.StatusText;
    EXPECT_NE(p.frm.StatusTip().find(kEarlyEnd), std::string::npos) << p.frm.StatusTip();
}

// The end counts from the system's times of the start and the end, not from when it was noticed.
struct EndCase {
    const char* name;
    milliseconds noticedAfter;
    milliseconds lifetime;  // as the system reports it
    bool early;
};

class SimulatorEnd : public LaunchWithWeather, public ::testing::WithParamInterface<EndCase> {};

TEST_P(SimulatorEnd, IsEarlyOnlyWithinTheLimit) {
    p.EndProgramAfter(GetParam().noticedAfter, GetParam().lifetime);
    RunFor(minutes(5));
    EXPECT_EQ(p.form.closeRequests, GetParam().early ? 0 : 1);
    EXPECT_EQ(p.frm.StatusTip().find(kEarlyEnd) != std::string::npos, GetParam().early);
}

// Each end is noticed 15 s after the start or later, so only the system's lifetime can tell.
INSTANTIATE_TEST_SUITE_P(
    Table, SimulatorEnd,
    ::testing::Values(EndCase{"just_under_the_limit", seconds(15), seconds(10) - milliseconds(1),
                              true},
                      EndCase{"at_the_limit", seconds(15), seconds(10), false},
                      EndCase{"crash_noticed_late", seconds(15), seconds(2), true},
                      EndCase{"player_quits", minutes(4), minutes(4) - milliseconds(40), false}),
    [](const auto& info) { return std::string(info.param.name); });

// Without the system's times, the time until the end was noticed decides.
TEST(EarlyEnd, TakesTheSystemsLifetimeOverTheNoticedOne) {
    EXPECT_TRUE(EndedEarly(milliseconds(9999), minutes(1)));
    EXPECT_FALSE(EndedEarly(milliseconds(10000), milliseconds(1)));
    EXPECT_TRUE(EndedEarly(std::nullopt, milliseconds(9999)));
    EXPECT_FALSE(EndedEarly(std::nullopt, milliseconds(10000)));
}

// The start limit is an event of its own: a modal loop, the About box's, does not hold it back.
TEST_F(LaunchWithWeather, TheStartLimitHoldsWhileTheAboutBoxIsOpen) {
    p.server.Route(kPage, Stall());
    p.windows.whileAboutOpen = [&] { p.loop.RunFor(minutes(2)); };
    p.loop.Post(seconds(10), [&] { p.frm.Command2_Click(); });
    RunFor(minutes(3));
    EXPECT_EQ(p.windows.aboutShown, 1);
    EXPECT_EQ(startedAt - shownAt, seconds(60));
    EXPECT_EQ(p.launcher.started.size(), 1u);
}

// One Fly! at a time: a click while the first update holds the start starts it at once, and
// the limit then starts no second one.
TEST_F(LaunchWithWeather, LaunchFlyWhileTheFirstUpdateWaitsStartsTheWatchedFlyAtOnce) {
    p.server.Route(kPage, Stall());
    p.loop.Post(seconds(5), [&] { p.frm.Command3_Click(); });
    p.EndProgramAfter(minutes(3));  // posted before the start: ends the one started at 5 s
    RunFor(minutes(4));
    ASSERT_EQ(p.launcher.started.size(), 1u);
    EXPECT_EQ(startedAt - shownAt, seconds(5));
    EXPECT_EQ(p.form.closeRequests, 1) << "it is watched: its end closes Nimbrel";
}

TEST_F(LaunchWithWeather, LaunchFlyWhileTheWatchedFlyRunsSaysSoAndStartsNoOther) {
    // After a failed update the line stays red until the next update begins.
    p.server.Route(CycleFile("13Z"), Failure(kNotFound));
    p.loop.Post(minutes(2), [&] { p.frm.Command3_Click(); });
    p.loop.Post(minutes(2) + milliseconds(1), [&] {
        EXPECT_EQ(p.frm.StatusText, "Fly! is already running");
        EXPECT_EQ(p.lblStatus.colour, kRed);
    });
    RunFor(minutes(5));
    EXPECT_EQ(p.launcher.started.size(), 1u);
    EXPECT_TRUE(p.messageBox.shown.empty());
}

// Nimbrel still ends with Fly!, and the notice of the early end goes with the new start.
TEST_F(LaunchWithWeather, LaunchFlyAfterAnEarlyEndStartsAWatchedFly) {
    p.EndProgramAfter(seconds(3));
    p.loop.Post(minutes(1), [&] { p.frm.Command3_Click(); });
    p.EndProgramAfter(minutes(3));
    RunFor(minutes(5));
    EXPECT_EQ(p.launcher.started.size(), 2u);
    EXPECT_EQ(p.form.closeRequests, 1);
    EXPECT_EQ(p.frm.StatusTip().find(kEarlyEnd), std::string::npos) << p.frm.StatusTip();
}

// A second start's --launch starts Fly! only while none is watched.
TEST_F(LaunchWithWeather, AHandedOverLaunchStartsFlyOnlyWhenTheWatchedOneDoesNotRun) {
    p.EndProgramAfter(seconds(3));
    p.loop.Post(minutes(1), [&] { p.frm.Form_HandedOver(ParseCommandLine({"--launch"})); });
    p.loop.Post(minutes(2), [&] { p.frm.Form_HandedOver(ParseCommandLine({"--launch"})); });
    RunFor(minutes(5));
    EXPECT_EQ(p.launcher.started.size(), 2u);
}

// Under --minimized the line alone goes unseen: the taskbar button flashes too.
TEST_F(LaunchWithWeather, AnEarlyEndFlashesTheTaskbarButtonOnlyWhileTheWindowIsNotSeen) {
    for (const bool seen : {false, true}) {
        fake::FakePlatform run{{"http://noaa.test", ServerLayout::Classic},
                               {std::nullopt, 15, false, true}};
        run.registry.SetString(fake::kLocalMachine, kKey, "TargetDir", "C:\\Fly!");
        run.launcher.existing.insert(kFly);
        run.server.Route(kPage, Page("14Z"));
        run.frm.Form_Seen(seen);
        run.frm.Form_Shown();
        run.EndProgramAfter(seconds(3));
        run.loop.RunFor(minutes(1));
        EXPECT_NE(run.frm.StatusTip().find(kEarlyEnd), std::string::npos) << run.frm.StatusTip();
        EXPECT_EQ(run.form.flashes, seen ? 0 : 1) << "seen: " << seen;
    }
}

// Nobody may be there to close a box, which would hold the update it opened in: the start that
// --launch makes tells why on the line and in the tooltip, and a slow first update goes on.
TEST_F(LaunchWithWeather, AFlyThatCannotBeStartedIsToldInRedWithoutABoxAndTheUpdateGoesOn) {
    const std::string told =
        "Fly! could not be started from C:\\Fly!\\fly.exe: The system "
        "cannot find the file specified.";
    p.launcher.existing.clear();
    fake::FakeResponse slowPage = Page("14Z");
    slowPage.delay = seconds(25);  // the page ends after 75 s
    p.server.Route(kPage, slowPage);
    p.messageBox.closedAfter = hours(1);
    p.loop.Post(kSimulatorStartLimit + seconds(1), [&] {
        EXPECT_EQ(p.frm.StatusText, told);
        EXPECT_EQ(p.lblStatus.colour, kRed);
    });
    RunFor(minutes(3));
    EXPECT_TRUE(p.messageBox.shown.empty());
    EXPECT_EQ(p.reportFiles.files[std::string(kFolder) + "CurrentMETAR.txt"], kCurrent);
    EXPECT_NE(p.frm.StatusTip().find(told), std::string::npos) << p.frm.StatusTip();
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

// A later start with --launch must not add a second Fly! beside the one a click started.
TEST(LaunchButton, AHandedOverLaunchWaitsForTheFlyItStartedToEnd) {
    fake::FakePlatform p;
    p.registry.SetString(fake::kLocalMachine, kKey, "TargetDir", "C:\\Fly!");
    p.launcher.existing.insert(kFly);
    p.frm.Form_Load();
    p.frm.Form_Shown();
    p.frm.Command3_Click();
    for (const std::size_t flys : {1u, 2u}) {
        p.frm.Form_HandedOver(ParseCommandLine({"--launch"}));
        p.loop.RunFor(minutes(2));
        EXPECT_EQ(p.launcher.started.size(), flys);
        p.launcher.started[0].process->lifetime = minutes(1);
    }
}

}  // namespace
}  // namespace nimbrel
