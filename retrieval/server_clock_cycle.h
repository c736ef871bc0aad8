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

// The cycle by the server's Date header, or by `localUtc` when the header is missing or unreadable.
std::string CycleFromServerDate(std::string_view dateHeader,
                                std::chrono::system_clock::time_point localUtc);

}  // namespace nimbrel
