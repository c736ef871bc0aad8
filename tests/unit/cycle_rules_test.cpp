#include <gtest/gtest.h>

#include <chrono>

#include "retrieval/noaa_server.h"
#include "retrieval/previous_cycle.h"
#include "retrieval/server_clock_cycle.h"
#include "retrieval/zulu_cycle.h"

namespace nimbrel {
namespace {

const std::string kMarker(kCycleMarker);

struct ZuluCase {
    std::string page;
    std::string cycle;
};

class CycleFromPage : public ::testing::TestWithParam<ZuluCase> {};

TEST_P(CycleFromPage, ReadsTheTextBehindTheMarker) {
    EXPECT_EQ(GetZulu(GetParam().page), GetParam().cycle);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CycleFromPage,
    ::testing::Values(
        ZuluCase{"<p>It is 14:50, " + kMarker + "14Z</FONT></B>", "14Z"},
        ZuluCase{kMarker + " 09Z <b>", "09Z"}, ZuluCase{kMarker + "14Z", "12Z"},
        ZuluCase{"page " + kMarker, "12Z"}, ZuluCase{kMarker + "</FONT>", ""},
        ZuluCase{"no marker here", "12Z"},
        ZuluCase{"THEREFORE the METAR observing cycle is<B><FONT COLOR=\"#48D1CC\">14Z<", "12Z"},
        ZuluCase{kMarker + "\t14Z\n<", "\t14Z\n"}, ZuluCase{kMarker + "14Z UTC<", "14Z UTC"},
        ZuluCase{kMarker + "<" + kMarker + "14Z<", ""}, ZuluCase{kMarker + "   <", ""},
        ZuluCase{"", "12Z"}));

TEST(CycleFromPage, TheMarkerIsSixtyThreeCharacters) {
    EXPECT_EQ(kCycleMarker.size(), 63u);
}

TEST(CycleFromPage, IsLinearInThePageSize) {
    // 50 MB of near-misses: a quadratic search would not finish in any reasonable time.
    std::string page;
    page.reserve(50u << 20);
    const std::string nearMiss = kMarker.substr(0, 62);
    while (page.size() + nearMiss.size() < (50u << 20)) {
        page += nearMiss;
    }
    page += kMarker + "07Z<";
    EXPECT_EQ(GetZulu(page), "07Z");
}

struct PreviousCase {
    const char* cycle;
    const char* previous;
};

class PreviousHour : public ::testing::TestWithParam<PreviousCase> {};

TEST_P(PreviousHour, IsOneHourEarlierWrappingBelowZero) {
    EXPECT_EQ(PreviousCycle(GetParam().cycle), GetParam().previous);
}

INSTANTIATE_TEST_SUITE_P(Table, PreviousHour,
                         ::testing::Values(PreviousCase{"00Z", "23Z"}, PreviousCase{"01Z", "00Z"},
                                           PreviousCase{"10Z", "09Z"}, PreviousCase{"12Z", "11Z"},
                                           PreviousCase{"14Z", "13Z"}, PreviousCase{"23Z", "22Z"},
                                           PreviousCase{"14z", "13Z"}, PreviousCase{"", "23Z"},
                                           PreviousCase{"08Z", "07Z"}, PreviousCase{"99Z", "98Z"},
                                           PreviousCase{"Z", "23Z"}, PreviousCase{"abc", "23Z"},
                                           PreviousCase{" 1 4Z", "13Z"},
                                           PreviousCase{"\t\n15Z", "14Z"},
                                           PreviousCase{"14Z UTC", "13Z"},
                                           PreviousCase{"Z1Z5Z", "14Z"},
                                           PreviousCase{"-3Z", "23Z"}));

TEST(PreviousHour, ANumberTooLargeToHoldCountsAsNone) {
    EXPECT_EQ(PreviousCycle(std::string(400, '9') + "Z"), "23Z");
}

struct UrlCase {
    ServerLayout layout;
    const char* cycle;
    const char* url;
};

class CycleFileAddress : public ::testing::TestWithParam<UrlCase> {};

TEST_P(CycleFileAddress, UpperCasesAndEncodesTheCycle) {
    const NoaaServer server{"http://noaa.test:8080", GetParam().layout};
    EXPECT_EQ(CycleFileUrl(server, GetParam().cycle), GetParam().url);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CycleFileAddress,
    ::testing::Values(
        UrlCase{ServerLayout::Classic, "14Z",
                "http://noaa.test:8080/pub/data/observations/metar/cycles/14Z.TXT"},
        UrlCase{ServerLayout::Classic, "14z",
                "http://noaa.test:8080/pub/data/observations/metar/cycles/14Z.TXT"},
        UrlCase{ServerLayout::Classic, "",
                "http://noaa.test:8080/pub/data/observations/metar/cycles/.TXT"},
        UrlCase{ServerLayout::Classic, "14Z UTC",
                "http://noaa.test:8080/pub/data/observations/metar/cycles/14Z%20UTC.TXT"},
        UrlCase{
            ServerLayout::Classic, "../x?y#z\r\n",
            "http://noaa.test:8080/pub/data/observations/metar/cycles/..%2FX%3FY%23Z%0D%0A.TXT"},
        UrlCase{ServerLayout::Current, "07Z",
                "http://noaa.test:8080/data/observations/metar/cycles/07Z.TXT"}));

TEST(CycleSource, DependsOnTheLayout) {
    EXPECT_EQ(CycleSourceUrl({"https://h", ServerLayout::Classic}),
              "https://h/weather/metar.shtml");
    EXPECT_EQ(CycleSourceUrl({"https://h", ServerLayout::Current}),
              "https://h/data/observations/metar/cycles/");
    EXPECT_EQ(DescribeServer({"https://h", ServerLayout::Current}), "https://h (current layout)");
}

struct ClockCase {
    const char* date;
    const char* cycle;
};

class CycleFromServerClock : public ::testing::TestWithParam<ClockCase> {};

TEST_P(CycleFromServerClock, IsTheHourTenMinutesAhead) {
    const auto unused = std::chrono::system_clock::time_point{};
    EXPECT_EQ(CycleFromServerDate(GetParam().date, unused), GetParam().cycle);
}

INSTANTIATE_TEST_SUITE_P(Table, CycleFromServerClock,
                         ::testing::Values(ClockCase{"Mon, 07 Dec 2026 13:49:59 GMT", "13Z"},
                                           ClockCase{"Mon, 07 Dec 2026 13:50:00 GMT", "14Z"},
                                           ClockCase{"Mon, 07 Dec 2026 01:00:00 GMT", "01Z"},
                                           ClockCase{"Mon, 07 Dec 2026 23:49:00 GMT", "23Z"},
                                           ClockCase{"Mon, 07 Dec 2026 23:55:00 GMT", "00Z"},
                                           ClockCase{"Thu, 31 Dec 2026 23:50:00 GMT", "00Z"},
                                           ClockCase{"Tue, 29 Feb 2028 09:12:00 GMT", "09Z"}));

TEST(HttpDate, FormatsBackToTheSameInstant) {
    for (const char* date : {"Sun, 06 Nov 1994 08:49:37 GMT", "Tue, 29 Feb 2028 09:12:00 GMT"}) {
        EXPECT_EQ(FormatHttpDate(ParseHttpDate(date).value()), date);
    }
    EXPECT_EQ(FormatHttpDate(ParseHttpDate("Sat, 31 Dec 2016 23:59:60 GMT").value()),
              "Sun, 01 Jan 2017 00:00:00 GMT");
    // The clock's first whole second, on a day that begins before the clock does.
    const auto first =
        std::chrono::ceil<std::chrono::seconds>(std::chrono::system_clock::time_point::min());
    EXPECT_EQ(ParseHttpDate(FormatHttpDate(first)), first);
}

TEST(CycleFromServerClock, FallsBackToTheLocalClock) {
    using namespace std::chrono;
    const system_clock::time_point local = sys_days(year(2026) / 12 / 7) + hours(5) + minutes(55);
    for (const char* unusable :
         {"", "yesterday", "Mon, 07 Dec 2026 25:00:00 GMT", "Mon, 31 Feb 2026 10:00:00 GMT",
          "Mon, 07 Foo 2026 10:00:00 GMT", "Mon, 07 Dec 2026 10:00:00 PST",
          "Mon, 07 Dec 2026 10:00:00 GMTX", "Mon,  07Dec 2026 10:00:00 GMT",
          "Mon, +7 Dec 2026 10:00:00 GMT", "Mon, 07 Dec 2026 1 :00:00 GMT",
          "Sat, 31 Dec 2416 23:59:60 GMT"}) {
        EXPECT_EQ(CycleFromServerDate(unusable, local), "06Z") << unusable;
    }
}

}  // namespace
}  // namespace nimbrel
