// How many reports a cycle file holds, and how new the newest believable one is.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace nimbrel {

// A time that this many reports reach is believed whatever the clock says: one mistyped date far
// ahead, in a file of thousands, cannot stand for the whole file.
inline constexpr std::size_t kAgreeingReports = 3;

struct ReportTimes {
    std::size_t count = 0;
    std::optional<std::chrono::system_clock::time_point> newest{};  // UTC; none without reports
    std::size_t ignored = 0;  // reports later than `newest`, not believed
};

// A cycle file is a series of reports, each after a line `yyyy/mm/dd hh:mm` (UTC); LF or CRLF
// line ends. Lines that are not such a date, or name no real date, are report text. Any input is
// safe, in time linear in its size. Every report counts. `newest` is the later of the newest time
// that kAgreeingReports reach and the newest not after `notAfter`, when given: a time further
// ahead, reached by fewer reports, is a mistake.
ReportTimes ReadReportTimes(
    std::string_view cycleFile,
    std::optional<std::chrono::system_clock::time_point> notAfter = std::nullopt);

// The date line of a report at `utc`, to the minute: "2026/12/07 14:52".
std::string ReportDateLine(std::chrono::system_clock::time_point utc);

}  // namespace nimbrel
