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

void TransferRequest::ExpectBodySize(std::uint64_t bytes) {
    std::lock_guard lock(mutex_);
    body_.reserve(static_cast<std::size_t>(bytes));
}

void TransferRequest::AddData(std::string_view bytes) {
    std::lock_guard lock(mutex_);
    if (!ended_) {
        body_.append(bytes);
    }
}

void TransferRequest::End(TransferEnd end) {
    RequestPlatform::Handle closing;
    {
        std::lock_guard lock(mutex_);
        if (ended_) {
            return;
        }
        if (std::holds_alternative<TransferFailure>(end)) {
            body_ = {};
        }
        end_ = std::move(end);
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
        body_ = {};
        closing = FinishLocked();
    }
    if (closing) {
        platform_.CloseHandle(closing);
    }
}

TransferBatch TransferRequest::Take() {
    std::lock_guard lock(mutex_);
    if (!end_) {
        return {};
    }
    return {std::exchange(body_, {}), std::exchange(end_, std::nullopt)};
}

// The end asks for one wake-up. One that could not be sent (a full queue) leaves the end to the
// taker's sweep: nothing is lost.
void TransferRequest::WakeLocked() {
    if (wakeTarget_) {
        platform_.Wake(wakeTarget_, generation_);
    }
}

}  // namespace nimbrel
