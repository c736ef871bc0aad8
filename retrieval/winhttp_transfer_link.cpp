#include "retrieval/winhttp_transfer_link.h"

#include <utility>

namespace nimbrel {

namespace {

// Chunks posted but not yet delivered. A fast server would otherwise fill the thread's message
// queue, whose size Windows limits, while the user-interface thread is busy.
constexpr int kMaxQueuedChunks = 64;

}  // namespace

TransferEvent::TransferEvent(std::shared_ptr<TransferLink> link, TransferEventKind kind)
    : link(std::move(link)), kind(kind) {}

TransferEvent::~TransferEvent() {
    if (holdsChunk) {
        link->ReleaseChunk();
    }
}

bool Mailbox::Post(std::unique_ptr<TransferEvent>& event) {
    std::lock_guard lock(mutex_);
    if (!window_ ||
        !PostMessageW(window_, kEventMessage, 0, reinterpret_cast<LPARAM>(event.get()))) {
        return false;
    }
    event.release();
    return true;
}

void Mailbox::Close() {
    std::lock_guard lock(mutex_);
    window_ = nullptr;
}

TransferLink::TransferLink(unsigned generation, std::shared_ptr<Mailbox> mailbox)
    : generation_(generation), mailbox_(std::move(mailbox)) {}

void TransferLink::Adopt(HINTERNET request, std::function<void(HINTERNET)> readMore) {
    readMore_ = std::move(readMore);
    std::lock_guard lock(mutex_);
    request_ = request;
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

bool TransferLink::PostChunk(std::string chunk) {
    {
        std::lock_guard lock(mutex_);
        ++queuedChunks_;
    }
    auto event = std::make_unique<TransferEvent>(shared_from_this(), TransferEventKind::Data);
    event->chunk = std::move(chunk);
    event->holdsChunk = true;
    if (mailbox_->Post(event)) {
        return true;
    }
    event->holdsChunk = false;
    std::lock_guard lock(mutex_);
    --queuedChunks_;
    return false;
}

void TransferLink::PostFailure(TransferFailure failure) {
    auto event = std::make_unique<TransferEvent>(shared_from_this(), TransferEventKind::Error);
    event->failure = std::move(failure);
    PostEnd(std::move(event));
}

void TransferLink::PostCompletion(HttpResponseInfo info) {
    auto event = std::make_unique<TransferEvent>(shared_from_this(), TransferEventKind::Complete);
    event->info = std::move(info);
    PostEnd(std::move(event));
}

// When the post fails the control is gone, or its thread is wedged: nobody is left to tell.
void TransferLink::PostEnd(std::unique_ptr<TransferEvent> event) {
    mailbox_->Post(event);
}

bool TransferLink::PauseWhenFull() {
    std::lock_guard lock(mutex_);
    paused_ = queuedChunks_ >= kMaxQueuedChunks;
    return paused_;
}

void TransferLink::ReleaseChunk() {
    {
        std::lock_guard lock(mutex_);
        --queuedChunks_;
        if (!paused_ || queuedChunks_ >= kMaxQueuedChunks) {
            return;
        }
        paused_ = false;
    }
    Use(readMore_);
}

}  // namespace nimbrel
