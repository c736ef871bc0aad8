// When NOAA's cycle files cannot be had, the reports come from the second source: asked once, as
// soon as NOAA's verdict calls for it, judged like NOAA's, and said where they came from.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/console_log.h"
#include "retrieval/zulu_cycle.h"
#include "tests/fake/fake_platform.h"
#include "tests/fake/recording_output.h"

namespace nimbrel {
namespace {

using namespace std::chrono;

constexpr const char* kPage = "http://noaa.test/weather/metar.shtml";
constexpr const char* kCycles = "http://noaa.test/pub/data/observations/metar/cycles/";
constexpr const char* kCache = "https://cache.test/data/cache/metars.cache.csv.gz";
constexpr const char* kCurrentReport = "C:\\Fly!\\METAR\\CurrentMETAR.txt";
constexpr const char* kPreviousReport = "C:\\Fly!\\METAR\\PreviousMETAR.txt";

const std::string kNoaa14Z = "2026/12/07 14:40\nKJFK 071440Z 31012KT 10SM FEW250 02/M09 A3012\n\n";
const std::string kNoaa13Z = "2026/12/07 13:40\nKJFK 071340Z 30010KT 10SM CLR 01/M10 A3015\n\n";

// As the Aviation Weather Center writes it: a preamble, then the header and a row a station.
const std::string kCacheFile =
    "No errors\nNo warnings\n5 ms\ndata source=metars\n3 results\n"
    "raw_text,station_id,observation_time,latitude,longitude\n"
    "METAR KJFK 071451Z 31012KT 10SM FEW250 02/M09 A3012,KJFK,2026-12-07T14:51:00Z,40.6,-73.7\n"
    "KBOS 071354Z 27008KT 10SM CLR 01/M11 A3020,KBOS,2026-12-07T13:54:00.000Z,42.3,-71.0\n"
    "SPECI EGLL 071320Z 24015KT 9999 BKN012 09/07 Q1002,EGLL,2026-12-07T13:20:00Z,51.4,-0.4\n";

const std::string kCacheCurrent =
    "2026/12/07 13:54\nKBOS 071354Z 27008KT 10SM CLR 01/M11 A3020\n\n"
    "2026/12/07 14:51\nKJFK 071451Z 31012KT 10SM FEW250 02/M09 A3012\n\n";
const std::string kCachePrevious =
    "2026/12/07 13:20\nEGLL 071320Z 24015KT 9999 BKN012 09/07 Q1002\n\n";

fake::FakeResponse Serves(const std::string& body) {
    return {{body}, milliseconds(10), std::nullopt, "", false};
}

fake::FakeResponse Fails(int status) {
    return {{},
            milliseconds(10),
            TransferFailure{.kind = TransferFailureKind::HttpStatus, .httpStatus = status},
            "",
            false};
}

using fake::RecordingOutput;

// A classic-layout NOAA naming 14Z at 14:52, with a second source beside it.
class SecondSource : public ::testing::Test {
  protected:
    SecondSource() {
        p.loop.SetUtcAtStart(sys_days(year(2026) / 12 / 7) + hours(14) + minutes(52));
        p.server.Route(kPage, Serves(std::string(kCycleMarker) + "14Z</FONT>"));
        p.server.Route(std::string(kCycles) + "14Z.TXT", Serves(kNoaa14Z));
        p.server.Route(std::string(kCycles) + "13Z.TXT", Serves(kNoaa13Z));
        p.server.Route(kCache, Serves(kCacheFile));
    }

    void NoaaFails() {
        p.server.Route(std::string(kCycles) + "14Z.TXT", Fails(500));
        p.server.Route(std::string(kCycles) + "13Z.TXT", Fails(500));
    }
    long CacheRequests() const {
        return std::count(p.server.requests.begin(), p.server.requests.end(), kCache);
    }

    fake::FakePlatform p{{"http://noaa.test", ServerLayout::Classic},
                         {"C:\\Fly!\\METAR\\", 15, false, false, kCache}};
};

TEST_F(SecondSource, WritesBothReportsWhenNoaaFailsAndSaysWhereTheyCameFrom) {
    NoaaFails();
    RecordingOutput progress;
    RecordingOutput failures;
    ConsoleLog log{progress, failures, p.loop};
    EXPECT_EQ(p.frm.RunOnce(log), 0);
    EXPECT_EQ(CacheRequests(), 1) << "asked once, for both reports";
    EXPECT_EQ(p.reportFiles.files[kCurrentReport], kCacheCurrent);
    EXPECT_EQ(p.reportFiles.files[kPreviousReport], kCachePrevious);
    EXPECT_EQ(p.lblStatus.colour, kBlue);
    ASSERT_FALSE(progress.lines.empty());
    EXPECT_NE(progress.lines.back().find(
                  "CurrentMETAR.txt: 14Z from cache.test, 2 reports, newest 14:51 UTC (NOAA: "
                  "HTTP 500)"),
              std::string::npos)
        << progress.lines.back();
}

TEST_F(SecondSource, NamesBothFailuresWhenItFailsToo) {
    NoaaFails();
    p.server.Route(kCache, Fails(503));
    p.reportFiles.files[kCurrentReport] = "old current";
    p.frm.Command1_Click();
    EXPECT_EQ(p.frm.LastOutcome(), UpdateOutcome::Failed);
    EXPECT_EQ(p.frm.StatusText,
              "HTTP 500 [http://noaa.test (classic layout)]; cache.test: HTTP 503");
    EXPECT_EQ(p.reportFiles.files[kCurrentReport], "old current");
}

TEST_F(SecondSource, IsNeverAskedWhileNoaaAnswers) {
    p.frm.Command1_Click();
    EXPECT_EQ(CacheRequests(), 0);
    EXPECT_EQ(p.reportFiles.files[kCurrentReport], kNoaa14Z);
}

TEST_F(SecondSource, TakesTheRefusedReportOnlyAndAsksBeforeTheOtherTransferEnds) {
    p.server.Route(std::string(kCycles) + "14Z.TXT", Serves("<html>Portal</html>"));
    p.server.Route(std::string(kCycles) + "13Z.TXT",
                   {{kNoaa13Z}, seconds(30), std::nullopt, "", false});
    p.frm.Command1_Click();
    EXPECT_EQ(p.server.requests.at(3), kCache) << "asked while 13Z was still on its way";
    EXPECT_EQ(p.reportFiles.files[kCurrentReport], kCacheCurrent);
    EXPECT_EQ(p.reportFiles.files[kPreviousReport], kNoaa13Z);
    EXPECT_EQ(p.frm.LastOutcome(), UpdateOutcome::Written) << p.frm.StatusTip();
}

TEST_F(SecondSource, ReplacesStuckOldReportsWhereItsAreNewer) {
    p.server.Route(std::string(kCycles) + "14Z.TXT",
                   Serves("2026/12/07 08:20\nKJFK 070820Z 31012KT\n\n"));
    p.frm.Command1_Click();
    EXPECT_EQ(CacheRequests(), 1);
    EXPECT_EQ(p.reportFiles.files[kCurrentReport], kCacheCurrent);
    EXPECT_EQ(p.reportFiles.files[kPreviousReport], kNoaa13Z) << "NOAA's 13:40 is the newer";
    EXPECT_EQ(p.frm.LastOutcome(), UpdateOutcome::Written) << p.frm.StatusTip();
}

// NOAA's 13Z with its newest report at 13:MM.
std::string Noaa13ZAt(int minute) {
    return "2026/12/07 13:" + std::to_string(minute) + "\nKJFK 0713" + std::to_string(minute) +
           "Z 30010KT 10SM CLR 01/M10 A3015\n\n";
}

struct SliceCase {
    const char* name;
    bool noaaFails;              // NOAA's 13Z answers 500; else its 14Z is hours old
    int minute;                  // the newest of the folder's 13Z, or of NOAA's, at 13:MM
    const char* keptBecause;     // empty: the cache's 13Z slice (newest 13:20) replaces it
    bool previousFirst = false;  // NOAA's 13Z arrives, and is written, before its 14Z
};

class ACachesSlice : public SecondSource, public ::testing::WithParamInterface<SliceCase> {};

TEST_P(ACachesSlice, ReplacesAReportOnlyWhereNewer) {
    const std::string other13Z = Noaa13ZAt(GetParam().minute);
    if (GetParam().noaaFails) {
        p.server.Route(std::string(kCycles) + "13Z.TXT", Fails(500));
        p.reportFiles.files[kPreviousReport] = other13Z;
    } else {
        fake::FakeResponse stuck = Serves("2026/12/07 08:20\nKJFK\n\n");
        stuck.delay = GetParam().previousFirst ? seconds(1) : stuck.delay;
        p.server.Route(std::string(kCycles) + "14Z.TXT", stuck);
        p.server.Route(std::string(kCycles) + "13Z.TXT", Serves(other13Z));
    }
    p.frm.Command1_Click();
    const std::string kept = GetParam().keptBecause;
    EXPECT_EQ(p.reportFiles.files[kPreviousReport], kept.empty() ? kCachePrevious : other13Z);
    if (GetParam().noaaFails && !kept.empty()) {
        EXPECT_EQ(p.frm.StatusText, "HTTP 500 [http://noaa.test (classic layout)]; cache.test " +
                                        kept +
                                        " 13Z (newest 13:20 UTC) than the report in the "
                                        "folder (13:" +
                                        std::to_string(GetParam().minute) + " UTC); kept");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ACachesSlice,
    ::testing::Values(SliceCase{"OlderThanTheFolders", true, 44, "sent an older"},
                      SliceCase{"AsNewAsTheFolders", true, 20, "sent no newer"},
                      SliceCase{"NewerThanTheFolders", true, 10, ""},
                      SliceCase{"OlderThanStuckNoaas", false, 44, "kept"},
                      SliceCase{"AsNewAsStuckNoaas", false, 20, "kept"},
                      SliceCase{"NewerThanStuckNoaas", false, 10, ""},
                      SliceCase{"OlderThanStuckNoaasWrittenFirst", false, 44, "kept", true},
                      SliceCase{"NewerThanStuckNoaasWrittenFirst", false, 10, "", true}),
    [](const auto& info) { return std::string(info.param.name); });

struct NotCalledForCase {
    const char* name;
    std::string onDisk;  // CurrentMETAR.txt
    bool readOnly;
};

class NotCalledFor : public SecondSource, public ::testing::WithParamInterface<NotCalledForCase> {};

TEST_P(NotCalledFor, IsNotAsked) {
    p.reportFiles.files[kCurrentReport] = GetParam().onDisk;
    if (GetParam().readOnly) {
        p.reportFiles.failures[kCurrentReport] = {ReportWriteFailureKind::ReadOnly, ""};
    }
    p.frm.Command1_Click();
    EXPECT_EQ(CacheRequests(), 0);
    EXPECT_EQ(p.reportFiles.files[kCurrentReport], GetParam().onDisk);
    EXPECT_EQ(p.frm.LastOutcome(), UpdateOutcome::Failed);
}

INSTANTIATE_TEST_SUITE_P(
    Verdicts, NotCalledFor,
    ::testing::Values(NotCalledForCase{"Older", "2026/12/07 14:45\nKJFK 071445Z\n", false},
                      NotCalledForCase{"AFailedWrite", "old current", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SecondSource, AsksForAChangedCopyOnlyWhenBothReportsCameFromIt) {
    NoaaFails();
    fake::FakeResponse cache = Serves(kCacheFile);
    cache.etag = "\"cache-1\"";
    p.server.Route(kCache, cache);
    p.frm.Command1_Click();
    p.frm.Command1_Click();
    ASSERT_EQ(p.server.conditions.size(), 8u);
    EXPECT_EQ(p.server.conditions.back().ifNoneMatch, "\"cache-1\"");
    EXPECT_EQ(p.reportFiles.writes, 2) << "the unchanged copy is not written again";
    EXPECT_EQ(p.frm.LastOutcome(), UpdateOutcome::Written) << p.frm.StatusTip();

    p.reportFiles.Touch(kPreviousReport, kNoaa13Z);  // no longer as the copy wrote it
    p.frm.Command1_Click();
    EXPECT_EQ(p.server.conditions.back().ifNoneMatch, "");
}

TEST_F(SecondSource, ThatNeverAnswersLetsARunWithoutAWindowEndInItsLimit) {
    NoaaFails();
    fake::FakeResponse stalled = Serves("raw_text");
    stalled.stall = true;
    p.server.Route(kCache, stalled);
    RecordingOutput progress;
    RecordingOutput failures;
    ConsoleLog log{progress, failures, p.loop};
    EXPECT_EQ(p.frm.RunOnce(log), 1);
    EXPECT_EQ(p.loop.Now(), minutes(5));
}

}  // namespace
}  // namespace nimbrel
