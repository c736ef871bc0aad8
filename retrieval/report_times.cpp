#include "retrieval/report_times.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "retrieval/text_lines.h"
#include "retrieval/utc_fields.h"

namespace nimbrel {

namespace {

using TimePoint = std::chrono::system_clock::time_point;

constexpr std::string_view kDateLine = "9999/99/99 99:99";

std::optional<TimePoint> DateLine(std::string_view line) {
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    if (line.size() != kDateLine.size() || !StartsWithShape(line, kDateLine)) {
        return std::nullopt;
    }
    return UtcTime(DecimalValue(line.substr(0, 4)), DecimalValue(line.substr(5, 2)),
                   DecimalValue(line.substr(8, 2)), DecimalValue(line.substr(11, 2)),
                   DecimalValue(line.substr(14, 2)));
}

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
    ForEachLine(cycleFile, [&](std::string_view line) {
        if (const auto time = DateLine(line)) {
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
