#include "retrieval/transfer_inbox.h"

#include <utility>

namespace nimbrel {

void TransferInbox::AddBodySize(std::uint64_t bytes) {
    std::lock_guard lock(mutex_);
    batch_.bodySize = bytes;
    WakeLocked();
}

bool TransferInbox::AddData(std::string_view bytes) {
    std::lock_guard lock(mutex_);
    batch_.data.append(bytes);
    paused_ = batch_.data.size() >= kPauseBytes;
    WakeLocked();
    return !paused_;
}

void TransferInbox::End(TransferEnd end) {
    std::lock_guard lock(mutex_);
    if (std::exchange(ended_, true)) {
        return;
    }
    batch_.end = std::move(end);
    WakeLocked();
}

TransferBatch TransferInbox::Take() {
    std::lock_guard lock(mutex_);
    wakeQueued_ = false;
    TransferBatch taken = std::exchange(batch_, {});
    taken.resumeReading = std::exchange(paused_, false);
    return taken;
}

// A failed wake-up is tried again with the next addition, and the taker sweeps anyway.
void TransferInbox::WakeLocked() {
    if (!wakeQueued_) {
        wakeQueued_ = wake_();
    }
}

}  // namespace nimbrel
