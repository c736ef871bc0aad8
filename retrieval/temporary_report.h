// The temporary files that report writes make beside their reports, and which of them a crash
// left behind.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace nimbrel {

// A write under way is never this old, so an older temporary file is a leftover of a crash.
inline constexpr std::chrono::minutes kLeftoverTemporaryAge{10};

// `reportPath` followed by ".nimbrel-PROCESS-COUNTER.tmp": recognisably this program's, and unique
// for each write of each process.
std::string TemporaryReportPath(std::string_view reportPath, std::uint32_t processId,
                                std::uint64_t counter);

// Whether a file of the report folder is a temporary file that a crashed write of any Nimbrel
// process left there: a name TemporaryReportPath gives, and older than any write under way.
bool IsLeftoverTemporaryReport(std::string_view fileName, std::chrono::system_clock::duration age);

}  // namespace nimbrel
