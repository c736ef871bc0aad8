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

// With no other file listed to compare with, a cycle file modified longer ago than this, by the
// server's clock, still holds an older day's reports: NOAA deletes each file before its cycle and
// writes it anew as the reports arrive.
inline constexpr std::chrono::minutes kFreshCycleFile{90};
// The file NOAA is filling is among the newest listed: the clock's file counts as begun when it
// was modified no longer than this before the newest of the other files.
inline constexpr std::chrono::minutes kAmongTheNewest{60};

struct ListedCycle {
    std::string cycle{};       // the cycle to fetch as the current one
    std::string passedOver{};  // the clock's cycle when its file was not fresh; else empty
    bool listed = false;       // the listing could be read; else the clock alone decided
};

// The current cycle by the server's clock (its Date header, or `localUtc` when that is missing or
// unreadable) when the cycle folder's listing shows that cycle's file begun and fresh; otherwise
// the hour before. Apache lists times in the server's own zone, which it does not name, so they
// are compared with each other, never with the clock: the clock's file is fresh when it is
// within kAmongTheNewest of the newest other file listed. Only a listing of that one file is
// judged against the clock, within kFreshCycleFile. A listing without readable times (or none at
// all, `listing` empty) leaves the clock's cycle.
ListedCycle CycleFromListing(std::string_view listing, std::string_view dateHeader,
                             std::chrono::system_clock::time_point localUtc);

}  // namespace nimbrel
