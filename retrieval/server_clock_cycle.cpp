#include "retrieval/server_clock_cycle.h"

#include <array>
#include <cstdio>

namespace nimbrel {

namespace {

std::optional<unsigned> MonthNumber(std::string_view name) {
    static constexpr std::array<std::string_view, 12> kMonths{
        "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    for (unsigned i = 0; i < kMonths.size(); ++i) {
        if (kMonths[i] == name) {
            return i + 1;
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::chrono::system_clock::time_point> ParseHttpDate(std::string_view text) {
    // Servers must send the fixed-length form: "Sun, 06 Nov 1994 08:49:37 GMT".
    if (text.size() != 29 || text.substr(3, 2) != ", " || text.substr(25) != " GMT") {
        return std::nullopt;
    }
    const std::string fields(text.substr(5, 20));  // "06 Nov 1994 08:49:37"
    unsigned day = 0, year = 0, hour = 0, minute = 0, second = 0;
    char month[4] = {};
    char tail = 0;
    if (std::sscanf(fields.c_str(), "%2u %3c %4u %2u:%2u:%2u%c", &day, month, &year, &hour, &minute,
                    &second, &tail) != 6) {
        return std::nullopt;
    }
    const auto monthNumber = MonthNumber(std::string_view(month, 3));
    const std::chrono::year_month_day date{std::chrono::year(static_cast<int>(year)),
                                           std::chrono::month(monthNumber.value_or(0)),
                                           std::chrono::day(day)};
    if (!monthNumber || !date.ok() || hour > 23 || minute > 59 || second > 60) {
        return std::nullopt;
    }
    return std::chrono::sys_days(date) + std::chrono::hours(hour) + std::chrono::minutes(minute) +
           std::chrono::seconds(second);
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
