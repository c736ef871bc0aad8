#include "retrieval/winhttp_transfer_link.h"

#include <utility>

namespace nimbrel {

bool Mailbox::Post(unsigned generation) {
    std::lock_guard lock(mutex_);
    return window_ && PostMessageW(window_, kWakeMessage, generation, 0);
}

void Mailbox::Close() {
    std::lock_guard lock(mutex_);
    window_ = nullptr;
}

TransferLink::TransferLink(unsigned generation, std::shared_ptr<Mailbox> mailbox)
    : generation_(generation),
      inbox_([generation, mailbox = std::move(mailbox)] { return mailbox->Post(generation); }) {}

bool TransferLink::Adopt(HINTERNET request, std::function<void(HINTERNET)> readMore) {
    readMore_ = std::move(readMore);
    {
        std::lock_guard lock(mutex_);
        if (!closing_) {
            request_ = request;
            return true;
        }
    }
    WinHttpCloseHandle(request);
    return false;
}

HINTERNET TransferLink::BeginUse() {
    std::lock_guard lock(mutex_);
    if (closing_ || !request_) {
        return nullptr;
    }
    ++users_;
    return request_;
}

// The handle is closed outside the lock: WinHTTP may report its closing on this very thread,
// and that frees the context, which may hold the last reference to this link.
void TransferLink::EndUse() {
    HINTERNET closing;
    {
        std::lock_guard lock(mutex_);
        --users_;
        closing = TakeForClosingLocked();
    }
    if (closing) {
        WinHttpCloseHandle(closing);
    }
}

void TransferLink::Close() {
    HINTERNET closing;
    {
        std::lock_guard lock(mutex_);
        closing_ = true;
        closing = TakeForClosingLocked();
    }
    if (closing) {
        WinHttpCloseHandle(closing);
    }
}

HINTERNET TransferLink::TakeForClosingLocked() {
    if (!closing_ || users_ > 0) {
        return nullptr;
    }
    return std::exchange(request_, nullptr);
}

TransferBatch TransferLink::Take() {
    TransferBatch batch = inbox_.Take();
    if (batch.resumeReading) {
        try {
            Use(readMore_);
        } catch (...) {
            // Paused, nothing else would ever end the transfer.
            inbox_.End(TransferFailure{});
            Close();
        }
    }
    return batch;
}

}  // namespace nimbrel
