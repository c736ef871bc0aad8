// How many reports a cycle file holds, and how new the newest is.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string_view>

namespace nimbrel {

struct ReportTimes {
    std::size_t count = 0;
    std::optional<std::chrono::system_clock::time_point> newest{};  // UTC; none without reports
    std::size_t ignored = 0;  // reports left out of `newest` as too far ahead
};

// A cycle file is a series of reports, each after a line `yyyy/mm/dd hh:mm` (UTC); LF or CRLF
// line ends. Lines that are not such a date, or name no real date, are report text. Any input is
// safe, in time linear in its size. Every report counts; `newest` leaves out times after
// `notAfter`, when given, so that one mistyped date cannot stand for the whole file.
ReportTimes ReadReportTimes(
    std::string_view cycleFile,
    std::optional<std::chrono::system_clock::time_point> notAfter = std::nullopt);

}  // namespace nimbrel
