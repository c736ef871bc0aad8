#include "app/clock_win32.h"

#include <windows.h>

#include <cstdint>

#include "util/file_time.h"
#include "util/windows_functions_win32.h"

namespace nimbrel {

std::chrono::milliseconds Win32Clock::Now() const {
    // The 64-bit count does not wrap after 49.7 days as GetTickCount does.
    return std::chrono::milliseconds(GetTickCount64());
}

std::chrono::system_clock::time_point Win32Clock::UtcNow() const {
    FILETIME now{};
    // Windows 7 has only the time of the last clock tick, up to 16 ms old.
    if (const auto precise = NewerWindowsFunctions().GetSystemTimePreciseAsFileTime) {
        precise(&now);
    } else {
        GetSystemTimeAsFileTime(&now);
    }
    return FileTimeToTimePoint((static_cast<std::uint64_t>(now.dwHighDateTime) << 32) |
                               now.dwLowDateTime);
}

}  // namespace nimbrel
