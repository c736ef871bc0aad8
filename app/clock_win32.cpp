#include "app/clock_win32.h"

#include <windows.h>

#include <cstdint>

#include "util/file_time.h"

namespace nimbrel {

std::chrono::milliseconds Win32Clock::Now() const {
    // The 64-bit count does not wrap after 49.7 days as GetTickCount does.
    return std::chrono::milliseconds(GetTickCount64());
}

std::chrono::system_clock::time_point Win32Clock::UtcNow() const {
    FILETIME now{};
    GetSystemTimePreciseAsFileTime(&now);
    return FileTimeToTimePoint((static_cast<std::uint64_t>(now.dwHighDateTime) << 32) |
                               now.dwLowDateTime);
}

}  // namespace nimbrel
