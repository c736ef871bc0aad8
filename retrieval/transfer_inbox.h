// What one transfer's worker thread has for the user-interface thread: the body's size, the
// bytes received, and the final event, handed over in batches.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "retrieval/http_control.h"

namespace nimbrel {

// A transfer ends with one of these, exactly once.
using TransferEnd = std::variant<TransferFailure, HttpResponseInfo>;

// Everything the user-interface thread had not yet taken.
struct TransferBatch {
    std::optional<std::uint64_t> bodySize{};
    std::string data{};
    std::optional<TransferEnd> end{};
    bool resumeReading = false;  // the worker paused; the taker asks for more of the body
};

// The worker adds; the user-interface thread takes everything at once. Only a batch that finds
// no wake-up on its way asks `wake` for one, so each transfer has at most one in the queue. A
// wake-up that could not be sent (a full queue) leaves the batch here for the taker's next
// sweep: nothing is lost, the final event least of all.
class TransferInbox {
  public:
    // Above this many bytes waiting, the worker pauses reading until they are taken.
    static constexpr std::size_t kPauseBytes = std::size_t{4} << 20;

    // `wake` asks the user-interface thread to take the batch; false when it could not.
    explicit TransferInbox(std::function<bool()> wake) : wake_(std::move(wake)) {}

    void AddBodySize(std::uint64_t bytes);
    // False when the worker is to pause reading: Take then sets `resumeReading`.
    bool AddData(std::string_view bytes);
    // Only the first end counts.
    void End(TransferEnd end);
    TransferBatch Take();

  private:
    void WakeLocked();

    const std::function<bool()> wake_;
    std::mutex mutex_;
    TransferBatch batch_;
    bool ended_ = false;
    bool paused_ = false;
    bool wakeQueued_ = false;
};

}  // namespace nimbrel
