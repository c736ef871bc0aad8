#include "retrieval/server_clock_cycle.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "retrieval/folder_listing.h"
#include "retrieval/previous_cycle.h"
#include "retrieval/utc_fields.h"

namespace nimbrel {

std::optional<std::chrono::system_clock::time_point> ParseHttpDate(std::string_view text) {
    // Servers must send the fixed-length form: "Sun, 06 Nov 1994 08:49:37 GMT".
    if (text.size() != 29 || !StartsWithShape(text, "AAA, 99 AAA 9999 99:99:99 GMT")) {
        return std::nullopt;
    }
    const auto month = MonthNumber(text.substr(8, 3));
    if (!month) {
        return std::nullopt;
    }
    return UtcTime(DecimalValue(text.substr(12, 4)), *month, DecimalValue(text.substr(5, 2)),
                   DecimalValue(text.substr(17, 2)), DecimalValue(text.substr(20, 2)),
                   DecimalValue(text.substr(23, 2)));
}

std::string FormatHttpDate(std::chrono::system_clock::time_point utc) {
    static constexpr std::array<std::string_view, 7> kWeekdays{"Sun", "Mon", "Tue", "Wed",
                                                               "Thu", "Fri", "Sat"};
    // In seconds: the day that holds the clock's earliest instant begins before it.
    const auto second = std::chrono::floor<std::chrono::seconds>(utc);
    const auto day = std::chrono::floor<std::chrono::days>(second);
    const std::chrono::year_month_day date{day};
    const std::chrono::hh_mm_ss time{second - day};
    char text[40];
    std::snprintf(text, sizeof text, "%s, %02u %s %04d %02d:%02d:%02d GMT",
                  kWeekdays[std::chrono::weekday(day).c_encoding()].data(),
                  static_cast<unsigned>(date.day()), MonthAbbreviation(date.month()).data(),
                  static_cast<int>(date.year()), static_cast<int>(time.hours().count()),
                  static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()));
    return text;
}

std::string CycleAt(std::chrono::system_clock::time_point utc) {
    const auto ahead =
        std::chrono::floor<std::chrono::minutes>(ClampedShift(utc, std::chrono::minutes(10)));
    const auto sinceMidnight = ahead - std::chrono::floor<std::chrono::days>(ahead);
    const auto hour = std::chrono::duration_cast<std::chrono::hours>(sinceMidnight).count();
    char text[8];
    std::snprintf(text, sizeof text, "%02dZ", static_cast<int>(hour));
    return text;
}

namespace {

// Whether the clock's file `listed` counts as the one NOAA is filling now.
bool Begun(const ListedFile& listed, const std::vector<ListedFile>& files,
           std::chrono::system_clock::time_point now) {
    if (listed.size == 0u) {
        return false;
    }
    std::optional<std::chrono::system_clock::time_point> newestOther;
    for (const ListedFile& file : files) {
        if (&file != &listed && (!newestOther || file.modified > *newestOther)) {
            newestOther = file.modified;
        }
    }
    if (!newestOther) {
        return SecondsBetween(listed.modified, now) <= kFreshCycleFile;
    }
    return SecondsBetween(listed.modified, *newestOther) <= kAmongTheNewest;
}

}  // namespace

ListedCycle CycleFromListing(std::string_view listing, std::string_view dateHeader,
                             std::chrono::system_clock::time_point localUtc) {
    const auto now = ParseHttpDate(dateHeader).value_or(localUtc);
    const std::string byClock = CycleAt(now);
    const std::vector<ListedFile> files = ParseFolderListing(listing);
    if (files.empty()) {
        return {byClock, "", false};
    }
    const std::string fileName = byClock + ".TXT";
    const auto listed = std::find_if(files.begin(), files.end(),
                                     [&](const ListedFile& file) { return file.name == fileName; });
    if (listed != files.end() && Begun(*listed, files, now)) {
        return {byClock, "", true};
    }
    return {PreviousCycle(byClock), byClock, true};
}

}  // namespace nimbrel
