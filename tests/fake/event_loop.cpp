#include "tests/fake/event_loop.h"

namespace nimbrel::fake {

void EventLoop::Post(milliseconds delay, std::function<void()> action) {
    queue_.emplace(Key{now_ + delay, nextSequence_++}, std::move(action));
}

bool EventLoop::PumpPending() {
    // Events posted while delivering wait for the next pump, as on a real message queue.
    const std::uint64_t postedBefore = nextSequence_;
    for (auto it = queue_.begin(); it != queue_.end() && it->first.first <= now_ && !closing_;) {
        if (it->first.second >= postedBefore) {
            ++it;
            continue;
        }
        auto action = std::move(it->second);
        queue_.erase(it);
        action();
        it = queue_.begin();
    }
    return closing_;
}

void EventLoop::WaitForEvent(milliseconds timeout) {
    ++waits_;
    const milliseconds until = now_ + timeout;
    if (!queue_.empty() && queue_.begin()->first.first <= now_) {
        return;
    }
    now_ = queue_.empty() ? until : std::min(until, queue_.begin()->first.first);
}

void EventLoop::RunFor(milliseconds duration) {
    const milliseconds end = now_ + duration;
    while (!PumpPending()) {
        if (now_ >= end) {
            return;
        }
        WaitForEvent(end - now_);
    }
}

}  // namespace nimbrel::fake
