// A report that another program holds open (the simulator reading it) is usually free again
// within moments: when to try its swap again, and when to give up.
#pragma once

#include <chrono>
#include <optional>

#include "retrieval/report_files.h"

namespace nimbrel {

inline constexpr std::chrono::milliseconds kHeldFileRetryWindow{std::chrono::seconds(10)};

// How long to wait before the next try of a failed swap, `sinceFirstTry` after the write began;
// nullopt to give up. Only a held file is worth another try: the other failures stay.
std::optional<std::chrono::milliseconds> HeldFileRetryPause(
    const ReportWriteFailure& failure, std::chrono::milliseconds sinceFirstTry);

}  // namespace nimbrel
