#include "retrieval/metar_cache_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "retrieval/report_times.h"
#include "tests/unit/gzip_body.h"

namespace nimbrel {
namespace {

using namespace std::chrono;

constexpr const char* kPreamble =
    "No errors\nNo warnings\n16 ms\ndata source=metars\n4812 results\n";
constexpr const char* kHeader =
    "raw_text,station_id,observation_time,latitude,longitude,temp_c,metar_type\n";
const system_clock::time_point k14Z = sys_days(year(2026) / December / 7) + hours(13) + minutes(45);

// A row of the cache file, with the columns after the three that count.
std::string Row(const std::string& rawText, const std::string& station, const std::string& time) {
    return rawText + "," + station + "," + time + ",40.64,-73.76,-2.0,METAR\n";
}

std::string Jfk(const std::string& time) {
    return Row("KJFK 071352Z 31012KT 10SM FEW250 M02/M14 A3028", "KJFK", time);
}

struct ConversionCase {
    const char* name;
    std::string body;
    std::string current;
    std::string previous = "";
    std::size_t usableRows = 1;
    system_clock::time_point cycleStart = k14Z;
};

class CacheFileConversion : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(CacheFileConversion, WritesEachCyclesReportsAsNoaaDoes) {
    const ConversionCase& c = GetParam();
    for (const std::string& body : {c.body, Gzip(c.body)}) {
        const auto result = CyclesFromCacheFile(body, c.cycleStart);
        ASSERT_TRUE(std::holds_alternative<CacheFileCycles>(result))
            << std::get<std::string>(result);
        const auto& cycles = std::get<CacheFileCycles>(result);
        EXPECT_EQ(cycles.current, c.current);
        EXPECT_EQ(cycles.previous, c.previous);
        EXPECT_EQ(cycles.usableRows, c.usableRows);
        // Every record reads back as a dated report.
        for (const std::string* file : {&cycles.current, &cycles.previous}) {
            EXPECT_EQ(ReadReportTimes(*file).count,
                      static_cast<std::size_t>(std::count(file->begin(), file->end(), '\n') / 3));
        }
    }
}

const std::string kJfkRecord =
    "2026/12/07 13:52\nKJFK 071352Z 31012KT 10SM FEW250 M02/M14 A3028\n\n";

INSTANTIATE_TEST_SUITE_P(
    Table, CacheFileConversion,
    ::testing::Values(
        ConversionCase{"NoPreamble", kHeader + Jfk("2026-12-07T13:52:00Z"), kJfkRecord},
        ConversionCase{"Preamble", kPreamble + std::string(kHeader) + Jfk("2026-12-07T13:52:00Z"),
                       kJfkRecord},
        ConversionCase{"ByteOrderMarkBeforeTheHeader",
                       "\xEF\xBB\xBF" + std::string(kHeader) + Jfk("2026-12-07T13:52:00Z"),
                       kJfkRecord},
        ConversionCase{"Milliseconds", kHeader + Jfk("2026-12-07T13:52:00.000Z"), kJfkRecord},
        ConversionCase{
            "CrlfLineEnds",
            "No errors\r\nraw_text,station_id,observation_time\r\n"
            "KJFK 071352Z 31012KT 10SM FEW250 M02/M14 A3028,KJFK,2026-12-07T13:52:00Z\r\n",
            kJfkRecord},
        ConversionCase{"QuotedFieldsWithCommasInAnyColumnOrder",
                       "\"station_id\",\"observation_time\",\"raw_text\"\n"
                       "\"EGLL\",\"2026-12-07T13:50:00Z\",\"EGLL 071350Z RMK A,B \"\"Q\"\"\"\n",
                       "2026/12/07 13:50\nEGLL 071350Z RMK A,B \"Q\"\n\n"},
        ConversionCase{"LineBreaksInAReportBecomeSpaces",
                       kHeader + Row("\"EGLL 071350Z\n\n2026/12/07 13:50\r\n  24008KT\"", "EGLL",
                                     "2026-12-07T13:50:00Z"),
                       "2026/12/07 13:50\nEGLL 071350Z 2026/12/07 13:50 24008KT\n\n"},
        ConversionCase{"MetarAndSpeciWordsDropped",
                       kHeader + Row("METAR KJFK 071352Z 31012KT", "KJFK", "2026-12-07T13:52:00Z") +
                           Row("SPECI EGLL 071355Z 24008KT", "EGLL", "2026-12-07T13:55:00Z"),
                       "2026/12/07 13:52\nKJFK 071352Z 31012KT\n\n"
                       "2026/12/07 13:55\nEGLL 071355Z 24008KT\n\n",
                       "", 2},
        ConversionCase{"CycleEdges",
                       kHeader + Row("KAAA 071244Z", "KAAA", "2026-12-07T12:44:59Z") +
                           Row("KBBB 071245Z", "KBBB", "2026-12-07T12:45:00Z") +
                           Row("KCCC 071344Z", "KCCC", "2026-12-07T13:44:59.999Z") +
                           Row("KDDD 071345Z", "KDDD", "2026-12-07T13:45:00Z") +
                           Row("KEEE 071444Z", "KEEE", "2026-12-07T14:44:00Z") +
                           Row("KFFF 071452Z", "KFFF", "2026-12-07T14:52:00Z"),
                       "2026/12/07 13:45\nKDDD 071345Z\n\n2026/12/07 14:44\nKEEE 071444Z\n\n"
                       "2026/12/07 14:52\nKFFF 071452Z\n\n",
                       "2026/12/07 12:45\nKBBB 071245Z\n\n2026/12/07 13:44\nKCCC 071344Z\n\n", 6},
        ConversionCase{"TurnOfTheYear",
                       kHeader + Row("KJFK 010005Z", "KJFK", "2027-01-01T00:05:00Z") +
                           Row("KJFK 312330Z", "KJFK", "2026-12-31T23:30:00Z"),
                       "2027/01/01 00:05\nKJFK 010005Z\n\n", "2026/12/31 23:30\nKJFK 312330Z\n\n",
                       2, sys_days(year(2026) / December / 31) + hours(23) + minutes(45)},
        ConversionCase{"SortedByTimeAndNoneTwice",
                       kHeader + Row("KBBB 071355Z", "KBBB", "2026-12-07T13:55:00Z") +
                           Row("KAAA 071350Z", "KAAA", "2026-12-07T13:50:00Z") +
                           Row("KBBB 071355Z", "KBBB", "2026-12-07T13:55:00.000Z") +
                           Row("KBBB 071356Z", "KBBB", "2026-12-07T13:55:00Z"),
                       "2026/12/07 13:50\nKAAA 071350Z\n\n2026/12/07 13:55\nKBBB 071355Z\n\n"
                       "2026/12/07 13:55\nKBBB 071356Z\n\n",
                       "", 4},
        ConversionCase{"UnusableRowsSkipped",
                       kHeader + Jfk("2026-12-07 13:52:00Z") + Jfk("2026-12-07T13:52Z") +
                           Jfk("2026-02-30T13:52:00Z") + Jfk("2026-12-07T13:52:00.Z") +
                           Jfk("2026-12-07T13:52:00+00:00") + Jfk("") +
                           Row("KLGA 071351Z 31012KT", "KJFK", "2026-12-07T13:51:00Z") +
                           Row("KJFKX 071351Z 31012KT", "KJFK", "2026-12-07T13:51:00Z") +
                           Row("METAR", "KJFK", "2026-12-07T13:51:00Z") +
                           Row("", "", "2026-12-07T13:51:00Z") +
                           Row("2026/12/07 13:51", "2026/12/07", "2026-12-07T13:51:00Z") +
                           "KJFK 071351Z,KJFK\n" + Jfk("2026-12-07T13:52:00Z"),
                       kJfkRecord},
        ConversionCase{"ReportsOlderThanThePreviousCycleLeftOut",
                       kHeader + Row("KAAA 071200Z", "KAAA", "2026-12-07T12:00:00Z") +
                           Jfk("2026-12-07T13:52:00Z"),
                       kJfkRecord, "", 2}),
    [](const ::testing::TestParamInfo<ConversionCase>& info) { return info.param.name; });

struct RefusalCase {
    const char* name;
    std::string body;
    std::string reason;
};

class CacheFileRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(CacheFileRefusal, SaysWhyTheFileCannotBeUsed) {
    const auto result = CyclesFromCacheFile(GetParam().body, k14Z);
    ASSERT_TRUE(std::holds_alternative<std::string>(result));
    EXPECT_EQ(std::get<std::string>(result), GetParam().reason);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CacheFileRefusal,
    ::testing::Values(
        RefusalCase{"Empty", "", "an empty file"},
        RefusalCase{"EmptyGzip", Gzip(""), "a file without a usable report"},
        RefusalCase{"HeaderOnly", kPreamble + std::string(kHeader),
                    "a file without a usable report"},
        RefusalCase{"NoHeader", std::string(kPreamble) + Jfk("2026-12-07T13:52:00Z"),
                    "a file without a usable report"},
        RefusalCase{"HtmlPage", "<html><body>Service Unavailable</body></html>",
                    "a file without a usable report"},
        RefusalCase{"OnlyUnusableRows", kHeader + Jfk("yesterday"),
                    "a file without a usable report"},
        RefusalCase{"NothingSinceThePreviousCycle", kHeader + Jfk("2026-12-07T12:44:00Z"),
                    "a file without a report since 12:45 UTC"},
        RefusalCase{"DamagedGzip", "\x1F\x8B\x08\x00 not deflate at all", "a damaged gzip file"},
        RefusalCase{"TruncatedGzip", Gzip(kHeader + Jfk("2026-12-07T13:52:00Z")).substr(0, 40),
                    "a damaged gzip file"}),
    [](const ::testing::TestParamInfo<RefusalCase>& info) { return info.param.name; });

// Made as the test runs: a table's rows are made in every test process.
TEST(CacheFileOverTheLimit, IsRefusedPlainOrGzip) {
    const std::string tooLarge(kMaxCacheFileBytes + 1, ' ');
    for (const std::string& body : {tooLarge, Gzip(tooLarge)}) {
        const auto result = CyclesFromCacheFile(body, k14Z);
        ASSERT_TRUE(std::holds_alternative<std::string>(result));
        EXPECT_EQ(std::get<std::string>(result), "a file of more than 16 MiB");
    }
}

struct CycleStartCase {
    const char* cycle;
    sys_seconds now;
    std::optional<sys_seconds> start;
};

class CycleStartTable : public ::testing::TestWithParam<CycleStartCase> {};

TEST_P(CycleStartTable, IsTheLatestQuarterToTheHourBeforeTheCycle) {
    const auto start = CycleStart(GetParam().cycle, GetParam().now);
    EXPECT_EQ(start.has_value(), GetParam().start.has_value());
    if (start && GetParam().start) {
        EXPECT_EQ(*start, system_clock::time_point(*GetParam().start));
    }
}

constexpr sys_days kDec7 = year(2026) / December / 7;
constexpr sys_days kDec8 = year(2026) / December / 8;

INSTANTIATE_TEST_SUITE_P(
    Table, CycleStartTable,
    ::testing::Values(
        CycleStartCase{"14Z", kDec7 + hours(14) + minutes(50), kDec7 + hours(13) + minutes(45)},
        CycleStartCase{"14Z", kDec7 + hours(13) + minutes(40), kDec7 + hours(13) + minutes(45)},
        CycleStartCase{"13Z", kDec7 + hours(14) + minutes(50), kDec7 + hours(12) + minutes(45)},
        CycleStartCase{"00Z", kDec7 + hours(23) + minutes(50), kDec7 + hours(23) + minutes(45)},
        CycleStartCase{"00Z", kDec8 + minutes(30), kDec7 + hours(23) + minutes(45)},
        CycleStartCase{"23Z", kDec8 + minutes(30), kDec7 + hours(22) + minutes(45)},
        CycleStartCase{"24Z", kDec7 + hours(14), std::nullopt},
        CycleStartCase{"14", kDec7 + hours(14), std::nullopt},
        CycleStartCase{"14Z UTC", kDec7 + hours(14), std::nullopt},
        CycleStartCase{"", kDec7 + hours(14), std::nullopt}));

}  // namespace
}  // namespace nimbrel
