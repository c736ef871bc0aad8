// What may replace a report file, decided for each report of an update in one place.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>

namespace nimbrel {

// A response more than this earlier than the newest report in the folder is a cache's old copy.
inline constexpr std::chrono::hours kStaleSlack{2};

enum class VerdictKind {
    Written,      // the body replaces the report (or did)
    NotModified,  // the report is still the server's copy
    UpToDate,     // the folder's report is at least as new as the hour before's, taken as current
    NotYetBegun,  // the clock's hour's file is empty: NOAA has begun it again
    NotCurrent,   // the clock's hour's file still holds an older day's reports
    NoReports,    // an empty file, a page or junk
    Older,        // older than the report in the folder
    Stale,        // a response older than the report in the folder: a cache's copy
    Failed,       // not fetched, not read or not written; `reason` says why
    Superseded,   // an update nested in this one's wait fetched the report anew
};

// How a body without a single dated report looked.
enum class BodyContent { Reports, Empty, Page, Junk };

// Everything known about one report once its transfer has ended.
struct ReportFacts {
    std::string cycle{};
    std::optional<std::string> failure{};  // why the transfer failed, as the user reads it
    bool notFound = false;                 // the failure is the server's 404
    bool notModified = false;
    BodyContent content = BodyContent::Reports;
    std::size_t bodyBytes = 0;
    std::optional<std::chrono::system_clock::time_point> bodyNewest{};  // believed
    std::optional<std::chrono::system_clock::time_point> diskNewest{};  // believed; none: none
    bool stale = false;
    // NOAA deletes the file of the clock's hour before its cycle and begins it again, so it may
    // be empty, or still an older day's.
    bool clocksHourFile = false;
    bool listingRead = false;  // the folder listing named the clock's hour's file as begun
    // The newest report of the hour before, to tell the clock's hour's file an older day's.
    std::optional<std::chrono::system_clock::time_point> hourBeforeNewest{};
    // The hour before's body stands in for a clock's hour's file not yet begun: a report in the
    // folder at least as new stays, and that is no alarm.
    bool standsIn = false;
    // The second source's host, when the body is its slice of the cycle; empty for NOAA's own.
    std::string source{};
    // Why NOAA's report could not be used, when the body is the second source's.
    std::optional<std::string> noaaFailure{};
};

struct Verdict {
    VerdictKind kind = VerdictKind::Failed;
    std::string reason{};  // for Failed
};

Verdict JudgeReport(const ReportFacts& facts);

// Whether a response of `responseTime` is a cache's old copy: earlier than the reference's time
// when the report in the folder was written, or more than kStaleSlack earlier than its newest
// report.
bool IsStaleResponse(std::optional<std::chrono::system_clock::time_point> responseTime,
                     std::optional<std::chrono::system_clock::time_point> writtenAt,
                     std::optional<std::chrono::system_clock::time_point> diskNewest);

// How a body looks when it holds no dated report; Reports when it holds any.
BodyContent ContentOf(std::string_view body, std::size_t reports);

}  // namespace nimbrel
