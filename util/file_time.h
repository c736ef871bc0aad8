// Windows file times (100 ns steps since 1601-01-01 UTC) as the standard clock's time points.
#pragma once

#include <chrono>
#include <cstdint>

namespace nimbrel {

using FileTimeTicks = std::chrono::duration<std::int64_t, std::ratio<1, 10'000'000>>;

// The Unix epoch, where the standard clock counts from, as a file time.
inline constexpr FileTimeTicks kUnixEpochAsFileTime{116'444'736'000'000'000};

inline std::chrono::system_clock::time_point FileTimeToTimePoint(std::uint64_t ticks) {
    const FileTimeTicks sinceUnixEpoch =
        FileTimeTicks(static_cast<std::int64_t>(ticks)) - kUnixEpochAsFileTime;
    return std::chrono::system_clock::time_point(
        std::chrono::duration_cast<std::chrono::system_clock::duration>(sinceUnixEpoch));
}

}  // namespace nimbrel
