#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>

#include "retrieval/folder_listing.h"
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

// A page that is no folder index leaves the cycle to the clock alone.
constexpr const char* kNoIndex = "<html><body>Moved</body></html>";

class CycleFromServerClock : public ::testing::TestWithParam<ClockCase> {};

TEST_P(CycleFromServerClock, IsTheHourTenMinutesAhead) {
    const auto unused = std::chrono::system_clock::time_point{};
    const ListedCycle listed = CycleFromListing(kNoIndex, GetParam().date, unused);
    EXPECT_EQ(listed.cycle, GetParam().cycle);
    EXPECT_EQ(listed.passedOver, "");
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
          "Mon, 07 Dec 2026 10:00:00 GMTX", "Mon, +7 Dec 2026 10:00:00 GMT",
          "Mon,  07Dec 2026 10:00:00 GMT", "Mon, 07 Dec 2026 1 :00:00 GMT",
          "Sat, 31 Dec 2416 23:59:60 GMT"}) {
        EXPECT_EQ(CycleFromListing(kNoIndex, unusable, local).cycle, "06Z") << unusable;
    }
}

std::chrono::system_clock::time_point Utc(int day, int hour, int minute) {
    using namespace std::chrono;
    return sys_days(year(2026) / 12 / day) + hours(hour) + minutes(minute);
}

// Apache's index as NOAA's server sends it, and as a table; the stand-in's own short form.
const std::string kApacheIndex = R"(<html>
 <head><title>Index of /data/observations/metar/cycles</title></head>
 <body>
<h1>Index of /data/observations/metar/cycles</h1>
<pre><img src="/icons/blank.gif" alt="Icon "> <a href="?C=N;O=D">Name</a>                    <a href="?C=M;O=A">Last modified</a>      <a href="?C=S;O=A">Size</a>  <a href="?C=D;O=A">Description</a><hr><img src="/icons/back.gif" alt="[PARENTDIR]"> <a href="/data/observations/metar/">Parent Directory</a>                             -
<img src="/icons/text.gif" alt="[TXT]"> <a href="00Z.TXT">00Z.TXT</a>                 07-Dec-2026 00:52  2.3M
<img src="/icons/text.gif" alt="[TXT]"> <a href="13Z.TXT">13Z.TXT</a>                 07-Dec-2026 13:44  4.1M
<hr></pre>
</body></html>
)";

const std::string kApacheTable =
    R"(<tr><td valign="top"><img src="/icons/back.gif" alt="[PARENTDIR]"></td><td><a href="/data/observations/metar/">Parent Directory</a></td><td>&nbsp;</td><td align="right">  - </td></tr>
<tr><td valign="top"><img src="/icons/text.gif" alt="[TXT]"></td><td><a href="14Z.TXT">14Z.TXT</a></td><td align="right">2026-12-07 13:52  </td><td align="right">1.1M</td></tr>
)";

struct ListingCase {
    const char* name;
    std::string page;
    std::vector<ListedFile> files;
};

class FolderListing : public ::testing::TestWithParam<ListingCase> {};

TEST_P(FolderListing, ListsEachLinkWithTheTimeBehindIt) {
    const auto files = ParseFolderListing(GetParam().page);
    ASSERT_EQ(files.size(), GetParam().files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(files[i].name, GetParam().files[i].name);
        EXPECT_EQ(files[i].modified, GetParam().files[i].modified) << files[i].name;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, FolderListing,
    ::testing::Values(
        ListingCase{
            "Apache", kApacheIndex, {{"00Z.TXT", Utc(7, 0, 52)}, {"13Z.TXT", Utc(7, 13, 44)}}},
        ListingCase{"ApacheTable", kApacheTable, {{"14Z.TXT", Utc(7, 13, 52)}}},
        ListingCase{"CrLf",
                    "<a href=\"14Z.TXT\">14Z.TXT</a>  07-Dec-2026 13:52  1234\r\n",
                    {{"14Z.TXT", Utc(7, 13, 52)}}},
        ListingCase{"NotAnIndex", "<html><body>Service moved</body></html>", {}},
        ListingCase{"LinksWithoutTimes", "<a href=\"14Z.TXT\">14Z.TXT</a> -\n", {}},
        ListingCase{"NoSuchDate",
                    "<a href=\"a\">a</a> 31-Feb-2026 10:00\n<a href=\"b\">b</a> 07-Dec-2026 24:00\n"
                    "<a href=\"c\">c</a> 07-Foo-2026 10:00\n<a href=\"d\">d</a> 2026-13-07 10:00\n",
                    {}},
        ListingCase{
            "TimeOnTheNextLine", "<a href=\"14Z.TXT\">14Z.TXT</a>\n07-Dec-2026 13:52\n", {}},
        // A time belongs to the link before it, never to an earlier one.
        ListingCase{"TwoLinksOneTime",
                    "<a href=\"a\">a</a> <a href=\"b\">b</a> 07-Dec-2026 13:52\n",
                    {{"b", Utc(7, 13, 52)}}},
        ListingCase{"Unclosed", "<a href=\"14Z.TXT\">14Z.TXT 07-Dec-2026 13:52\n<a href=\"", {}},
        ListingCase{"EmptyName", "<a href=\"\">x</a> 07-Dec-2026 13:52\n", {}},
        ListingCase{"BeyondTheSystemClock", "<a href=\"x\">x</a> 07-Dec-2416 13:52\n", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FolderListing, IsLinearInThePageSize) {
    // Megabytes of links on one line, each with a time that is almost one: a search from each
    // link to the end of the line would not finish in any reasonable time.
    const std::string nearMiss = "<a href=\"x\">x</a> 07-Dec-2026 13:5";
    std::string page;
    while (page.size() < (8u << 20)) {
        page += nearMiss;
    }
    page += "<a href=\"14Z.TXT\">14Z.TXT</a> 07-Dec-2026 13:52";
    const auto files = ParseFolderListing(page);
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].name, "14Z.TXT");
}

TEST(FolderListing, ReadsEachSizeInApachesShortForm) {
    const auto files = ParseFolderListing(
        "<a href=\"a\">a</a> 07-Dec-2026 13:52  0\n<a href=\"b\">b</a> 07-Dec-2026 13:52  312\n"
        "<a href=\"c\">c</a> 07-Dec-2026 13:52  2.1M\n<a href=\"d\">d</a> 07-Dec-2026 13:52  -\n"
        "<a href=\"e\">e</a> 07-Dec-2026 13:52  4K\n<a href=\"f\">f</a> 07-Dec-2026 13:52\n" +
        kApacheTable);
    const std::vector<std::optional<std::uint64_t>> sizes{
        0u, 312u, 2202009u, std::nullopt, 4096u, std::nullopt, 1153433u};
    ASSERT_EQ(files.size(), sizes.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(files[i].size, sizes[i]) << files[i].name;
    }
}

struct ListedCycleCase {
    const char* name;
    std::string listing;
    const char* cycle;
    const char* passedOver;
};

class CycleFromTheListing : public ::testing::TestWithParam<ListedCycleCase> {};

// At 13:55 by the server's clock the clock's cycle is 14Z.
TEST_P(CycleFromTheListing, TakesTheClocksCycleOnlyWhenItsFileIsFresh) {
    const ListedCycle listed =
        CycleFromListing(GetParam().listing, "Mon, 07 Dec 2026 13:55:00 GMT", {});
    EXPECT_EQ(listed.cycle, GetParam().cycle);
    EXPECT_EQ(listed.passedOver, GetParam().passedOver);
}

std::string Listed(const char* name, const char* modified) {
    return std::string("<a href=\"") + name + "\">" + name + "</a>  " + modified + "  2.1M\n";
}

INSTANTIATE_TEST_SUITE_P(
    Table, CycleFromTheListing,
    ::testing::Values(
        ListedCycleCase{
            "Fresh",
            Listed("13Z.TXT", "07-Dec-2026 13:44") + Listed("14Z.TXT", "07-Dec-2026 13:52"), "14Z",
            ""},
        ListedCycleCase{"Missing", Listed("13Z.TXT", "07-Dec-2026 13:44"), "13Z", "14Z"},
        ListedCycleCase{"DayOld", Listed("14Z.TXT", "06-Dec-2026 14:44"), "13Z", "14Z"},
        ListedCycleCase{"NinetyMinutesOld", Listed("14Z.TXT", "07-Dec-2026 12:25"), "14Z", ""},
        ListedCycleCase{"NinetyOneMinutesOld", Listed("14Z.TXT", "07-Dec-2026 12:24"), "13Z",
                        "14Z"},
        ListedCycleCase{"CenturiesOld", Listed("14Z.TXT", "07-Dec-1730 13:52"), "13Z", "14Z"},
        ListedCycleCase{"ListedEmpty",
                        Listed("13Z.TXT", "07-Dec-2026 13:51") +
                            "<a href=\"14Z.TXT\">14Z.TXT</a> 07-Dec-2026 13:52  0\n",
                        "13Z", "14Z"},
        // With other files listed, only their times judge the clock's file, never the Date.
        ListedCycleCase{
            "AnHourBehindTheNewest",
            Listed("13Z.TXT", "07-Dec-2026 09:59") + Listed("14Z.TXT", "07-Dec-2026 08:59"), "14Z",
            ""},
        ListedCycleCase{
            "AnHourAndAMinuteBehindTheNewest",
            Listed("13Z.TXT", "07-Dec-2026 13:51") + Listed("14Z.TXT", "07-Dec-2026 12:50"), "13Z",
            "14Z"},
        ListedCycleCase{"Unparsable", kNoIndex, "14Z", ""},
        ListedCycleCase{"WithoutTimes", "<a href=\"13Z.TXT\">13Z.TXT</a>\n", "14Z", ""}),
    [](const auto& info) { return std::string(info.param.name); });

// NOAA's folder at `utc` (a Date of that moment), all 24 files as its server lists them in a zone
// `zoneHours` from UTC: the clock's hour's file (the one being filled) modified at `filling`,
// the hour before's last change near its end, each older one within its own hour.
std::string RealisticListing(std::chrono::system_clock::time_point utc, int zoneHours,
                             std::chrono::system_clock::time_point filling) {
    using namespace std::chrono;
    const auto cycleHour = floor<hours>(utc + minutes(10));
    std::string listing;
    for (int hour = 0; hour < 24; ++hour) {
        const auto back =
            (hh_mm_ss(cycleHour - floor<days>(cycleHour)).hours().count() - hour + 24) % 24;
        const auto modified = back == 0
                                  ? filling
                                  : std::min<system_clock::time_point>(
                                        cycleHour - hours(back) + minutes(58), utc - minutes(4));
        const std::string listed =
            FormatHttpDate(modified + hours(zoneHours));  // "Mon, 07 Dec 2026 13:52:00 GMT"
        char name[8];
        std::snprintf(name, sizeof name, "%02dZ.TXT", hour);
        const std::string time = listed.substr(5, 2) + "-" + listed.substr(8, 3) + "-" +
                                 listed.substr(12, 4) + " " + listed.substr(17, 5);
        listing += Listed(name, time.c_str());
    }
    return listing;
}

struct RealisticCase {
    const char* name;
    int zoneHours;
    std::chrono::system_clock::time_point at;
    std::chrono::system_clock::time_point filling;  // the clock's hour's file modified
    const char* cycle;
};

class CycleFromARealisticListing : public ::testing::TestWithParam<RealisticCase> {};

TEST_P(CycleFromARealisticListing, NeedsNoTimeZone) {
    const RealisticCase& c = GetParam();
    const std::string listing = RealisticListing(c.at, c.zoneHours, c.filling);
    EXPECT_EQ(CycleFromListing(listing, FormatHttpDate(c.at), {}).cycle, c.cycle);
}

INSTANTIATE_TEST_SUITE_P(
    Table, CycleFromARealisticListing,
    ::testing::Values(
        RealisticCase{"Utc", 0, Utc(7, 13, 55), Utc(7, 13, 52), "14Z"},
        RealisticCase{"FiveHoursBehind", -5, Utc(7, 13, 55), Utc(7, 13, 52), "14Z"},
        RealisticCase{"FiveHoursBehindLateInTheHour", -5, Utc(7, 14, 49), Utc(7, 14, 46), "14Z"},
        RealisticCase{"JustAfterTheTurn", -5, Utc(7, 13, 50), Utc(7, 13, 47), "14Z"},
        RealisticCase{"NineHoursAhead", 9, Utc(7, 13, 55), Utc(7, 13, 52), "14Z"},
        // Not yet deleted and begun again: the clock's hour's file is yesterday's.
        RealisticCase{"YesterdaysFileOfTheHour", 0, Utc(7, 13, 55), Utc(6, 14, 58), "13Z"},
        RealisticCase{"YesterdaysFileFiveHoursBehind", -5, Utc(7, 13, 55), Utc(6, 14, 58), "13Z"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CycleFromTheListing, WithoutADateHeaderThisComputersClockJudgesTheFiles) {
    const std::string listing = Listed("00Z.TXT", "07-Dec-2026 00:22");
    // 23:55 on the 7th: the 00Z file of that morning is a day old.
    const ListedCycle listed = CycleFromListing(listing, "", Utc(7, 23, 55));
    EXPECT_EQ(listed.cycle, "23Z");
    EXPECT_EQ(listed.passedOver, "00Z");
    const ListedCycle fresh = CycleFromListing(listing, "", Utc(7, 0, 30));
    EXPECT_EQ(fresh.cycle, "00Z");
    EXPECT_EQ(fresh.passedOver, "");
}

}  // namespace
}  // namespace nimbrel
