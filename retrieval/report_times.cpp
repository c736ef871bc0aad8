#include "retrieval/report_times.h"

#include "retrieval/text_lines.h"
#include "retrieval/utc_fields.h"

namespace nimbrel {

namespace {

constexpr std::string_view kDateLine = "9999/99/99 99:99";

std::optional<std::chrono::system_clock::time_point> DateLine(std::string_view line) {
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

}  // namespace

ReportTimes ReadReportTimes(std::string_view cycleFile,
                            std::optional<std::chrono::system_clock::time_point> notAfter) {
    ReportTimes times;
    ForEachLine(cycleFile, [&times, notAfter](std::string_view line) {
        if (const auto time = DateLine(line)) {
            ++times.count;
            if (notAfter && *time > *notAfter) {
                ++times.ignored;
            } else if (!times.newest || *time > *times.newest) {
                times.newest = time;
            }
        }
    });
    return times;
}

}  // namespace nimbrel
