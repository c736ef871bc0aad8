#include "app/data_age.h"

#include <cstdio>

#include "retrieval/previous_cycle.h"
#include "retrieval/utc_fields.h"

namespace nimbrel {

namespace {

constexpr const char* kSeparator = " \xC2\xB7 ";  // a middle dot, in UTF-8

// "14:52", in UTC.
std::string ClockText(std::chrono::system_clock::time_point utc) {
    const auto minutes = std::chrono::floor<std::chrono::minutes>(utc);
    const std::chrono::hh_mm_ss time(minutes - std::chrono::floor<std::chrono::days>(minutes));
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", static_cast<int>(time.hours().count()),
                  static_cast<int>(time.minutes().count()));
    return text;
}

std::string DateSuffix(std::chrono::system_clock::time_point time,
                       std::chrono::system_clock::time_point serverNow) {
    const auto day = std::chrono::floor<std::chrono::days>(time);
    if (day == std::chrono::floor<std::chrono::days>(serverNow)) {
        return "";
    }
    const std::chrono::year_month_day date{day};
    return " on " + std::to_string(static_cast<unsigned>(date.day())) + " " +
           std::string(MonthAbbreviation(date.month()));
}

// "2,341"
std::string GroupedNumber(std::size_t number) {
    const std::string digits = std::to_string(number);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            grouped += ',';
        }
        grouped += digits[i];
    }
    return grouped;
}

// "CurrentMETAR.txt: 14Z, 2,341 reports, newest 14:52 UTC"
std::string DescribeReport(const char* fileName, const WrittenReport& report,
                           std::chrono::system_clock::time_point serverNow) {
    const ReportTimes& times = report.times;
    std::string text = std::string(fileName) + ": " + report.cycle +
                       (report.source.empty() ? "" : " from " + report.source) + ", ";
    if (times.count == 0) {
        return text + "no reports";
    }
    text += GroupedNumber(times.count) + (times.count == 1 ? " report" : " reports");
    if (times.newest) {
        text += ", newest " + ReportTimeText(*times.newest, serverNow);
    }
    return report.noaaFailure.empty() ? text : text + " (NOAA: " + report.noaaFailure + ")";
}

}  // namespace

std::string ReportTimeText(std::chrono::system_clock::time_point time,
                           std::chrono::system_clock::time_point serverNow) {
    return ClockText(time) + " UTC" + DateSuffix(time, serverNow);
}

std::string SummarizeReports(const std::optional<WrittenReport>& current,
                             const std::optional<WrittenReport>& previous,
                             std::chrono::system_clock::time_point updatedAt,
                             std::chrono::system_clock::time_point serverNow) {
    if (!current && !previous) {
        return "";
    }
    std::string text;
    if (current && !current->passedOver.empty()) {
        // Only what the files really hold: the previous file may be older after a failure.
        text += current->passedOver + " not yet published; used " + current->cycle;
        if (previous && previous->cycle == PreviousCycle(current->cycle)) {
            text += " and " + previous->cycle;
        }
        text += kSeparator;
    }
    if (current) {
        text += DescribeReport(kCurrentReportName, *current, serverNow) + kSeparator;
    }
    if (previous) {
        text += DescribeReport(kPreviousReportName, *previous, serverNow) + kSeparator;
    }
    return text + "updated " + ClockText(updatedAt) + " UTC";
}

std::string OldDataText(const WrittenReport& current,
                        std::chrono::system_clock::time_point serverNow) {
    const auto& newest = current.times.newest;
    if (!newest) {
        return "";
    }
    const auto age = SecondsBetween(*newest, serverNow);
    if (age <= kOldDataAge) {
        return "";
    }
    return (current.source.empty() ? std::string("NOAA") : current.source) +
           "'s newest report is " +
           std::to_string(std::chrono::floor<std::chrono::hours>(age).count()) + " hours old (" +
           current.cycle + ")";
}

}  // namespace nimbrel
