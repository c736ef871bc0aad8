#include "retrieval/server_clock_cycle.h"

#include <array>
#include <charconv>
#include <cstdio>

namespace nimbrel {

namespace {

constexpr std::array<std::string_view, 12> kMonths{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

std::optional<unsigned> MonthNumber(std::string_view name) {
    for (unsigned i = 0; i < kMonths.size(); ++i) {
        if (kMonths[i] == name) {
            return i + 1;
        }
    }
    return std::nullopt;
}

std::optional<unsigned> Digits(std::string_view text) {
    unsigned value = 0;
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc{} || stop != end) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<std::chrono::system_clock::time_point> ParseHttpDate(std::string_view text) {
    using namespace std::chrono;
    // Servers must send the fixed-length form, "Sun, 06 Nov 1994 08:49:37 GMT", every number in
    // its digits alone: no sign, no blank, no other spacing.
    if (text.size() != 29 || text.substr(3, 2) != ", " || text[7] != ' ' || text[11] != ' ' ||
        text[16] != ' ' || text[19] != ':' || text[22] != ':' || text.substr(25) != " GMT") {
        return std::nullopt;
    }
    const auto dayNumber = Digits(text.substr(5, 2));
    const auto monthNumber = MonthNumber(text.substr(8, 3));
    const auto yearNumber = Digits(text.substr(12, 4));
    const auto hour = Digits(text.substr(17, 2));
    const auto minute = Digits(text.substr(20, 2));
    const auto second = Digits(text.substr(23, 2));
    if (!dayNumber || !monthNumber || !yearNumber || !hour || !minute || !second) {
        return std::nullopt;
    }
    const year_month_day date{year(static_cast<int>(*yearNumber)), month(*monthNumber),
                              day(*dayNumber)};
    if (!date.ok() || *hour > 23 || *minute > 59 || *second > 60) {
        return std::nullopt;
    }
    const sys_seconds instant = sys_days(date) + hours(*hour) + minutes(*minute) + seconds(*second);
    // The system clock spans only some centuries around 1970.
    if (instant < ceil<seconds>(system_clock::time_point::min()) ||
        instant > floor<seconds>(system_clock::time_point::max())) {
        return std::nullopt;
    }
    return system_clock::time_point(instant);
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
    std::snprintf(
        text, sizeof text, "%s, %02u %s %04d %02d:%02d:%02d GMT",
        kWeekdays[std::chrono::weekday(day).c_encoding()].data(), static_cast<unsigned>(date.day()),
        kMonths[static_cast<unsigned>(date.month()) - 1].data(), static_cast<int>(date.year()),
        static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
        static_cast<int>(time.seconds().count()));
    return text;
}

std::string CycleAt(std::chrono::system_clock::time_point utc) {
    const auto ahead = std::chrono::floor<std::chrono::minutes>(utc + std::chrono::minutes(10));
    const auto sinceMidnight = ahead - std::chrono::floor<std::chrono::days>(ahead);
    const auto hour = std::chrono::duration_cast<std::chrono::hours>(sinceMidnight).count();
    char text[8];
    std::snprintf(text, sizeof text, "%02dZ", static_cast<int>(hour));
    return text;
}

std::string CycleFromServerDate(std::string_view dateHeader,
                                std::chrono::system_clock::time_point localUtc) {
    return CycleAt(ParseHttpDate(dateHeader).value_or(localUtc));
}

}  // namespace nimbrel
