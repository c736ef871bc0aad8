// The Aviation Weather Center's cache file of METARs, turned into NOAA's cycle files.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace nimbrel {

// The largest cache file read, inflated or as it came: a hostile one cannot take more memory.
inline constexpr std::uint64_t kMaxCacheFileBytes = std::uint64_t{16} << 20;
// Why a file above it is refused, for the user.
inline constexpr char kCacheFileTooLarge[] = "a file of more than 16 MiB";

// The cycle files that the cache file's reports make: each report a record `yyyy/mm/dd hh:mm`,
// the report and a blank line, LF line ends, in order of observation time, none twice.
struct CacheFileCycles {
    std::string current{};       // the cycle starting at `cycleStart`, and any newer reports
    std::string previous{};      // the hour before it
    std::size_t usableRows = 0;  // rows whose time and station could be read, of any time
};

// `body` is the file as it arrived, any Content-Encoding undone; gzip is inflated here.
// `cycleStart` is the first instant of the cycle the update chose (CycleStart). Returns the
// cycles, or why the file cannot be used, as a phrase for the user: "a damaged gzip file",
// "a file without a usable report", ...
std::variant<CacheFileCycles, std::string> CyclesFromCacheFile(
    std::string_view body, std::chrono::system_clock::time_point cycleStart);

// The first instant of cycle `cycle` ("14Z": 13:45 UTC), the latest one that begins no later
// than an hour after `now`, so that a server whose clock runs a little ahead still names this
// hour's cycle. nullopt when `cycle` is not an hour 00Z to 23Z.
std::optional<std::chrono::system_clock::time_point> CycleStart(
    std::string_view cycle, std::chrono::system_clock::time_point now);

}  // namespace nimbrel
