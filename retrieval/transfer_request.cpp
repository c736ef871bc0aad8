#include "retrieval/transfer_request.h"

#include <utility>

namespace nimbrel {

bool TransferRequest::Own(RequestPlatform::Handle handle) {
    {
        std::lock_guard lock(mutex_);
        if (!ended_) {
            handle_ = handle;
            return true;
        }
    }
    platform_.CloseHandle(handle);
    return false;
}

RequestPlatform::Handle TransferRequest::BeginUse() {
    std::lock_guard lock(mutex_);
    if (ended_ || !handle_) {
        return nullptr;
    }
    ++users_;
    return handle_;
}

// The handle closes outside the lock: the platform may report its closing on this very thread,
// and that may free this request.
void TransferRequest::EndUse() {
    RequestPlatform::Handle closing;
    {
        std::lock_guard lock(mutex_);
        --users_;
        closing = ended_ && users_ == 0 ? std::exchange(handle_, nullptr) : nullptr;
    }
    if (closing) {
        platform_.CloseHandle(closing);
    }
}

RequestPlatform::Handle TransferRequest::FinishLocked() {
    ended_ = true;
    return users_ == 0 ? std::exchange(handle_, nullptr) : nullptr;
}

void TransferRequest::AddBodySize(std::uint64_t bytes) {
    std::lock_guard lock(mutex_);
    batch_.bodySize = bytes;
    WakeLocked();
}

bool TransferRequest::AddData(std::string_view bytes) {
    std::lock_guard lock(mutex_);
    batch_.data.append(bytes);
    paused_ = batch_.data.size() >= kPauseBytes;
    WakeLocked();
    return !paused_;
}

void TransferRequest::End(TransferEnd end) {
    RequestPlatform::Handle closing;
    {
        std::lock_guard lock(mutex_);
        if (ended_) {
            return;
        }
        batch_.end = std::move(end);
        WakeLocked();
        closing = FinishLocked();
    }
    if (closing) {
        platform_.CloseHandle(closing);
    }
}

void TransferRequest::Close() {
    RequestPlatform::Handle closing;
    {
        std::lock_guard lock(mutex_);
        wakeTarget_ = nullptr;
        closing = FinishLocked();
    }
    if (closing) {
        platform_.CloseHandle(closing);
    }
}

TransferBatch TransferRequest::Take() {
    std::lock_guard lock(mutex_);
    wakeQueued_ = false;
    TransferBatch taken = std::exchange(batch_, {});
    taken.resumeReading = std::exchange(paused_, false);
    return taken;
}

// Only a batch that finds no wake-up on its way asks for one, so each transfer has at most one
// in the queue. One that could not be sent (a full queue) is tried again with the next addition,
// and the taker sweeps anyway: nothing is lost, the end least of all.
void TransferRequest::WakeLocked() {
    if (!wakeQueued_ && wakeTarget_) {
        wakeQueued_ = platform_.Wake(wakeTarget_, generation_);
    }
}

}  // namespace nimbrel
