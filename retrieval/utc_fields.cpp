#include "retrieval/utc_fields.h"

#include <array>

namespace nimbrel {

namespace {

constexpr std::array<std::string_view, 12> kMonths{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

}  // namespace

bool StartsWithShape(std::string_view text, std::string_view shape) {
    if (text.size() < shape.size()) {
        return false;
    }
    for (std::size_t i = 0; i < shape.size(); ++i) {
        const char c = text[i];
        const bool digit = c >= '0' && c <= '9';
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        const bool fits = shape[i] == '9' ? digit : shape[i] == 'A' ? letter : c == shape[i];
        if (!fits) {
            return false;
        }
    }
    return true;
}

unsigned DecimalValue(std::string_view digits) {
    unsigned value = 0;
    for (const char c : digits) {
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    return value;
}

std::optional<unsigned> MonthNumber(std::string_view abbreviation) {
    for (unsigned i = 0; i < kMonths.size(); ++i) {
        if (kMonths[i] == abbreviation) {
            return i + 1;
        }
    }
    return std::nullopt;
}

std::string_view MonthAbbreviation(std::chrono::month month) {
    return kMonths[static_cast<unsigned>(month) - 1];
}

std::chrono::system_clock::time_point ClampedShift(std::chrono::system_clock::time_point time,
                                                   std::chrono::seconds by) {
    using Clock = std::chrono::system_clock;
    const auto headroom = SecondsBetween(time, Clock::time_point::max());
    const auto legroom = SecondsBetween(Clock::time_point::min(), time);
    if (by >= headroom) {
        return Clock::time_point::max();
    }
    if (by <= -legroom) {
        return Clock::time_point::min();
    }
    return time + std::chrono::duration_cast<Clock::duration>(by);
}

std::optional<std::chrono::system_clock::time_point> UtcTime(unsigned year, unsigned month,
                                                             unsigned day, unsigned hour,
                                                             unsigned minute, unsigned second) {
    if (year > 9999 || month > 12 || day > 31 || hour > 23 || minute > 59 || second > 60) {
        return std::nullopt;
    }
    const std::chrono::year_month_day date{std::chrono::year(static_cast<int>(year)),
                                           std::chrono::month(month), std::chrono::day(day)};
    if (!date.ok()) {
        return std::nullopt;
    }
    // A leap second (60) counts as the first second of the next minute.
    const std::chrono::sys_seconds instant =
        std::chrono::sys_days(date) + std::chrono::hours(hour) + std::chrono::minutes(minute) +
        std::chrono::seconds(second);
    // The system clock spans only some centuries around 1970.
    using Clock = std::chrono::system_clock;
    if (instant < std::chrono::ceil<std::chrono::seconds>(Clock::time_point::min()) ||
        instant > std::chrono::floor<std::chrono::seconds>(Clock::time_point::max())) {
        return std::nullopt;
    }
    return Clock::time_point(instant);
}

std::chrono::seconds SecondsBetween(std::chrono::system_clock::time_point earlier,
                                    std::chrono::system_clock::time_point later) {
    return std::chrono::floor<std::chrono::seconds>(later) -
           std::chrono::floor<std::chrono::seconds>(earlier);
}

}  // namespace nimbrel
