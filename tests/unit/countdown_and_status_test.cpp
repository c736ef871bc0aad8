#include <gtest/gtest.h>

#include "tests/unit/update_fixture.h"

namespace nimbrel {
namespace {

using std::chrono::milliseconds;
using std::chrono::minutes;

TEST(StatusLine, ShowsTheMessageWithOneToTenDots) {
    fake::FakePlatform p;
    p.frm.StatusText = "Waiting";
    std::vector<std::size_t> dots;
    for (int tick = 0; tick < 12; ++tick) {
        p.frm.Timer2_Timer();
        ASSERT_EQ(p.lblStatus.caption.rfind("Waiting", 0), 0u);
        dots.push_back(p.lblStatus.caption.size() - 7);
    }
    EXPECT_EQ(dots, (std::vector<std::size_t>{2, 3, 4, 5, 6, 7, 8, 9, 10, 1, 2, 3}));
}

TEST(StatusLine, ANewMessageContinuesTheDotCycleAndAnEmptyOneShowsOnlyDots) {
    fake::FakePlatform p;
    p.frm.Timer2_Timer();
    p.frm.Timer2_Timer();
    EXPECT_EQ(p.lblStatus.caption, "...");
    p.frm.StatusText = "Getting NOAA Zulu time";
    p.frm.Timer2_Timer();
    EXPECT_EQ(p.lblStatus.caption, "Getting NOAA Zulu time....");
}

TEST(StatusLine, ANewStatusShowsItsTextAtOnceNotAtTheNextTick) {
    fake::FakePlatform p;
    p.frm.Timer2_Timer();  // the splash's wait ticks before any message is set
    p.frm.Form_Load();
    EXPECT_EQ(p.lblStatus.caption.rfind("Waiting.", 0), 0u) << p.lblStatus.caption;
    EXPECT_EQ(p.lblStatus.colour, kBlue);
}

TEST(StatusLine, TicksEveryThreeHundredMillisecondsAndLeavesTheColourAlone) {
    fake::FakePlatform p;
    p.lblStatus.SetForeColour(kRed);
    p.frm.StatusText = "x";
    p.frm.Form_Seen(true);
    p.loop.RunFor(milliseconds(599));
    EXPECT_EQ(p.lblStatus.caption, "x..") << "one tick in the first 599 ms";
    p.loop.RunFor(milliseconds(2401));
    EXPECT_EQ(p.frm.DotCount, 0) << "ten ticks make a full cycle";
    EXPECT_EQ(p.lblStatus.caption, "x.");
    EXPECT_EQ(p.lblStatus.colour, kRed);
}

TEST(StatusLine, RestsWhileTheWindowIsNotSeenAndShowsTheCurrentTextAtOnceWhenItIs) {
    fake::FakePlatform p;
    p.frm.SetTimer();
    p.frm.Form_Seen(false);
    EXPECT_FALSE(p.timer2.Enabled());
    const std::int16_t dots = p.frm.DotCount;
    p.loop.RunFor(minutes(3) + milliseconds(1));
    EXPECT_EQ(p.frm.DotCount, dots) << "no animation tick while minimised";
    EXPECT_EQ(p.lblStatus.caption, "Next update in 12 minutes") << "the countdown went on";

    p.frm.Form_Seen(true);
    EXPECT_EQ(p.lblStatus.caption, "Next update in 12 minutes.");
    p.frm.Form_Seen(true);  // moving a seen window changes nothing
    p.loop.RunFor(milliseconds(300));
    EXPECT_EQ(p.lblStatus.caption, "Next update in 12 minutes..");

    p.frm.Form_Seen(false);
    p.loop.RunFor(minutes(12) - milliseconds(400));
    EXPECT_TRUE(p.server.requests.empty());
    p.loop.RunFor(milliseconds(200));
    EXPECT_EQ(p.server.requests.size(), 1u) << "the update came on time while minimised";
}

TEST(Countdown, SetTimerRestartsAtFifteenAndWritesTheCaptionWithoutDots) {
    fake::FakePlatform p;
    p.lblStatus.SetForeColour(kPurple);
    p.frm.SetTimer();
    EXPECT_EQ(p.frm.MinutesLeft, 15);
    EXPECT_TRUE(p.timer1.Enabled());
    EXPECT_EQ(p.frm.StatusText, "Next update in 15 minutes");
    EXPECT_EQ(p.lblStatus.caption, "Next update in 15 minutes");
    EXPECT_EQ(p.lblStatus.colour, kPurple);
}

TEST(Countdown, CountsDownWithSingularAndPluralThenUpdates) {
    fake::FakePlatform p;
    p.frm.SetTimer();
    std::vector<std::string> captions;
    for (int tick = 1; tick <= 14; ++tick) {
        p.frm.Timer1_Timer();
        captions.push_back(p.lblStatus.caption);
        ASSERT_EQ(p.frm.StatusText, p.lblStatus.caption);
    }
    EXPECT_EQ(captions.front(), "Next update in 14 minutes");
    EXPECT_EQ(captions[12], "Next update in 2 minutes");
    EXPECT_EQ(captions.back(), "Next update in 1 minute");
    EXPECT_TRUE(p.server.requests.empty());

    std::string duringUpdate;
    p.loop.Post(milliseconds(1), [&] { duringUpdate = p.lblStatus.caption; });
    p.frm.Timer1_Timer();  // the fifteenth: 0 minutes, and the update runs inside it
    EXPECT_EQ(duringUpdate.rfind("Getting NOAA Zulu time.", 0), 0u) << duringUpdate;
    EXPECT_EQ(p.frm.MinutesLeft, 15) << "the update ran through and restarted the countdown";
    ASSERT_FALSE(p.server.requests.empty());
    EXPECT_EQ(p.server.requests.front(), "http://noaa.test/weather/metar.shtml");
}

TEST(Countdown, StartsTheUpdateAsTheFifteenthMinuteEnds) {
    fake::FakePlatform p;
    p.frm.SetTimer();
    p.loop.RunFor(minutes(14) + milliseconds(1));
    EXPECT_EQ(p.frm.StatusText, "Next update in 1 minute");
    EXPECT_TRUE(p.server.requests.empty());
    p.loop.RunFor(minutes(1));
    EXPECT_EQ(p.server.requests.size(), 1u);
    EXPECT_EQ(p.frm.MinutesLeft, 15);
}

// Ticks stop while the PC sleeps; the wake-up sets the countdown from its deadline.
TEST(Countdown, AWakeUpSetsTheCountdownFromItsDeadline) {
    struct Case {
        minutes awake, asleep;
        std::size_t requests;  // 1: the update ran at once
        int minutesLeft;
    };
    for (const Case& c :
         {Case{minutes(3), minutes(40), 1, 15}, Case{minutes(2), minutes(5), 0, 8}}) {
        SCOPED_TRACE(c.asleep.count());
        fake::FakePlatform p;
        p.frm.SetTimer();
        p.loop.RunFor(c.awake + milliseconds(1));
        p.loop.Sleep(c.asleep);
        p.frm.Form_Resumed();
        EXPECT_EQ(p.server.requests.size(), c.requests);
        EXPECT_EQ(p.frm.MinutesLeft, c.minutesLeft);
        p.loop.RunFor(minutes(1));
        EXPECT_EQ(p.frm.MinutesLeft, c.minutesLeft - 1) << "a tick a minute while awake";
    }
}

TEST(Countdown, AConnectionFailingJustAfterAWakeUpIsTriedOnceMoreAMinuteLater) {
    fake::FakePlatform p;
    p.server.answer = [](const std::string&) {
        return std::optional(
            update_fixture::Failure({.kind = TransferFailureKind::NameResolution}));
    };
    p.frm.SetTimer();
    p.loop.Sleep(minutes(20));
    p.frm.Form_Resumed();
    EXPECT_EQ(p.frm.MinutesLeft, 1);
    p.loop.RunFor(minutes(1) + milliseconds(1));
    EXPECT_EQ(p.server.requests.size(), 2u);
    EXPECT_EQ(p.frm.MinutesLeft, 15) << "once only";
}

TEST(Countdown, NoTickEverComesBeforeTheFirstUpdate) {
    fake::FakePlatform p;
    p.frm.Form_Load();
    p.loop.RunFor(minutes(30));
    EXPECT_EQ(p.frm.MinutesLeft, 0);
    EXPECT_EQ(p.frm.StatusText, "Waiting");
}

// Two long failures: the first reason and the summary of the files stay, the middle gives way.
TEST(StatusTip, StaysWithinTheTooltips1023CharactersWithCrLfLineBreaks) {
    using namespace update_fixture;
    fake::FakePlatform p;
    p.server.Route(kPage, Page("14Z"));
    p.server.Route(CycleFile("14Z"), Body(kCurrent));
    p.server.Route(CycleFile("13Z"), Body(kPrevious));
    p.frm.Command1_Click();
    for (const char* cycle : {"14Z", "13Z"}) {
        p.server.Route(CycleFile(cycle), Failure({.kind = TransferFailureKind::HttpStatus,
                                                  .systemText = std::string(600, 'r') + cycle,
                                                  .httpStatus = 503}));
    }
    p.frm.Command1_Click();
    const std::string tip = p.frm.StatusTip();
    std::size_t length = 0;  // in UTF-16 units
    for (const unsigned char c : tip) {
        length += (c & 0xC0) == 0x80 ? 0 : c == '\n' ? 2 : 1;
    }
    EXPECT_EQ(length, 1023u);  // within the limit, and the middle fills what is left
    EXPECT_EQ(tip.rfind(p.frm.StatusText.substr(0, 400), 0), 0u) << tip;
    EXPECT_NE(tip.find("\xE2\x80\xA6"), std::string::npos);
    EXPECT_TRUE(tip.ends_with("\n" + p.frm.DataSummary())) << tip;
}

}  // namespace
}  // namespace nimbrel
