// The observing cycle as a server's clock tells it, for servers that publish no cycle page.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace nimbrel {

// Reads an HTTP date such as "Sun, 06 Nov 1994 08:49:37 GMT"; nullopt when it is not one.
std::optional<std::chrono::system_clock::time_point> ParseHttpDate(std::string_view text);
// Writes the whole seconds of `utc` in that form.
std::string FormatHttpDate(std::chrono::system_clock::time_point utc);

// A cycle runs from ten minutes before its hour to ten minutes before the next: the UTC hour of
// the time ten minutes ahead, as "HHZ".
std::string CycleAt(std::chrono::system_clock::time_point utc);

// A cycle file modified longer ago than this, by the server's clock, still holds an older day's
// reports: NOAA deletes each file before its cycle and writes it anew as the reports arrive.
inline constexpr std::chrono::minutes kFreshCycleFile{90};

struct ListedCycle {
    std::string cycle{};       // the cycle to fetch as the current one
    std::string passedOver{};  // the clock's cycle when its file was not fresh; else empty
};

// The current cycle by the server's clock (its Date header, or `localUtc` when that is missing or
// unreadable) when the cycle folder's listing shows that cycle's file modified within
// kFreshCycleFile; otherwise the hour before. A listing without readable times leaves the
// clock's cycle.
ListedCycle CycleFromListing(std::string_view listing, std::string_view dateHeader,
                             std::chrono::system_clock::time_point localUtc);

}  // namespace nimbrel
