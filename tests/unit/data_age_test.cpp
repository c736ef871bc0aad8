#include <gtest/gtest.h>

#include <chrono>

#include "app/data_age.h"
#include "retrieval/report_times.h"

namespace nimbrel {
namespace {

using namespace std::chrono;

system_clock::time_point Utc(int day, int hour, int minute, int second = 0) {
    return sys_days(year(2026) / 12 / day) + hours(hour) + minutes(minute) + seconds(second);
}

// A date line after a line of each length from 0 to 15, so that its line end falls at every
// place in a word of eight bytes.
std::string DateLinesAtEveryAlignment() {
    std::string file;
    for (int length = 0; length < 16; ++length) {
        file += std::string(static_cast<std::size_t>(length), length % 2 ? '\x8a' : '\x0b') +
                "\n2026/12/07 14:" + (length < 10 ? "0" : "") + std::to_string(length) + "\n";
    }
    return file;
}

struct TimesCase {
    const char* name;
    std::string file;
    std::size_t count;
    std::optional<system_clock::time_point> newest;
};

class ReportTimesOfAFile : public ::testing::TestWithParam<TimesCase> {};

TEST_P(ReportTimesOfAFile, CountsTheDateLinesAndFindsTheNewest) {
    const ReportTimes times = ReadReportTimes(GetParam().file);
    EXPECT_EQ(times.count, GetParam().count);
    EXPECT_EQ(times.newest, GetParam().newest);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReportTimesOfAFile,
    ::testing::Values(
        TimesCase{"Empty", "", 0, std::nullopt},
        TimesCase{"OutOfOrder",
                  "2026/12/07 13:47\nKJFK 071347Z 31012KT\n\n2026/12/07 14:52\nKBOS 071452Z "
                  "CLR\n\n2026/12/07 14:05\nEGLL 071405Z 9999\n\n",
                  3, Utc(7, 14, 52)},
        TimesCase{"CrLfAndNoLastLineEnd", "2026/12/07 14:00\r\nKJFK\r\n\r\n2026/12/07 14:10", 2,
                  Utc(7, 14, 10)},
        TimesCase{"NotDateLines",
                  "\x8b"
                  "2026/12/07 14:00\n2026/13/07 14:00\n2026/12/07 24:00\n 2026/12/07 14:00\n"
                  "2026/12/07 14:00 Z\n"
                  "2026-12-07 14:00\n2026/12/7 14:00\nKJFK 071351Z 2026/12/07 14:00\n",
                  0, std::nullopt},
        TimesCase{"LineEndsAtEveryAlignment", DateLinesAtEveryAlignment(), 16, Utc(7, 14, 15)},
        TimesCase{"BeyondTheSystemClock", "2426/12/07 13:52\nKJFK\n\n2026/12/07 13:55\n", 1,
                  Utc(7, 13, 55)}),
    [](const auto& info) { return std::string(info.param.name); });

WrittenReport Report(const char* cycle, std::size_t count,
                     std::optional<system_clock::time_point> newest) {
    WrittenReport report;
    report.cycle = cycle;
    report.times = {count, newest};
    return report;
}

struct AgeCase {
    const char* name;
    system_clock::time_point serverNow;
    const char* text;
};

class OldData : public ::testing::TestWithParam<AgeCase> {};

// The newest report is from 11:00.
TEST_P(OldData, IsMoreThanThreeHoursBehindTheServersClock) {
    EXPECT_EQ(OldDataText(Report("14Z", 10, Utc(7, 11, 0)), GetParam().serverNow), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Table, OldData,
                         ::testing::Values(AgeCase{"ThreeHours", Utc(7, 14, 0), ""},
                                           AgeCase{"ASecondMore", Utc(7, 14, 0, 1),
                                                   "NOAA's newest report is 3 hours old (14Z)"},
                                           AgeCase{"FiveAndAHalf", Utc(7, 16, 30),
                                                   "NOAA's newest report is 5 hours old (14Z)"},
                                           AgeCase{"AheadOfTheServer", Utc(7, 10, 0), ""}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(OldData, CountsCenturiesToo) {
    const auto newest = sys_days(year(1700) / 1 / 1);
    EXPECT_EQ(OldDataText(Report("14Z", 1, newest), Utc(7, 14, 0)),
              "NOAA's newest report is 2865830 hours old (14Z)");
}

TEST(OldData, IsNotJudgedWithoutABelievedTime) {
    // Every report time was too far ahead to believe: nothing says the data is old.
    EXPECT_EQ(OldDataText(Report("14Z", 3, std::nullopt), Utc(7, 14, 0)), "");
}

TEST(ReportTimesOfAFile, BelieveATimeAfterTheLimitOnlyWhereThreeReportsReachIt) {
    const std::string file = "2026/12/07 13:47\nA\n\n2026/12/09 00:00\nB\n\n2026/12/07 16:00\nC\n";
    const ReportTimes times = ReadReportTimes(file, Utc(7, 16, 0));
    EXPECT_EQ(times.count, 3u);
    EXPECT_EQ(times.newest, Utc(7, 16, 0));
    EXPECT_EQ(times.ignored, 1u);
    const ReportTimes agreed = ReadReportTimes(file, Utc(7, 12, 0));
    EXPECT_EQ(agreed.newest, Utc(7, 13, 47));
    EXPECT_EQ(agreed.ignored, 2u);
    const ReportTimes fewer = ReadReportTimes(file.substr(file.find("2026/12/09")), Utc(7, 12, 0));
    EXPECT_EQ(fewer.newest, std::nullopt);
    EXPECT_EQ(fewer.ignored, 2u);
}

TEST(DataSummary, NamesEachReportsCycleCountAndNewestTime) {
    const std::string dot = " \xC2\xB7 ";
    const auto current = Report("14Z", 2341, Utc(7, 14, 52));
    const auto previous = Report("13Z", 4123, Utc(7, 13, 44));
    EXPECT_EQ(SummarizeReports(current, previous, Utc(7, 14, 53, 30), Utc(7, 14, 53)),
              "CurrentMETAR.txt: 14Z, 2,341 reports, newest 14:52 UTC" + dot +
                  "PreviousMETAR.txt: 13Z, 4,123 reports, newest 13:44 UTC" + dot +
                  "updated 14:53 UTC");

    // Reports not of the server's day say which day they are of.
    auto passedOver = Report("13Z", 1, Utc(7, 13, 5));
    passedOver.passedOver = "14Z";
    EXPECT_EQ(
        SummarizeReports(passedOver, Report("12Z", 1, Utc(7, 12, 5)), Utc(8, 0, 1), Utc(8, 0, 1)),
        "14Z not yet published; used 13Z and 12Z" + dot +
            "CurrentMETAR.txt: 13Z, 1 report, newest 13:05 UTC on 7 Dec" + dot +
            "PreviousMETAR.txt: 12Z, 1 report, newest 12:05 UTC on 7 Dec" + dot +
            "updated 00:01 UTC");
    // The previous file still holds an older hour after a failure: only what is true is said.
    EXPECT_EQ(
        SummarizeReports(passedOver, Report("11Z", 1, Utc(7, 11, 5)), Utc(7, 14, 0), Utc(7, 14, 0)),
        "14Z not yet published; used 13Z" + dot +
            "CurrentMETAR.txt: 13Z, 1 report, newest 13:05 UTC" + dot +
            "PreviousMETAR.txt: 11Z, 1 report, newest 11:05 UTC" + dot + "updated 14:00 UTC");
    EXPECT_EQ(
        SummarizeReports(std::nullopt, Report("23Z", 0, std::nullopt), Utc(8, 0, 1), Utc(8, 0, 1)),
        "PreviousMETAR.txt: 23Z, no reports" + dot + "updated 00:01 UTC");
    EXPECT_EQ(
        SummarizeReports(std::nullopt, Report("23Z", 2, std::nullopt), Utc(8, 0, 1), Utc(8, 0, 1)),
        "PreviousMETAR.txt: 23Z, 2 reports" + dot + "updated 00:01 UTC");
    EXPECT_EQ(SummarizeReports(std::nullopt, std::nullopt, Utc(8, 0, 1), Utc(8, 0, 1)), "");
    EXPECT_EQ(
        SummarizeReports(Report("00Z", 1234567, Utc(8, 0, 1)), std::nullopt, Utc(8, 0, 2),
                         Utc(8, 0, 2)),
        "CurrentMETAR.txt: 00Z, 1,234,567 reports, newest 00:01 UTC" + dot + "updated 00:02 UTC");
}

}  // namespace
}  // namespace nimbrel
