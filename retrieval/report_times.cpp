#include "retrieval/report_times.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "retrieval/text_lines.h"
#include "retrieval/utc_fields.h"

namespace nimbrel {

namespace {

using TimePoint = std::chrono::system_clock::time_point;

// The value of the `count` digits of `text` from `at`; false when one is not a digit.
bool Digits(std::string_view text, std::size_t at, std::size_t count, unsigned& value) {
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        const unsigned digit = static_cast<unsigned>(text[i] - '0');
        if (digit > 9) {
            return false;
        }
        value = value * 10 + digit;
    }
    return true;
}

// Reads date lines `yyyy/mm/dd hh:mm`. A cycle file holds thousands of reports of a day or two, so
// each day is converted once and its reports' times are added to its start.
class DateLines {
  public:
    std::optional<TimePoint> Read(std::string_view line) {
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        unsigned year = 0;
        unsigned month = 0;
        unsigned day = 0;
        unsigned hour = 0;
        unsigned minute = 0;
        if (line.size() != 16 || line[4] != '/' || line[7] != '/' || line[10] != ' ' ||
            line[13] != ':' || !Digits(line, 0, 4, year) || !Digits(line, 5, 2, month) ||
            !Digits(line, 8, 2, day) || !Digits(line, 11, 2, hour) ||
            !Digits(line, 14, 2, minute) || hour > 23 || minute > 59) {
            return std::nullopt;
        }
        const unsigned date = (year * 100 + month) * 100 + day;
        if (date != date_) {
            const auto start = UtcTime(year, month, day, 0, 0);
            // A day the clock cannot hold whole, or no real day, is judged minute by minute.
            if (!start || !UtcTime(year, month, day, 23, 59)) {
                return UtcTime(year, month, day, hour, minute);
            }
            date_ = date;
            dayStart_ = *start;
        }
        return dayStart_ + std::chrono::hours(hour) + std::chrono::minutes(minute);
    }

  private:
    unsigned date_ = ~0u;  // yyyymmdd of dayStart_; none at first
    TimePoint dayStart_{};
};

// The newest few times seen, newest first.
class NewestFew {
  public:
    void Add(TimePoint time) {
        if (size_ == times_.size()) {
            if (time <= times_.back()) {
                return;
            }
            --size_;  // the oldest gives way
        }
        std::size_t at = size_++;
        for (; at > 0 && times_[at - 1] < time; --at) {
            times_[at] = times_[at - 1];
        }
        times_[at] = time;
    }
    // The newest time that all of them reach; none until there are enough.
    std::optional<TimePoint> Agreed() const {
        return size_ == times_.size() ? std::optional(times_.back()) : std::nullopt;
    }

    std::size_t CountAfter(TimePoint time) const {
        return static_cast<std::size_t>(
            std::count_if(times_.begin(), times_.begin() + static_cast<std::ptrdiff_t>(size_),
                          [time](TimePoint t) { return t > time; }));
    }

  private:
    std::array<TimePoint, kAgreeingReports> times_{};
    std::size_t size_ = 0;
};

}  // namespace

ReportTimes ReadReportTimes(std::string_view cycleFile, std::optional<TimePoint> notAfter) {
    ReportTimes times;
    std::size_t beyondLimit = 0;
    NewestFew newestFew;
    DateLines dateLines;
    ForEachLine(cycleFile, [&](std::string_view line) {
        if (const auto time = dateLines.Read(line)) {
            ++times.count;
            newestFew.Add(*time);
            if (notAfter && *time > *notAfter) {
                ++beyondLimit;
            } else if (!times.newest || *time > *times.newest) {
                times.newest = time;
            }
        }
    });
    times.ignored = beyondLimit;
    if (const auto agreed = newestFew.Agreed();
        agreed && (!times.newest || *agreed > *times.newest)) {
        times.newest = agreed;
        // Only the few newest can lie beyond a time that that many reports reach.
        times.ignored = newestFew.CountAfter(*agreed);
    }
    return times;
}

std::string ReportDateLine(TimePoint utc) {
    const auto minute = std::chrono::floor<std::chrono::minutes>(utc);
    const auto day = std::chrono::floor<std::chrono::days>(minute);
    const std::chrono::year_month_day date{day};
    const std::chrono::hh_mm_ss time{minute - day};
    char line[32];
    std::snprintf(line, sizeof line, "%04d/%02u/%02u %02d:%02d", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()));
    return line;
}

}  // namespace nimbrel
