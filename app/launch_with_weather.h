// How --launch times the simulator it starts after the first update and watches until it ends.
#pragma once

#include <chrono>
#include <optional>

namespace nimbrel {

// How long the first update may hold the simulator's start.
inline constexpr std::chrono::milliseconds kSimulatorStartLimit{std::chrono::seconds(60)};
// An end this soon after the start is a launcher's or a crash's, not the player's.
inline constexpr std::chrono::milliseconds kEarlySimulatorEnd{std::chrono::seconds(10)};

// Whether the simulator ended too soon to be the player quitting: by the `lifetime` the system
// reports, or where it reports none, by the time from its start until its end was noticed.
bool EndedEarly(std::optional<std::chrono::milliseconds> lifetime,
                std::chrono::milliseconds noticedAfter);

}  // namespace nimbrel
