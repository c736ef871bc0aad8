// The program's life: what a close, the end of the session or an error lets follow, at each stage.
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>

#include "app/program_life.h"
#include "app/update.h"
#include "tests/unit/update_fixture.h"

namespace nimbrel {
namespace {

using namespace update_fixture;

constexpr const char* kKey = "SOFTWARE\\Terminal Reality\\Fly!";
constexpr const char* kFly = "C:\\Fly!\\fly.exe";
constexpr const char* kUnwatched = "Fly! runs, but Nimbrel cannot follow it";

enum class When { Splash, FirstUpdate, Running };
enum class Event { Close, SessionEnd, UpdateThrows, WatchThrows };

// What follows the event, in a --launch run.
struct LifeCase {
    const char* name;
    When when;
    Event event;
    bool update;  // an update begins
    bool launch;  // Fly! starts
    bool write;   // a report is written
};

class LifeOfALaunch : public ::testing::TestWithParam<LifeCase> {
  protected:
    LifeOfALaunch() {
        p.registry.SetString(fake::kLocalMachine, kKey, "TargetDir", "C:\\Fly!");
        p.launcher.existing.insert(kFly);
        fake::FakeResponse slowPage = Page("14Z");
        slowPage.delay = seconds(10);  // the first update lasts half a minute
        p.server.Route(kPage, slowPage);
        p.server.Route(CycleFile("14Z"), Body(kCurrent));
        p.server.Route(CycleFile("13Z"), Body(kPrevious));
    }

    std::size_t Updates() const {
        return std::count(p.server.requests.begin(), p.server.requests.end(), kPage);
    }
    std::size_t Writes() const {
        return std::count_if(p.reportFiles.swaps.begin(), p.reportFiles.swaps.end(),
                             [](const auto& swap) { return swap.done; });
    }

    void Apply(Event event) {
        switch (event) {
            case Event::Close:
                p.form.Close();
                return;
            case Event::SessionEnd:
                p.frm.Form_Unload();
                return;
            case Event::UpdateThrows:
                p.reportFiles.throws = true;
                return;
            case Event::WatchThrows:
                p.loop.watchFails = true;
                return;
        }
    }

    fake::FakePlatform p{{"http://noaa.test", ServerLayout::Classic},
                         {std::nullopt, 15, false, true}};
};

TEST_P(LifeOfALaunch, LetsFollowOnlyWhatTheStageAllows) {
    const LifeCase& c = GetParam();
    const milliseconds at = c.when == When::Splash        ? seconds(1)
                            : c.when == When::FirstUpdate ? seconds(8)
                                                          : minutes(5);
    std::size_t updates = 0, launches = 0, writes = 0;
    p.loop.Post(at, [&] {
        updates = Updates();
        launches = p.launcher.started.size();
        writes = Writes();
        Apply(c.event);
    });
    p.frm.Form_Load();  // the splash holds it for 2.5 s
    p.frm.Form_Shown();
    // Time goes on after the end of the session too: the countdown's ticks must start nothing.
    p.loop.RunFor(minutes(25));

    EXPECT_EQ(Updates() > updates, c.update);
    EXPECT_EQ(p.launcher.started.size() > launches, c.launch);
    EXPECT_EQ(Writes() > writes, c.write);
    EXPECT_TRUE(p.messageBox.shown.empty()) << p.messageBox.shown[0].text;
    if (c.event == Event::UpdateThrows) {
        EXPECT_TRUE(p.timer1.Enabled());
        EXPECT_EQ(p.lblStatus.colour, kRed);
        EXPECT_NE(p.frm.StatusTip().find(kUpdateStoppedText), std::string::npos)
            << p.frm.StatusTip();
    }
    if (c.event == Event::WatchThrows && c.launch) {
        EXPECT_EQ(p.loop.WatchedPrograms(), 0u);
        EXPECT_NE(p.frm.StatusTip().find(kUnwatched), std::string::npos) << p.frm.StatusTip();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, LifeOfALaunch,
    ::testing::Values(
        LifeCase{"close_during_the_splash", When::Splash, Event::Close, false, false, false},
        LifeCase{"close_during_the_first_update", When::FirstUpdate, Event::Close, false, false,
                 false},
        LifeCase{"close_while_fly_runs", When::Running, Event::Close, false, false, false},
        LifeCase{"session_ends_during_the_splash", When::Splash, Event::SessionEnd, false, false,
                 false},
        LifeCase{"session_ends_during_the_first_update", When::FirstUpdate, Event::SessionEnd,
                 false, false, false},
        LifeCase{"session_ends_while_fly_runs", When::Running, Event::SessionEnd, false, false,
                 false},
        LifeCase{"update_throws_from_the_start", When::Splash, Event::UpdateThrows, true, true,
                 false},
        LifeCase{"update_throws_in_the_first_update", When::FirstUpdate, Event::UpdateThrows, true,
                 true, false},
        LifeCase{"update_throws_while_fly_runs", When::Running, Event::UpdateThrows, true, false,
                 false},
        LifeCase{"watch_throws_from_the_start", When::Splash, Event::WatchThrows, true, true, true},
        LifeCase{"watch_throws_in_the_first_update", When::FirstUpdate, Event::WatchThrows, true,
                 true, true}),
    [](const auto& info) { return std::string(info.param.name); });

// The countdown was off while the update ran: the error must not leave it off.
TEST(UpdateError, EndsThatUpdateInRedAndTheCountdownBringsTheNext) {
    fake::FakePlatform p;
    p.server.Route(kPage, Page("14Z"));
    p.server.Route(CycleFile("14Z"), Body(kCurrent));
    p.server.Route(CycleFile("13Z"), Body(kPrevious));
    p.reportFiles.throws = true;
    p.frm.Command1_Click();
    EXPECT_TRUE(p.timer1.Enabled());
    EXPECT_EQ(p.lblStatus.colour, kRed);
    EXPECT_EQ(p.frm.StatusText, std::string(kUpdateStoppedText) + "The report port broke");
    EXPECT_TRUE(p.messageBox.shown.empty());
    p.reportFiles.throws = false;
    p.loop.RunFor(minutes(16));
    EXPECT_EQ(std::count(p.server.requests.begin(), p.server.requests.end(), kPage), 2);
    EXPECT_EQ(p.reportFiles.files[std::string(kFolder) + "CurrentMETAR.txt"], kCurrent);
}

// Outside an update an escaped error keeps its box, but not where the run promised none, and
// not once the program is closing. One that kept the window from being shown ends the run.
TEST(EscapedError, IsToldInABoxOnTheLineOrNotAtAll) {
    struct Case {
        bool launch;
        bool shown;
        bool closing;
        std::size_t boxes;
        bool onTheLine;
        int exitCode;
    };
    for (const Case c :
         {Case{false, true, false, 1, false, 0}, Case{true, true, false, 0, true, 0},
          Case{false, true, true, 0, false, 0}, Case{true, false, false, 1, false, 1},
          Case{false, false, true, 0, false, 0}}) {
        fake::FakePlatform p{{"http://noaa.test", ServerLayout::Classic},
                             {std::nullopt, 15, false, c.launch}};
        p.frm.Form_Load();
        if (c.closing) {
            p.frm.Form_Unload();
        }
        if (c.shown) {
            p.frm.Form_Shown();
        }
        p.frm.HandlerFailed(std::make_exception_ptr(std::runtime_error("Broken")));
        p.frm.StartUpReturned();
        EXPECT_EQ(p.messageBox.shown.size(), c.boxes) << c.launch << c.shown << c.closing;
        EXPECT_EQ(p.frm.StatusText == "Broken", c.onTheLine) << c.launch << c.closing;
        EXPECT_EQ(p.frm.StatusTip().find("Broken") != std::string::npos, c.onTheLine);
        EXPECT_EQ(p.frm.ExitCode(), c.exitCode);
        EXPECT_EQ(p.frm.Closing(), c.closing || c.exitCode != 0);
    }
}

}  // namespace
}  // namespace nimbrel
