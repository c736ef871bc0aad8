// What each report file was last written from, kept in memory for this run only, so that the next
// update can ask the server for the file only if it has changed.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "retrieval/http_control.h"
#include "retrieval/report_files.h"
#include "retrieval/report_times.h"

namespace nimbrel {

inline constexpr const char* kCurrentReportName = "CurrentMETAR.txt";
inline constexpr const char* kPreviousReportName = "PreviousMETAR.txt";

struct WrittenReport {
    // The response it was written from.
    std::string url{};
    std::string lastModified{};
    std::string etag{};
    bool compressed = false;
    // The file as written; no stamp when it could not be read back.
    std::string path{};
    std::optional<FileStamp> stamp{};
    // What it holds, for the summary.
    std::string cycle{};
    ReportTimes times{};
    std::string passedOver{};  // the cycle passed over in favour of this one, not yet begun
    // The host of the second source it came from, and why NOAA's could not be used; empty for
    // NOAA's own.
    std::string source{};
    std::string noaaFailure{};
    // The reference's time when the response arrived: a later response older than it is a cache's
    // copy.
    std::chrono::system_clock::time_point arrivedAt{};
};

// Whether the file at `path` is still the one written from `url`: the same address, the same
// path, and nothing has written the file since.
bool StillAsWritten(const WrittenReport& written, const std::string& url, const std::string& path,
                    const std::optional<FileStamp>& stampNow);

// The conditions that let the server answer "not modified" for the file written. A compressed
// response's ETag names the compressed copy and never matches, so only its date is sent.
HttpConditions ConditionsFor(const WrittenReport& written);

}  // namespace nimbrel
