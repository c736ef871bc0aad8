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
std::string DescribeReport(const char* fileName, const WrittenReport& report) {
    const ReportTimes& times = report.times;
    std::string text = std::string(fileName) + ": " + report.cycle + ", ";
    if (!times.newest) {
        return text + "no reports";
    }
    return text + GroupedNumber(times.count) + (times.count == 1 ? " report" : " reports") +
           ", newest " + ClockText(*times.newest) + " UTC";
}

}  // namespace

std::string SummarizeReports(const std::optional<WrittenReport>& current,
                             const std::optional<WrittenReport>& previous,
                             std::chrono::system_clock::time_point updatedAt) {
    if (!current && !previous) {
        return "";
    }
    std::string text;
    if (current && !current->passedOver.empty()) {
        text += current->passedOver + " not yet published; used " + current->cycle + " and " +
                PreviousCycle(current->cycle) + kSeparator;
    }
    if (current) {
        text += DescribeReport(kCurrentReportName, *current) + kSeparator;
    }
    if (previous) {
        text += DescribeReport(kPreviousReportName, *previous) + kSeparator;
    }
    return text + "updated " + ClockText(updatedAt) + " UTC";
}

std::string OldDataText(const WrittenReport& current,
                        std::chrono::system_clock::time_point serverNow) {
    const auto& newest = current.times.newest;
    if (!newest) {
        return "NOAA's cycle file " + current.cycle + " holds no reports";
    }
    const auto age = SecondsBetween(*newest, serverNow);
    if (age <= kOldDataAge) {
        return "";
    }
    return "NOAA's newest report is " +
           std::to_string(std::chrono::floor<std::chrono::hours>(age).count()) + " hours old (" +
           current.cycle + ")";
}

}  // namespace nimbrel
