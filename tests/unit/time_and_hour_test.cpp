// Updates where the time of the servers and the turn of the hour decide: a cache's old copy, the
// clock's hour's file not yet begun or still yesterday's, a clock that lies.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/console_log.h"
#include "tests/fake/fake_platform.h"
#include "tests/fake/recording_output.h"

namespace nimbrel {
namespace {

using namespace std::chrono;

constexpr const char* kCycles = "https://noaa.test/data/observations/metar/cycles/";
constexpr const char* kCurrentReport = "C:\\Fly!\\METAR\\CurrentMETAR.txt";
constexpr const char* kPreviousReport = "C:\\Fly!\\METAR\\PreviousMETAR.txt";
constexpr const char* kAt1452 = "Mon, 07 Dec 2026 14:52:00 GMT";
constexpr const char* kCache = "https://cache.test/metars.cache.csv.gz";

// A cycle file with a report at each time ("2026/12/07 14:44").
std::string CycleFile(const std::vector<std::string>& times) {
    std::string file;
    for (const std::string& time : times) {
        file += time + "\nKJFK " + time.substr(8, 2) + time.substr(11, 2) + time.substr(14, 2) +
                "Z 31012KT 10SM FEW250 02/M09 A3012\n\n";
    }
    return file;
}

const std::string kToday14Z =
    CycleFile({"2026/12/07 13:50", "2026/12/07 14:20", "2026/12/07 14:44"});
const std::string kToday13Z =
    CycleFile({"2026/12/07 12:50", "2026/12/07 13:20", "2026/12/07 13:44"});
const std::string kYesterday15Z =
    CycleFile({"2026/12/06 14:50", "2026/12/06 15:20", "2026/12/06 15:44"});
const std::string kToday15Z =
    CycleFile({"2026/12/07 14:45", "2026/12/07 14:50", "2026/12/07 14:52"});

fake::FakeResponse Serves(const std::string& body, const std::string& date = kAt1452,
                          const std::string& age = "") {
    fake::FakeResponse response{{body}, milliseconds(10), std::nullopt, date, false};
    response.age = age;
    return response;
}

const TransferFailure kForbidden{
    .kind = TransferFailureKind::HttpStatus, .systemText = "Forbidden", .httpStatus = 403};

using fake::RecordingOutput;

// NOAA's server as it is today, at 14:52 by this computer: the clock's cycle is 15Z.
class ServersTime : public ::testing::Test {
  protected:
    ServersTime() {
        p.text1.text = "C:\\Fly!\\METAR\\";
        p.loop.SetUtcAtStart(sys_days(year(2026) / 12 / 7) + hours(14) + minutes(52));
        RefuseTheListing();
        Route("14Z", Serves(kToday14Z));
        Route("13Z", Serves(kToday13Z));
    }

    void Route(const std::string& cycle, fake::FakeResponse response) {
        p.server.Route(kCycles + cycle + ".TXT", std::move(response));
    }
    void RefuseTheListing(const std::string& date = kAt1452, const std::string& age = "") {
        fake::FakeResponse refused{{}, milliseconds(10), kForbidden, date, false};
        refused.age = age;
        p.server.Route(kCycles, refused);
    }
    // Lists 15Z as begun a minute ago.
    void ListFifteenAsBegun() {
        p.server.Route(kCycles,
                       Serves("<pre><a href=\"14Z.TXT\">14Z.TXT</a> 07-Dec-2026 09:44 2.1M\n"
                              "<a href=\"15Z.TXT\">15Z.TXT</a> 07-Dec-2026 09:51 41K\n"));
    }
    int RunOnce() { return p.frm.RunOnce(log); }
    void ExpectUpdatedAt(const std::string& time) {
        EXPECT_NE(p.frm.DataSummary().find("updated " + time + " UTC"), std::string::npos)
            << p.frm.DataSummary();
    }
    // An update that finds the folder's report newer than NOAA's.
    void ExpectKeptAfterAClick(const std::string& report, const std::string& newest,
                               const std::string& inTheFolder) {
        p.frm.Command1_Click();
        EXPECT_EQ(p.reportFiles.files[kCurrentReport], report);
        EXPECT_EQ(p.frm.StatusText, "NOAA sent an older 15Z (newest " + newest +
                                        " UTC) than the report in the folder (" + inTheFolder +
                                        " UTC); kept");
    }

    fake::FakePlatform p{{"https://noaa.test", ServerLayout::Current},
                         {"C:\\Fly!\\METAR\\", 15, false, false, kCache}};
    RecordingOutput progress;
    RecordingOutput failures;
    ConsoleLog log{progress, failures, p.loop};
};

struct StaleCopyCase {
    const char* name;
    std::string age;  // the cache's Age header; empty when it sends none
    const char* alarm;
};

class ACachesOldCopy : public ServersTime, public ::testing::WithParamInterface<StaleCopyCase> {};

// At 14:52 the folder holds today's 14Z; a cache answers for 15Z with yesterday's file and
// yesterday's Date.
TEST_P(ACachesOldCopy, NeverReplacesTodaysWeather) {
    p.reportFiles.files[kCurrentReport] = kToday14Z;
    ListFifteenAsBegun();
    Route("15Z", Serves(kYesterday15Z, "Sun, 06 Dec 2026 15:59:00 GMT", GetParam().age));
    EXPECT_EQ(RunOnce(), kOnceFailed);
    EXPECT_EQ(p.reportFiles.files[kCurrentReport], kToday14Z);
    EXPECT_EQ(p.reportFiles.files[kPreviousReport], kToday14Z);
    ASSERT_FALSE(failures.lines.empty());
    EXPECT_NE(failures.lines.back().find(GetParam().alarm), std::string::npos)
        << failures.lines.back();
}

INSTANTIATE_TEST_SUITE_P(
    Table, ACachesOldCopy,
    ::testing::Values(StaleCopyCase{"WithItsAge", "82380",
                                    "NOAA sent an older 15Z (newest 15:44 UTC on 6 Dec) than the "
                                    "report in the folder (14:44 UTC); kept"},
                      StaleCopyCase{"WithoutAnAge", "",
                                    "The server's 15Z is older than the report in the folder (a "
                                    "cache's copy?); kept [https://noaa.test (current layout)]"}),
    [](const auto& info) { return std::string(info.param.name); });

struct HourTurnCase {
    const char* name;
    std::optional<std::string> clocksHourFile;  // 15Z; none: 404
    std::string inTheFolder;                    // CurrentMETAR.txt before; empty: none
    const char* note;
};

class TheListingCannotHelp : public ServersTime,
                             public ::testing::WithParamInterface<HourTurnCase> {};

TEST_P(TheListingCannotHelp, SoTheHourBeforeStandsInForTheClocksHour) {
    if (!GetParam().inTheFolder.empty()) {
        p.reportFiles.files[kCurrentReport] = GetParam().inTheFolder;
    }
    if (GetParam().clocksHourFile) {
        Route("15Z", Serves(*GetParam().clocksHourFile));
    }
    EXPECT_EQ(RunOnce(), kOnceWritten);
    EXPECT_EQ(std::count(p.server.requests.begin(), p.server.requests.end(), kCache), 0);
    EXPECT_EQ(p.reportFiles.files[kCurrentReport],
              GetParam().inTheFolder.empty() ? kToday14Z : GetParam().inTheFolder);
    EXPECT_EQ(p.reportFiles.files[kPreviousReport], kToday13Z);
    EXPECT_TRUE(failures.lines.empty()) << failures.lines.front();
    ASSERT_FALSE(progress.lines.empty());
    const std::string& last = progress.lines.back();
    EXPECT_NE(last.find(GetParam().note), std::string::npos) << last;
    const bool currentWritten = GetParam().inTheFolder.empty();
    EXPECT_EQ(last.find("15Z not yet published; used 14Z and 13Z") != std::string::npos,
              currentWritten)
        << last;
    EXPECT_EQ(last.find("kept"), std::string::npos) << last;
}

INSTANTIATE_TEST_SUITE_P(
    Table, TheListingCannotHelp,
    ::testing::Values(HourTurnCase{"FirstRunAtTenToTheHour", "", "", "15Z not yet begun"},
                      HourTurnCase{"NotFoundAtTenToTheHour", std::nullopt, "", "15Z not yet begun"},
                      HourTurnCase{"YesterdaysFileNotYetDeleted", kYesterday15Z, "",
                                   "15Z still holds an older day's reports"},
                      HourTurnCase{
                          "AsNewInTheFolder", "",
                          CycleFile({"2026/12/07 14:10", "2026/12/07 14:30", "2026/12/07 14:44"}),
                          "15Z not yet begun"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ServersTime, ATimeOnceSeenNeverGoesBack) {
    Route("15Z", Serves(kToday15Z));
    EXPECT_EQ(RunOnce(), kOnceWritten);
    // The next update's cycle file comes from a cache that keeps an older Date and no Age.
    Route("15Z", Serves(CycleFile({"2026/12/07 14:45", "2026/12/07 14:50"}),
                        "Mon, 07 Dec 2026 14:40:00 GMT"));
    p.frm.Command1_Click();
    EXPECT_EQ(p.frm.LastOutcome(), UpdateOutcome::Failed);
    EXPECT_EQ(p.frm.StatusText,
              "The server's 15Z is older than the report in the folder (a cache's copy?); kept "
              "[https://noaa.test (current layout)]");
    ExpectUpdatedAt("14:52");
}

// Every answer is a cache's copy of the day before, its Date a day and an hour back, honestly aged.
TEST_F(ServersTime, YesterdaysCopiesHonestlyAgedAreOldData) {
    const std::string dayBefore = "Sun, 06 Dec 2026 13:52:00 GMT";
    RefuseTheListing(dayBefore, "90000");
    const std::string yesterday14Z =
        CycleFile({"2026/12/06 13:50", "2026/12/06 14:20", "2026/12/06 14:44"});
    Route("15Z", Serves(kYesterday15Z, dayBefore, "90000"));
    Route("14Z", Serves(yesterday14Z, dayBefore, "90000"));
    Route("13Z", Serves(CycleFile({"2026/12/06 12:50", "2026/12/06 13:20", "2026/12/06 13:44"}),
                        dayBefore, "90000"));
    EXPECT_EQ(RunOnce(), kOnceOldData);
    ExpectUpdatedAt("14:52");
}

// A report ahead of the server's clock by more than the slack is set aside, not forgotten.
TEST_F(ServersTime, AReportTimeOnceTooFarAheadCountsOnceTheClockNearsIt) {
    const std::string withOneAhead = CycleFile({"2026/12/07 14:45", "2026/12/07 16:55"});
    Route("15Z", Serves(withOneAhead));
    p.frm.Command1_Click();
    EXPECT_EQ(p.frm.LastOutcome(), UpdateOutcome::Written) << p.frm.StatusTip();
    p.loop.RunFor(minutes(10));
    const std::string at1502 = "Mon, 07 Dec 2026 15:02:00 GMT";
    RefuseTheListing(at1502);
    Route("15Z", Serves(CycleFile({"2026/12/07 14:45", "2026/12/07 15:01"}), at1502));
    Route("14Z", Serves(kToday14Z, at1502));
    ExpectKeptAfterAClick(withOneAhead, "15:01", "16:55");
}

// Ninety seconds of body after the headers: the Date was true when they came, not at the end.
TEST_F(ServersTime, ASlowBodyDoesNotPullTheClockBack) {
    fake::FakeResponse slow = Serves(kToday15Z);
    slow.chunks = {slow.chunks[0].substr(0, 40), slow.chunks[0].substr(40, 40),
                   slow.chunks[0].substr(80)};
    slow.delay = seconds(30);
    Route("15Z", slow);
    p.frm.Command1_Click();
    EXPECT_EQ(p.frm.LastOutcome(), UpdateOutcome::Written) << p.frm.StatusTip();
    ExpectUpdatedAt("14:53");
}

// The listing says nothing of the time, so the clock here, five hours behind, chose 10Z; the first
// report's answer moves the reference to 14:52 and the cycle is chosen again before any verdict.
TEST_F(ServersTime, AFarMoveDuringAnUpdateChoosesTheCycleAgain) {
    p.loop.SetUtcAtStart(sys_days(year(2026) / 12 / 7) + hours(9) + minutes(52));
    RefuseTheListing("");
    Route("10Z", Serves(kToday13Z));
    const std::string today15Z = CycleFile({"2026/12/07 14:45", "2026/12/07 14:52"});
    Route("15Z", Serves(today15Z));
    p.frm.Command1_Click();
    EXPECT_EQ(p.reportFiles.files[kCurrentReport], today15Z);
    EXPECT_EQ(p.reportFiles.files[kPreviousReport], kToday14Z);
    EXPECT_EQ(p.frm.LastOutcome(), UpdateOutcome::Written) << p.frm.StatusTip();
}

// The listing names 10Z and no time; the move comes while 10Z is being written, held by Fly!, so
// the cycle is chosen again after it: 15Z is not listed, and 14Z stands in.
TEST_F(ServersTime, AFarMoveDuringAWriteChoosesTheCycleAgainAfterIt) {
    p.loop.SetUtcAtStart(sys_days(year(2026) / 12 / 7) + hours(9) + minutes(52));
    p.server.Route(kCycles, Serves("<pre><a href=\"09Z.TXT\">09Z.TXT</a> 07-Dec-2026 09:44 2.1M\n"
                                   "<a href=\"10Z.TXT\">10Z.TXT</a> 07-Dec-2026 09:51 41K\n",
                                   ""));
    Route("10Z", Serves(CycleFile({"2026/12/07 09:45"}), ""));
    fake::FakeResponse late = Serves(CycleFile({"2026/12/07 08:45"}));
    late.delay = seconds(2);
    Route("09Z", late);
    p.reportFiles.heldUntil[kCurrentReport] = seconds(5);
    p.frm.Command1_Click();
    EXPECT_EQ(p.reportFiles.files[kCurrentReport], kToday14Z);
    EXPECT_EQ(p.reportFiles.files[kPreviousReport], kToday13Z);
}

// Were the 304 observed twice, as an answer and as a failure, it would agree with itself.
TEST_F(ServersTime, A304ToAnUnconditionalRequestIsObservedOnce) {
    fake::FakeResponse ahead = Serves("", "Mon, 07 Dec 2026 17:52:00 GMT");
    ahead.notModified = true;
    Route("15Z", ahead);
    p.frm.Command1_Click();
    ExpectUpdatedAt("14:52");
}

TEST_F(ServersTime, AWrongClockHereDecidesNothingOnceTheServerHasSpoken) {
    p.loop.SetUtcAtStart(sys_days(year(2026) / 11 / 30) + hours(3));
    Route("15Z", Serves(kToday15Z));
    p.frm.Command1_Click();
    EXPECT_EQ(p.server.requests.at(1), std::string(kCycles) + "15Z.TXT");
    EXPECT_EQ(p.frm.LastOutcome(), UpdateOutcome::Written) << p.frm.StatusTip();
}

TEST_F(ServersTime, ADateAtTheEndOfTheClocksRangeOverflowsNothing) {
    const std::string farAhead = "Fri, 11 Apr 2262 23:00:00 GMT";
    RefuseTheListing(farAhead);
    Route("23Z", Serves(CycleFile({"2026/12/07 14:45"}), farAhead, "999999999999"));
    Route("22Z", Serves(kToday14Z, farAhead, "999999999999"));
    p.reportFiles.files[kCurrentReport] = kToday13Z;
    p.frm.Command1_Click();
    EXPECT_EQ(p.frm.LastOutcome(), UpdateOutcome::OldData) << p.frm.StatusTip();
}

TEST_F(ServersTime, AReportHeldWithoutReadSharingIsJudgedOnceItCanBeRead) {
    const std::string newer =
        CycleFile({"2026/12/07 14:50", "2026/12/07 14:51", "2026/12/07 14:53"});
    p.reportFiles.files[kCurrentReport] = newer;
    p.reportFiles.heldUntil[kCurrentReport] = seconds(3);
    p.reportFiles.unreadableUntil[kCurrentReport] = seconds(3);
    Route("15Z", Serves(kToday15Z));
    ExpectKeptAfterAClick(newer, "14:52", "14:53");
}

TEST_F(ServersTime, AReportThatStaysUnreadableIsNeverReplaced) {
    p.reportFiles.files[kCurrentReport] = kToday13Z;
    p.reportFiles.unreadableUntil[kCurrentReport] = hours(1);
    Route("15Z", Serves(kToday15Z));
    p.frm.Command1_Click();
    EXPECT_EQ(p.reportFiles.files[kCurrentReport], kToday13Z);
    EXPECT_EQ(p.frm.StatusText, std::string("Could not read ") + kCurrentReport +
                                    " to compare it with the new report; kept");
}

TEST_F(ServersTime, TheHourBeforeUnchangedSinceLastTimeIsFetchedWholeToStandIn) {
    fake::FakeResponse hourBefore = Serves(kToday14Z);
    hourBefore.etag = "\"14z\"";
    Route("14Z", hourBefore);
    Route("15Z", Serves(kToday15Z));
    p.frm.Command1_Click();
    // NOAA began 15Z again, and the user removed the current report meanwhile.
    Route("15Z", Serves(""));
    p.reportFiles.files.erase(kCurrentReport);
    p.frm.Command1_Click();
    EXPECT_EQ(p.server.conditions.at(5).ifNoneMatch, "\"14z\"");
    EXPECT_EQ(p.reportFiles.files[kCurrentReport], kToday14Z);
    EXPECT_EQ(p.reportFiles.files[kPreviousReport], kToday14Z) << "newer than 13Z, it stays";
    EXPECT_EQ(p.frm.LastOutcome(), UpdateOutcome::Written) << p.frm.StatusTip();
}

}  // namespace
}  // namespace nimbrel
