#include "app/held_file_retry.h"

#include <algorithm>

namespace nimbrel {

namespace {

// Short enough that the report lands soon after the reader lets go.
constexpr std::chrono::milliseconds kHeldFileRetryInterval{250};

}  // namespace

std::optional<std::chrono::milliseconds> HeldFileRetryPause(
    const ReportWriteFailure& failure, std::chrono::milliseconds sinceFirstTry) {
    if (failure.kind != ReportWriteFailureKind::Locked || sinceFirstTry >= kHeldFileRetryWindow) {
        return std::nullopt;
    }
    // The last try falls at the end of the window, not short of it.
    return std::min(kHeldFileRetryInterval, kHeldFileRetryWindow - sinceFirstTry);
}

}  // namespace nimbrel
