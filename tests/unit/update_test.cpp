#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <map>

#include "retrieval/denied_swap.h"
#include "retrieval/zulu_cycle.h"
#include "tests/unit/update_fixture.h"

namespace nimbrel {
namespace {

using namespace update_fixture;
using namespace std::chrono;

std::string CurrentReport() {
    return std::string(kFolder) + "CurrentMETAR.txt";
}
std::string PreviousReport() {
    return std::string(kFolder) + "PreviousMETAR.txt";
}

class Update : public ::testing::Test {
  protected:
    Update() {
        p.text1.text = kFolder;
        p.server.Route(kPage, Page("14Z"));
        p.server.Route(CycleFile("14Z"), Body(kCurrent));
        p.server.Route(CycleFile("13Z"), Body(kPrevious));
        p.reportFiles.files[CurrentReport()] = "old current";
        p.reportFiles.files[PreviousReport()] = "old previous";
    }

    void ExpectReportsUntouched() {
        EXPECT_EQ(p.reportFiles.files[CurrentReport()], "old current");
        EXPECT_EQ(p.reportFiles.files[PreviousReport()], "old previous");
    }

    // After a failed update: the reason in red, and the next update still comes.
    void ExpectFailedWith(const std::string& fragment) {
        EXPECT_EQ(p.lblStatus.colour, kRed);
        EXPECT_NE(p.frm.StatusText.find(fragment), std::string::npos) << p.frm.StatusText;
        EXPECT_NE(p.frm.StatusText.find("http://noaa.test (classic layout)"), std::string::npos)
            << p.frm.StatusText;
        EXPECT_TRUE(p.timer1.Enabled());
        EXPECT_EQ(p.frm.MinutesLeft, 15);
        EXPECT_EQ(p.frm.LastOutcome(), UpdateOutcome::Failed);
    }

    std::vector<fake::FakeReportFiles::Swap> SwapsOf(const std::string& path) const {
        std::vector<fake::FakeReportFiles::Swap> swaps;
        std::copy_if(p.reportFiles.swaps.begin(), p.reportFiles.swaps.end(),
                     std::back_inserter(swaps),
                     [&](const auto& swap) { return swap.path == path; });
        return swaps;
    }

    fake::FakePlatform p;
};

TEST_F(Update, WritesBothReportsAndRestartsTheCountdown) {
    p.frm.Command1_Click();
    EXPECT_EQ(p.server.requests,
              (std::vector<std::string>{kPage, CycleFile("14Z"), CycleFile("13Z")}));
    EXPECT_EQ(p.reportFiles.files[CurrentReport()], kCurrent);
    EXPECT_EQ(p.reportFiles.files[PreviousReport()], kPrevious);
    EXPECT_EQ(p.frm.ZuluCycle, "14Z");
    EXPECT_EQ(p.frm.CurrentMetar, "");
    EXPECT_EQ(p.frm.PreviousMetar, "");
    std::vector<Colour> colours = p.lblStatus.colours;
    colours.erase(std::unique(colours.begin(), colours.end()), colours.end());
    EXPECT_EQ(colours, (std::vector<Colour>{kPurple, kGreen, kBlue}));
    EXPECT_EQ(p.frm.StatusText, "Next update in 15 minutes");
    EXPECT_TRUE(p.timer1.Enabled());
    EXPECT_EQ(p.frm.MinutesLeft, 15);
    EXPECT_EQ(p.frm.LastOutcome(), UpdateOutcome::Written);
}

TEST_F(Update, ShowsEachStepWhileItRuns) {
    p.server.Route(CycleFile("14Z"), {{kCurrent}, milliseconds(500), std::nullopt, "", false});
    std::vector<std::pair<std::string, Colour>> seen;
    for (const int at : {5, 100}) {
        p.loop.Post(milliseconds(at),
                    [&] { seen.emplace_back(p.frm.StatusText, p.lblStatus.colour); });
    }
    p.frm.Command1_Click();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0], std::make_pair(std::string("Getting NOAA Zulu time"), kPurple));
    // The previous hour's file completes first and restarts the countdown while the current one
    // is still on its way.
    EXPECT_EQ(seen[1].second, kGreen);
    EXPECT_EQ(p.lblStatus.colour, kBlue);
}

TEST_F(Update, ABodyThatComesWholeIsKeptWithoutACopy) {
    std::string body = kCurrent;
    const char* const bytes = body.data();
    p.frm.HTTP2_DataArrival(std::move(body));
    EXPECT_EQ(p.frm.CurrentMetar.data(), bytes);
    p.frm.HTTP2_DataArrival("KXYZ");
    EXPECT_EQ(p.frm.CurrentMetar, kCurrent + "KXYZ");
}

TEST_F(Update, StatusNamesBothCyclesWhileRequesting) {
    p.server.Route(CycleFile("14Z"), Stall());
    p.server.Route(CycleFile("13Z"), Stall());
    std::string requesting;
    p.loop.Post(milliseconds(40), [&] { requesting = p.frm.StatusText; });
    p.frm.Command1_Click();
    EXPECT_EQ(requesting, "Getting Previous METAR (13Z)");
}

TEST_F(Update, APageWithoutTheMarkerFallsBackToTwelveZulu) {
    p.server.Route(kPage, Body("<html>Service moved</html>"));
    p.server.Route(CycleFile("12Z"), Body(kCurrent));
    p.server.Route(CycleFile("11Z"), Body(kPrevious));
    p.frm.Command1_Click();
    EXPECT_EQ(p.server.requests,
              (std::vector<std::string>{kPage, CycleFile("12Z"), CycleFile("11Z")}));
    EXPECT_EQ(p.lblStatus.colour, kBlue);
}

TEST_F(Update, ReportsGoToTheFolderShownWhenEachFileCompletes) {
    p.server.Route(CycleFile("14Z"), {{kCurrent}, milliseconds(400), std::nullopt, "", false});
    p.loop.Post(milliseconds(200), [&] { p.text1.text = "D:\\Other"; });
    p.frm.Command1_Click();
    EXPECT_EQ(p.reportFiles.files["D:\\Other\\CurrentMETAR.txt"], kCurrent);
    EXPECT_EQ(p.reportFiles.files[PreviousReport()], kPrevious);
}

TEST_F(Update, ACycleTransferErrorGivesUpAndKeepsTheReasonReadable) {
    p.server.Route(kPage, Failure({.kind = TransferFailureKind::Connection,
                                   .systemText = "refused",
                                   .server = "noaa.test:80"}));
    p.frm.Command1_Click();
    EXPECT_EQ(p.server.requests, std::vector<std::string>{kPage});
    ExpectFailedWith("Cannot connect to noaa.test:80: refused");
    ExpectReportsUntouched();

    p.loop.RunFor(minutes(1));
    EXPECT_EQ(p.frm.StatusText, "Next update in 14 minutes");
    EXPECT_EQ(p.lblStatus.colour, kRed) << "the countdown after an error stays red";
    p.server.Route(kPage, Page("14Z"));
    p.loop.RunFor(minutes(14));
    EXPECT_EQ(p.server.requests.size(), 4u) << "the next automatic update came";
    EXPECT_EQ(p.lblStatus.colour, kBlue);
}

TEST_F(Update, APageNamingAnEmptyCycleIsAFailureNotAnEndlessWait) {
    p.server.Route(kPage, Body(std::string(kCycleMarker) + "  </FONT>"));
    p.frm.Command1_Click();
    ExpectFailedWith("names no observing cycle");
    EXPECT_EQ(p.server.requests.size(), 1u);
}

TEST_F(Update, AStalledCycleTransferEndsAtTheTimeLimit) {
    p.server.Route(kPage, Stall());
    p.frm.Command1_Click();
    EXPECT_EQ(p.loop.Now(), seconds(90));
    EXPECT_EQ(p.http1.cancels(), 1);
    ExpectFailedWith("No answer from the server within 90 seconds");
}

TEST_F(Update, WaitingBlocksInsteadOfSpinning) {
    p.server.Route(kPage, Stall());
    p.frm.Form_Seen(true);
    p.frm.Command1_Click();
    // One wait for each event delivered (status ticks every 300 ms) and a few more.
    EXPECT_LE(p.loop.WaitCount(), 90000 / 300 + 5);
    EXPECT_GE(p.loop.WaitCount(), 90000 / 300 - 5);
}

struct DownloadFailure {
    const char* name;
    bool currentFails;
    bool previousFails;
};

class FailedDownload : public Update, public ::testing::WithParamInterface<DownloadFailure> {};

TEST_P(FailedDownload, KeepsTheFailedReportAndStaysRed) {
    if (GetParam().currentFails) {
        p.server.Route(CycleFile("14Z"), Failure(kNotFound));
    }
    if (GetParam().previousFails) {
        p.server.Route(CycleFile("13Z"), Failure(kNotFound));
    }
    p.frm.Command1_Click();
    ExpectFailedWith("HTTP 404 Not Found");
    EXPECT_EQ(p.reportFiles.files[CurrentReport()],
              GetParam().currentFails ? "old current" : kCurrent);
    EXPECT_EQ(p.reportFiles.files[PreviousReport()],
              GetParam().previousFails ? "old previous" : kPrevious);
}

INSTANTIATE_TEST_SUITE_P(Cases, FailedDownload,
                         ::testing::Values(DownloadFailure{"current", true, false},
                                           DownloadFailure{"previous", false, true},
                                           DownloadFailure{"both", true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Update, AFailedWriteIsReportedWithThePathAndReason) {
    p.reportFiles.failures[CurrentReport()] = {ReportWriteFailureKind::ReadOnly, ""};
    p.frm.Command1_Click();
    EXPECT_EQ(p.lblStatus.colour, kRed);
    EXPECT_EQ(p.frm.StatusText,
              "Could not write C:\\Fly!\\METAR\\CurrentMETAR.txt: the file is read-only");
    EXPECT_EQ(p.reportFiles.files[CurrentReport()], "old current");
    EXPECT_EQ(p.reportFiles.files[PreviousReport()], kPrevious);
    EXPECT_EQ(p.frm.CurrentMetar, "") << "the buffer is emptied all the same";
    EXPECT_TRUE(p.timer1.Enabled());
}

// --- What arrives is judged before it replaces a report --------------------------------------

struct RefusedCase {
    const char* name;
    std::string body;
    const char* described;
};

class RefusedBody : public Update, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedBody, KeepsTheReportAndSaysWhatCame) {
    p.server.Route(CycleFile("14Z"), Body(GetParam().body));
    p.frm.Command1_Click();
    ExpectFailedWith(std::string("The server sent no reports for 14Z (") + GetParam().described +
                     ") [http://noaa.test (classic layout)]");
    EXPECT_EQ(p.reportFiles.files[CurrentReport()], "old current");
    EXPECT_EQ(p.reportFiles.files[PreviousReport()], kPrevious);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, RefusedBody,
    ::testing::Values(
        RefusedCase{"Empty", "", "an empty file"},
        RefusedCase{"HtmlPage", "\r\n<!DOCTYPE html><html><body>Portal login</body></html>",
                    "an HTML page of 55 bytes"},
        RefusedCase{"Junk", std::string("\x1f\x8b\x08\x00\x00\x00\x00", 7) + "2026/12/07 14:00",
                    "23 bytes without a dated report"}),
    [](const auto& info) { return std::string(info.param.name); });

struct AgeOnDiskCase {
    const char* name;
    std::string onDisk;
    std::string body;
    const char* refusal;  // empty: the body replaces the report
};

class AgainstTheReportOnDisk : public Update,
                               public ::testing::WithParamInterface<AgeOnDiskCase> {};

// The server's clock reads 14:05 on 7 Dec.
TEST_P(AgainstTheReportOnDisk, NeverOlderOverNewer) {
    p.reportFiles.Touch(CurrentReport(), GetParam().onDisk);
    p.server.Route(CycleFile("14Z"), Body(GetParam().body));
    p.frm.Command1_Click();
    if (std::string(GetParam().refusal).empty()) {
        EXPECT_EQ(p.reportFiles.files[CurrentReport()], GetParam().body);
        EXPECT_EQ(p.frm.LastOutcome(), UpdateOutcome::Written);
        return;
    }
    EXPECT_EQ(p.reportFiles.files[CurrentReport()], GetParam().onDisk);
    EXPECT_EQ(p.lblStatus.colour, kRed);
    EXPECT_EQ(p.frm.StatusText, GetParam().refusal);
    EXPECT_EQ(p.frm.LastOutcome(), UpdateOutcome::Failed);
}

INSTANTIATE_TEST_SUITE_P(
    Table, AgainstTheReportOnDisk,
    ::testing::Values(
        AgeOnDiskCase{"Older", "2026/12/07 14:03\nKJFK 071403Z\n", kCurrent,
                      "NOAA sent an older 14Z (newest 14:00 UTC) than the report in the folder "
                      "(14:03 UTC); kept"},
        AgeOnDiskCase{"OfTheDayBefore", kCurrent, "2026/12/06 14:44\nKJFK 061444Z\n",
                      "NOAA sent an older 14Z (newest 14:44 UTC on 6 Dec) than the report in the "
                      "folder (14:00 UTC); kept"},
        AgeOnDiskCase{"Equal", "2026/12/07 14:00\nKJFK 071400Z AUTO\n", kCurrent, ""},
        AgeOnDiskCase{"Newer", "2026/12/07 13:10\nKJFK 071310Z\n", kCurrent, ""},
        AgeOnDiskCase{"NoReportsOnDisk", "<html></html>", kCurrent, ""},
        // One line far ahead of the server's clock never locks the file against later updates.
        AgeOnDiskCase{"FarFutureLineOnDisk", "2026/12/09 00:00\nKJFK 090000Z\n", kCurrent, ""},
        AgeOnDiskCase{"FarFutureLineBesideOlderOnesOnDisk",
                      "2026/12/07 16:06\nKJFK\n\n2026/12/07 13:00\nKJFK\n", kCurrent, ""},
        // ... nor does it make a body newer than it is.
        AgeOnDiskCase{"FarFutureLineInTheBody", "2026/12/07 14:03\nKJFK 071403Z\n",
                      kCurrent + "2026/12/08 02:00\nKJFK 080200Z\n",
                      "NOAA sent an older 14Z (newest 14:00 UTC) than the report in the folder "
                      "(14:03 UTC); kept"},
        AgeOnDiskCase{"BodyOnlyFarFuture", kCurrent, "2026/12/08 02:00\nKJFK 080200Z\n", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Update, AMissingReportHasNothingNewerThanTheBody) {
    p.reportFiles.files.erase(CurrentReport());
    p.frm.Command1_Click();
    EXPECT_EQ(p.reportFiles.files[CurrentReport()], kCurrent);
}

TEST_F(Update, TheReportOnDiskIsReadOnlyWhenSomethingElseWroteIt) {
    p.frm.Command1_Click();
    p.frm.Command1_Click();
    EXPECT_EQ(p.reportFiles.reads, 2) << "the first update reads both old files, the second none";
    EXPECT_EQ(p.frm.LastOutcome(), UpdateOutcome::Written);
    p.reportFiles.Touch(CurrentReport(), "2026/12/07 14:30\nKJFK 071430Z\n");
    p.frm.Command1_Click();
    EXPECT_EQ(p.reportFiles.reads, 3);
    EXPECT_EQ(p.frm.StatusText,
              "NOAA sent an older 14Z (newest 14:00 UTC) than the report in "
              "the folder (14:30 UTC); kept");
}

TEST_F(Update, AFailureOutranksOldDataAndBothStayInTheTooltipUnderTheCountdown) {
    p.server.Route(CycleFile("14Z"), Body("2026/12/07 08:00\nKJFK 070800Z\n"));
    p.server.Route(CycleFile("13Z"), Failure(kNotFound));
    p.frm.Command1_Click();
    p.loop.RunFor(minutes(1));
    EXPECT_EQ(p.frm.StatusText, "Next update in 14 minutes");
    EXPECT_EQ(p.lblStatus.colour, kRed);
    const std::string tip = p.frm.StatusTip();
    EXPECT_EQ(tip.rfind("Next update in 14 minutes\nHTTP 404 Not Found [http://noaa.test "
                        "(classic layout)]\nNOAA's newest report is 6 hours old (14Z)\n"
                        "CurrentMETAR.txt: 14Z",
                        0),
              0u)
        << tip;
    EXPECT_EQ(p.frm.LastOutcome(), UpdateOutcome::Failed);
}

TEST_F(Update, TheTooltipShowsEveryReasonInTheOrderTheyCame) {
    p.server.Route(CycleFile("14Z"), Body("<html>Portal</html>"));
    p.server.Route(CycleFile("13Z"), Failure(kNotFound));
    p.frm.Command1_Click();
    EXPECT_EQ(p.frm.StatusText,
              "The server sent no reports for 14Z (an HTML page of 19 bytes) "
              "[http://noaa.test (classic layout)]");
    p.loop.RunFor(minutes(1));
    EXPECT_EQ(p.frm.StatusTip(),
              "Next update in 14 minutes\n"
              "The server sent no reports for 14Z (an HTML page of 19 bytes) [http://noaa.test "
              "(classic layout)]\n"
              "HTTP 404 Not Found [http://noaa.test (classic layout)]");
    ExpectReportsUntouched();
}

// --- A report that another program (the simulator) holds open ---------------------------------

TEST_F(Update, AHeldReportLandsSoonAfterTheReaderLetsGo) {
    p.reportFiles.heldUntil[CurrentReport()] = seconds(3);
    p.frm.Command1_Click();
    EXPECT_EQ(p.reportFiles.files[CurrentReport()], kCurrent);
    EXPECT_EQ(p.reportFiles.files[PreviousReport()], kPrevious);
    EXPECT_EQ(p.lblStatus.colour, kBlue);
    EXPECT_EQ(p.frm.StatusText, "Next update in 15 minutes");
    const auto swaps = SwapsOf(CurrentReport());
    ASSERT_TRUE(swaps.back().done);
    EXPECT_GE(swaps.back().at, seconds(3));
    EXPECT_LT(swaps.back().at, seconds(3) + milliseconds(500));
}

TEST_F(Update, AReportHeldPastTheRetryWindowIsReportedAndKept) {
    p.reportFiles.heldUntil[CurrentReport()] = minutes(5);
    p.frm.Command1_Click();
    EXPECT_EQ(p.lblStatus.colour, kRed);
    EXPECT_EQ(p.frm.StatusText,
              "Could not write C:\\Fly!\\METAR\\CurrentMETAR.txt: another program has the file "
              "open");
    EXPECT_EQ(p.reportFiles.files[CurrentReport()], "old current");
    EXPECT_EQ(p.reportFiles.files[PreviousReport()], kPrevious);
    EXPECT_TRUE(p.timer1.Enabled());
    EXPECT_EQ(p.frm.MinutesLeft, 15);
    const auto swaps = SwapsOf(CurrentReport());
    EXPECT_EQ(swaps.back().at - swaps.front().at, seconds(10));
}

class WriteFailure : public Update, public ::testing::WithParamInterface<ReportWriteFailureKind> {};

TEST_P(WriteFailure, IsReportedAtOnce) {
    p.reportFiles.failures[CurrentReport()] = {GetParam(), "reason"};
    p.frm.Command1_Click();
    EXPECT_EQ(SwapsOf(CurrentReport()).size(), 1u);
    EXPECT_LT(p.loop.Now(), seconds(1));
    EXPECT_EQ(p.lblStatus.colour, kRed);
    EXPECT_EQ(p.frm.StatusText.rfind("Could not write " + CurrentReport() + ": ", 0), 0u);
}

INSTANTIATE_TEST_SUITE_P(OtherThanHeld, WriteFailure,
                         ::testing::Values(ReportWriteFailureKind::ReadOnly,
                                           ReportWriteFailureKind::NoFolder,
                                           ReportWriteFailureKind::DiskFull,
                                           ReportWriteFailureKind::Other));

// --- A swap that Windows refused with "access denied" --------------------------------------

struct DeniedSwap {
    const char* name;
    DeleteAccessProbe probe;  // what opening the report for deletion said
    bool held;                // tried again for the retry window; otherwise told at once
};

class RefusedSwap : public Update, public ::testing::WithParamInterface<DeniedSwap> {};

TEST_P(RefusedSwap, IsRetriedOnlyWhenTheFileIsHeld) {
    p.reportFiles.failures[CurrentReport()] = {KindOfDeniedSwap(GetParam().probe),
                                               "Access is denied."};
    p.frm.Command1_Click();
    const auto swaps = SwapsOf(CurrentReport());
    EXPECT_EQ(p.reportFiles.files[CurrentReport()], "old current");
    EXPECT_EQ(p.reportFiles.files[PreviousReport()], kPrevious);
    EXPECT_EQ(p.lblStatus.colour, kRed);
    if (GetParam().held) {
        EXPECT_EQ(swaps.back().at - swaps.front().at, seconds(10));
        EXPECT_EQ(p.frm.StatusText,
                  "Could not write " + CurrentReport() + ": another program has the file open");
    } else {
        EXPECT_EQ(swaps.size(), 1u);
        EXPECT_EQ(p.frm.StatusText,
                  "Windows does not let Nimbrel replace C:\\Fly!\\METAR\\CurrentMETAR.txt. Give "
                  "your user write access to that folder for a lasting fix; running Nimbrel as "
                  "administrator helps only until it closes");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Probes, RefusedSwap,
    ::testing::Values(DeniedSwap{"held", DeleteAccessProbe::SharingViolation, true},
                      DeniedSwap{"passing", DeleteAccessProbe::Opened, true},
                      DeniedSwap{"no_permission", DeleteAccessProbe::AccessDenied, false},
                      DeniedSwap{"delete_pending", DeleteAccessProbe::DeletePending, true},
                      DeniedSwap{"probe_failed", DeleteAccessProbe::OtherFailure, true}),
    [](const auto& info) { return std::string(info.param.name); });

// A report whose attributes cannot be read is still probed as a refused swap, unless the system
// said it is not there: one pending deletion fails so too, and is soon gone.
TEST(RefusedSwap, TakesTheReportForGoneOnlyWhenNotFound) {
    struct Case {
        std::uint32_t attributesError;
        bool exists;
    };
    for (const Case& c : {Case{2, false},     // ERROR_FILE_NOT_FOUND
                          Case{3, false},     // ERROR_PATH_NOT_FOUND
                          Case{5, true},      // ERROR_ACCESS_DENIED: pending deletion
                          Case{303, true},    // ERROR_DELETE_PENDING
                          Case{32, true}}) {  // ERROR_SHARING_VIOLATION
        EXPECT_EQ(ReportExistsDespite(c.attributesError), c.exists) << c.attributesError;
    }
}

TEST_F(Update, AClickWhileAHeldReportWaitsRunsANestedUpdateWhoseWriteIsNeverUndone) {
    const std::string nested = "2026/12/07 14:10\nKJFK 071410Z 31012KT 10SM FEW250 02/M09\n\n";
    p.reportFiles.heldUntil[CurrentReport()] = seconds(2);
    p.loop.Post(milliseconds(500), [&] {
        p.server.Route(CycleFile("14Z"), Body(nested));
        p.frm.Command1_Click();
    });
    p.frm.Command1_Click();
    EXPECT_EQ(p.server.requests.size(), 6u);
    const auto swaps = SwapsOf(CurrentReport());
    EXPECT_EQ(std::count_if(swaps.begin(), swaps.end(), [](const auto& s) { return s.done; }), 1)
        << "the nested write lands, and the outer retry, fetched earlier, drops its bytes";
    EXPECT_EQ(p.reportFiles.files[CurrentReport()], nested);
    EXPECT_EQ(p.lblStatus.colour, kBlue);
    EXPECT_EQ(p.frm.LastOutcome(), UpdateOutcome::Written);
}

TEST_F(Update, ClosingWhileAHeldReportWaitsEndsTheWaitAtOnce) {
    p.reportFiles.heldUntil[CurrentReport()] = minutes(5);
    p.loop.Post(seconds(1), [&] { p.loop.Close(); });
    p.frm.Command1_Click();
    EXPECT_TRUE(p.frm.Closing());
    EXPECT_LT(p.loop.Now(), seconds(1) + milliseconds(100));
    EXPECT_EQ(p.reportFiles.files[CurrentReport()], "old current");
}

// A box that names no real folder: the reason in red, nothing written, the next update still comes.
void ExpectNoFolderRefused(fake::FakePlatform& p) {
    EXPECT_EQ(p.lblStatus.colour, kRed);
    EXPECT_EQ(p.frm.StatusText, "No METAR folder: type the simulator's METAR folder in the box");
    EXPECT_EQ(p.reportFiles.files.size(), 2u) << "nothing is written anywhere";
    EXPECT_TRUE(p.timer1.Enabled());
    EXPECT_EQ(p.frm.MinutesLeft, 15);
}

TEST_F(Update, ABoxNamingNoFolderRefusesTheUpdateBeforeAnyTransfer) {
    p.text1.text = "\\METAR\\";  // what start-up shows when the simulator is not found
    p.frm.Command1_Click();
    EXPECT_TRUE(p.server.requests.empty());
    ExpectNoFolderRefused(p);
    ExpectReportsUntouched();
}

TEST_F(Update, ABoxEmptiedDuringTheDownloadWritesNothing) {
    p.loop.Post(milliseconds(45), [&] { p.text1.text = ""; });
    p.frm.Command1_Click();
    EXPECT_EQ(p.server.requests.size(), 3u);
    ExpectNoFolderRefused(p);
    ExpectReportsUntouched();
}

TEST_F(Update, StalledDownloadsEndAtTheTimeLimit) {
    p.server.Route(CycleFile("14Z"), Stall());
    p.frm.Command1_Click();
    EXPECT_GE(p.loop.Now(), minutes(10));
    EXPECT_LT(p.loop.Now(), minutes(10) + seconds(1));
    EXPECT_EQ(p.http2.cancels(), 1);
    ExpectFailedWith("did not arrive within 10 minutes");
    EXPECT_EQ(p.reportFiles.files[CurrentReport()], "old current");
}

TEST_F(Update, ClosingDuringTheFirstWaitEndsItAtOnce) {
    p.server.Route(kPage, Stall());
    p.loop.Post(milliseconds(500), [&] { p.loop.Close(); });
    p.frm.Command1_Click();
    EXPECT_TRUE(p.frm.Closing());
    EXPECT_LE(p.loop.Now(), milliseconds(600));
    EXPECT_EQ(p.server.requests.size(), 1u);
    ExpectReportsUntouched();
}

TEST_F(Update, ClosingDuringTheDownloadsWritesNothingMore) {
    p.server.Route(CycleFile("14Z"), Stall());
    p.server.Route(CycleFile("13Z"), Stall());
    p.loop.Post(milliseconds(500), [&] { p.loop.Close(); });
    p.frm.Command1_Click();
    EXPECT_TRUE(p.frm.Closing());
    EXPECT_LE(p.loop.Now(), milliseconds(600));
    ExpectReportsUntouched();
    EXPECT_FALSE(p.timer1.Enabled());
    // Nothing starts once the program is closing.
    p.frm.Command1_Click();
    EXPECT_EQ(p.server.requests.size(), 3u);
}

TEST_F(Update, AClickDuringTheFirstWaitRunsANestedUpdateFirst) {
    p.server.Route(
        kPage, {{std::string(kCycleMarker) + "14Z<"}, milliseconds(50), std::nullopt, "", false});
    int setTimerTexts = 0;
    p.ClickGetMetarAfter(milliseconds(5));
    p.frm.Command1_Click();
    EXPECT_EQ(p.server.requests,
              (std::vector<std::string>{kPage, kPage, CycleFile("14Z"), CycleFile("13Z")}))
        << "the waiting update takes the reports the click's update decided";
    for (const Colour c : p.lblStatus.colours) {
        setTimerTexts += c == kBlue;
    }
    EXPECT_EQ(setTimerTexts, 2) << "each update ends blue";
    EXPECT_EQ(p.frm.StatusText, "Next update in 15 minutes");
    EXPECT_EQ(p.reportFiles.files[CurrentReport()], kCurrent);
}

// The About box is modal: an update waiting when it opens takes its next step once the box is
// closed, while its transfer goes on behind the box.
TEST_F(Update, AnUpdateWaitsForTheAboutBoxWhileItsTransferGoesOn) {
    std::string cycleWhileOpen;
    std::vector<std::string> requestsWhileOpen;
    p.windows.whileAboutOpen = [&] {
        p.loop.RunFor(seconds(5));
        cycleWhileOpen = p.frm.ZuluCycle;
        requestsWhileOpen = p.server.requests;
    };
    p.loop.Post(milliseconds(5), [&] { p.frm.Command2_Click(); });
    p.frm.Command1_Click();
    EXPECT_EQ(cycleWhileOpen, "14Z");
    EXPECT_EQ(requestsWhileOpen, std::vector<std::string>{kPage});
    EXPECT_EQ(p.reportFiles.files[CurrentReport()], kCurrent);
}

TEST_F(Update, NestingIsBounded) {
    p.server.Route(
        kPage, {{std::string(kCycleMarker) + "14Z<"}, milliseconds(1000), std::nullopt, "", false});
    for (int click = 1; click <= 10; ++click) {
        p.ClickGetMetarAfter(milliseconds(click));
    }
    p.frm.Command1_Click();
    const auto pageRequests =
        std::count(p.server.requests.begin(), p.server.requests.end(), std::string(kPage));
    EXPECT_EQ(pageRequests, 3) << "at most three deep";
    EXPECT_EQ(p.lblStatus.colour, kBlue);
}

TEST_F(Update, AClickWhileCountingDownUpdatesAtOnce) {
    p.frm.Command1_Click();
    p.loop.RunFor(minutes(5));
    EXPECT_EQ(p.frm.MinutesLeft, 10);
    p.frm.Command1_Click();
    EXPECT_EQ(p.server.requests.size(), 6u);
    EXPECT_EQ(p.frm.MinutesLeft, 15);
}

TEST_F(Update, RepeatsEveryFifteenMinutes) {
    p.frm.Command1_Click();
    p.loop.RunFor(minutes(15) + seconds(1));
    EXPECT_EQ(p.server.requests.size(), 6u);
    p.loop.RunFor(minutes(15));
    EXPECT_EQ(p.server.requests.size(), 9u);
}

class CurrentLayout : public ::testing::Test {
  protected:
    static constexpr const char* kCycles = "https://noaa.test/data/observations/metar/cycles/";
    static constexpr const char* kAt1355 = "Mon, 07 Dec 2026 13:55:00 GMT";

    CurrentLayout() { p.text1.text = kFolder; }

    struct Listed {
        const char* name;
        const char* modified;
        const char* size = "2.3M";
    };

    // The folder's index, as NOAA's server lists the files with their times and sizes.
    void List(const std::vector<Listed>& files) {
        std::string index = "<html><body><pre>\n";
        for (const auto& [name, modified, size] : files) {
            index += std::string("<a href=\"") + name + "\">" + name + "</a>  " + modified + "  " +
                     size + "\n";
        }
        p.server.Route(
            kCycles,
            {{index + "</pre></body></html>\n"}, milliseconds(10), std::nullopt, kAt1355, false});
    }

    // A cycle file of one report, observed at `observed` ("2026/12/07 13:44").
    void Serve(const std::string& cycle, const std::string& observed) {
        p.server.Route(kCycles + cycle + ".TXT",
                       {{observed + "\nKJFK 071344Z 31012KT 10SM FEW250 02/M09 A3012\n\n"},
                        milliseconds(10),
                        std::nullopt,
                        kAt1355,
                        false});
    }

    std::vector<std::string> Requested(const std::vector<std::string>& cycles) const {
        std::vector<std::string> urls{kCycles};
        for (const std::string& cycle : cycles) {
            urls.push_back(kCycles + cycle + ".TXT");
        }
        return urls;
    }

    fake::FakePlatform p{{"https://noaa.test", ServerLayout::Current}};
};

TEST_F(CurrentLayout, TakesTheCycleFromTheServersClock) {
    List({{"13Z.TXT", "07-Dec-2026 13:44"}, {"14Z.TXT", "07-Dec-2026 13:52"}});
    Serve("14Z", "2026/12/07 13:52");
    Serve("13Z", "2026/12/07 13:44");
    p.frm.Command1_Click();
    EXPECT_EQ(p.server.requests, Requested({"14Z", "13Z"}));
    EXPECT_EQ(p.lblStatus.colour, kBlue);
    EXPECT_EQ(p.frm.StatusTip().find("not yet published"), std::string::npos);
}

TEST_F(CurrentLayout, AHoursFileNotYetPublishedGivesTheHourBefore) {
    p.loop.SetUtcAtStart(sys_days(year(2026) / 12 / 7) + hours(13) + minutes(55));
    List({{"12Z.TXT", "07-Dec-2026 12:44"}, {"13Z.TXT", "07-Dec-2026 13:44"}});
    Serve("13Z", "2026/12/07 13:44");
    Serve("12Z", "2026/12/07 12:44");
    p.frm.Command1_Click();
    EXPECT_EQ(p.server.requests, Requested({"13Z", "12Z"}));
    EXPECT_EQ(p.lblStatus.colour, kBlue);
    EXPECT_EQ(p.frm.LastOutcome(), UpdateOutcome::Written);
    EXPECT_EQ(p.frm.StatusTip(),
              "Next update in 15 minutes\n"
              "14Z not yet published; used 13Z and 12Z \xC2\xB7 "
              "CurrentMETAR.txt: 13Z, 1 report, newest 13:44 UTC \xC2\xB7 "
              "PreviousMETAR.txt: 12Z, 1 report, newest 12:44 UTC \xC2\xB7 updated 13:55 UTC");
}

TEST_F(CurrentLayout, OldDataIsWrittenAndEndsRedWithItsAge) {
    List({{"14Z.TXT", "07-Dec-2026 13:52"}});
    Serve("14Z", "2026/12/07 08:20");
    Serve("13Z", "2026/12/07 08:10");
    p.frm.Command1_Click();
    EXPECT_EQ(p.reportFiles.files[CurrentReport()].substr(0, 16), "2026/12/07 08:20");
    EXPECT_EQ(p.reportFiles.files[PreviousReport()].substr(0, 16), "2026/12/07 08:10");
    EXPECT_EQ(p.lblStatus.colour, kRed);
    EXPECT_EQ(p.frm.StatusText, "NOAA's newest report is 5 hours old (14Z)");
    EXPECT_EQ(p.frm.LastOutcome(), UpdateOutcome::OldData);
    EXPECT_TRUE(p.timer1.Enabled());
    EXPECT_EQ(p.frm.MinutesLeft, 15);
}

TEST_F(CurrentLayout, AClocksHourFileListedEmptyIsNotYetBegun) {
    List({{"13Z.TXT", "07-Dec-2026 13:51"}, {"14Z.TXT", "07-Dec-2026 13:50", "0"}});
    Serve("13Z", "2026/12/07 13:44");
    Serve("12Z", "2026/12/07 12:44");
    p.frm.Command1_Click();
    EXPECT_EQ(p.server.requests, Requested({"13Z", "12Z"})) << "the empty file is never fetched";
    EXPECT_EQ(p.lblStatus.colour, kBlue);
    EXPECT_EQ(p.frm.LastOutcome(), UpdateOutcome::Written);
}

TEST_F(CurrentLayout, AClocksHourFileFetchedEmptyGivesWayToTheHourBeforeWithoutAnAlarm) {
    const std::string current = CurrentReport();
    p.reportFiles.files[current] = "2026/12/07 13:44\nKJFK 071344Z\n";
    List({{"13Z.TXT", "07-Dec-2026 13:51"}, {"14Z.TXT", "07-Dec-2026 13:50"}});
    p.server.Route(std::string(kCycles) + "14Z.TXT",
                   {{}, milliseconds(10), std::nullopt, kAt1355, false});
    Serve("13Z", "2026/12/07 13:44");
    Serve("12Z", "2026/12/07 12:44");
    p.frm.Command1_Click();
    EXPECT_EQ(p.server.requests, Requested({"14Z", "13Z", "12Z"}));
    EXPECT_EQ(p.reportFiles.files[current], "2026/12/07 13:44\nKJFK 071344Z\n")
        << "a report as new as the hour before stays";
    EXPECT_EQ(p.reportFiles.files[PreviousReport()].substr(0, 16), "2026/12/07 12:44");
    EXPECT_EQ(p.lblStatus.colour, kBlue);
    EXPECT_EQ(p.frm.LastOutcome(), UpdateOutcome::Written);
    EXPECT_EQ(p.frm.StatusTip(),
              "Next update in 15 minutes\n14Z not yet begun\n"
              "PreviousMETAR.txt: 12Z, 1 report, newest 12:44 UTC \xC2\xB7 updated 13:55 UTC");
}

TEST_F(CurrentLayout, AFailedListingLeavesTheCycleToTheClockOfItsResponse) {
    p.server.Route(kCycles, {{"Forbidden"},
                             milliseconds(10),
                             TransferFailure{.kind = TransferFailureKind::HttpStatus,
                                             .systemText = "Forbidden",
                                             .httpStatus = 403},
                             kAt1355,
                             false});
    Serve("14Z", "2026/12/07 13:52");
    Serve("13Z", "2026/12/07 13:44");
    p.frm.Command1_Click();
    EXPECT_EQ(p.server.requests, Requested({"14Z", "13Z"}));
    EXPECT_EQ(p.lblStatus.colour, kBlue);
    EXPECT_EQ(p.frm.LastOutcome(), UpdateOutcome::Written);
    EXPECT_EQ(
        p.frm.StatusTip().rfind("Next update in 15 minutes\nfolder listing not available\n", 0), 0u)
        << p.frm.StatusTip();
}

// Over HTTPS a proxy's refusal came from outside the secure channel: its clock is not NOAA's.
TEST_F(CurrentLayout, AProxysRefusalLeavesTheCycleToThisComputersClock) {
    fake::FakeResponse refusal = Failure({.kind = TransferFailureKind::ProxyRefused});
    refusal.date = "Mon, 07 Dec 2026 12:55:00 GMT";
    refusal.fromProxy = true;
    p.server.Route(kCycles, refusal);
    Serve("14Z", "2026/12/07 13:52");
    Serve("13Z", "2026/12/07 13:44");
    p.frm.Command1_Click();
    EXPECT_EQ(p.server.requests, Requested({"14Z", "13Z"}));
}

TEST_F(CurrentLayout, AListingThatNeverEndsLeavesTheCycleToThisComputersClock) {
    p.server.Route(kCycles, Stall());
    Serve("14Z", "2026/12/07 14:05");
    Serve("13Z", "2026/12/07 13:44");
    p.frm.Command1_Click();
    EXPECT_EQ(p.http1.cancels(), 1);
    EXPECT_EQ(p.server.requests, Requested({"14Z", "13Z"}));  // 14:06:30 by this computer
    EXPECT_EQ(p.lblStatus.colour, kBlue);
    EXPECT_EQ(p.frm.LastOutcome(), UpdateOutcome::Written);
}

TEST_F(CurrentLayout, OldDataOutranksANote) {
    p.server.Route(kCycles, Failure(kNotFound));  // no Date: this computer's clock, 14:05
    Serve("14Z", "2026/12/07 08:20");
    Serve("13Z", "2026/12/07 08:10");
    p.frm.Command1_Click();
    EXPECT_EQ(p.frm.LastOutcome(), UpdateOutcome::OldData);
    p.loop.RunFor(minutes(1));
    EXPECT_EQ(p.frm.StatusTip().rfind(
                  "Next update in 14 minutes\nNOAA's newest report is 5 hours old (14Z)\n", 0),
              0u)
        << p.frm.StatusTip();
}

TEST_F(CurrentLayout, WithoutADateHeaderUsesThisComputersClock) {
    p.loop.SetUtcAtStart(sys_days(year(2026) / 12 / 7) + hours(23) + minutes(55));
    p.server.Route(kCycles, Body("index"));
    p.server.Route(std::string(kCycles) + "00Z.TXT", Body(kCurrent));
    p.frm.Command1_Click();
    ASSERT_EQ(p.server.requests.size(), 3u);
    EXPECT_EQ(p.server.requests[1], std::string(kCycles) + "00Z.TXT");
    EXPECT_EQ(p.server.requests[2], std::string(kCycles) + "23Z.TXT");
    EXPECT_NE(p.frm.StatusText.find("https://noaa.test (current layout)"), std::string::npos);
}

// A click during an update, the listing refused: each file's answers to the waiting update and to
// the click's ('F' fine, 'S' fine but slow, 'E' empty, 'X' HTTP 500), and the hour of the report
// each file holds after it (0: the file as it was).
struct NestingCase {
    const char* name;
    int startSecond;  // after 14:44; the clock turns to 15Z at 14:50
    const char *to15Z, *to14Z, *to13Z;
    int current, previous;
    std::uint32_t colour;
};

// The one report of a cycle file: hh:45 of the hour before.
std::string ReportAt(int hour) {
    return "2026/12/07 " + std::to_string(hour) + ":45\nKJFK 07" + std::to_string(hour) + "45Z\n\n";
}

class Nesting : public CurrentLayout, public ::testing::WithParamInterface<NestingCase> {};

TEST_P(Nesting, TheClicksUpdateDecidesTheCycleForBoth) {
    const NestingCase& c = GetParam();
    p.reportFiles.files = {{CurrentReport(), "OLD CURRENT"}, {PreviousReport(), "OLD PREVIOUS"}};
    p.loop.SetUtcAtStart(sys_days(year(2026) / 12 / 7) + hours(14) + minutes(44) +
                         seconds(c.startSecond));
    const std::map<std::string, std::string> answers{
        {"15Z", c.to15Z}, {"14Z", c.to14Z}, {"13Z", c.to13Z}};
    std::map<std::string, int> asked;
    p.server.answer = [&](const std::string& url) -> std::optional<fake::FakeResponse> {
        if (url == kCycles) {
            return Failure({.kind = TransferFailureKind::HttpStatus, .httpStatus = 403});
        }
        const std::string cycle = url.substr(url.size() - 7, 3);
        const char answer = answers.at(cycle).at(asked[cycle]++);
        if (answer == 'X') {
            return Failure({.kind = TransferFailureKind::HttpStatus, .httpStatus = 500});
        }
        return fake::FakeResponse{{answer == 'E' ? "" : ReportAt(std::stoi(cycle) - 1)},
                                  answer == 'S' ? seconds(2) : milliseconds(10),
                                  std::nullopt,
                                  "",
                                  false};
    };
    p.ClickGetMetarAfter(milliseconds(1500));
    p.frm.Command1_Click();
    EXPECT_EQ(p.reportFiles.files[CurrentReport()],
              c.current ? ReportAt(c.current) : "OLD CURRENT");
    EXPECT_EQ(p.reportFiles.files[PreviousReport()],
              c.previous ? ReportAt(c.previous) : "OLD PREVIOUS");
    EXPECT_EQ(p.lblStatus.colour, c.colour) << p.frm.StatusTip();
}

INSTANTIATE_TEST_SUITE_P(
    Table, Nesting,
    ::testing::Values(NestingCase{"SameCycleAndFine", 480, "SF", "SF", "", 14, 13, kBlue},
                      NestingCase{"ItsHourNotYetBegunAndTheClicksFailed", 480, "EX", "SF", "F", 13,
                                  12, kBlue},
                      NestingCase{"TheClicksOwnHourTurned", 480, "SE", "FF", "F", 13, 12, kBlue},
                      NestingCase{"TheHourTurnedBetweenThemAndItsHourBeforeFailed", 359, "F", "SX",
                                  "F", 14, 0, kRed},
                      NestingCase{"TheHourTurnedBetweenThemAndItHeldTheHourBefore", 359, "F", "FX",
                                  "S", 14, 13, kBlue}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace nimbrel
