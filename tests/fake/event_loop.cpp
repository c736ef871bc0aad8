#include "tests/fake/event_loop.h"

#include <stdexcept>

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
        Deliver(action);
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

void EventLoop::Deliver(const std::function<void()>& action) {
    if (!onUnhandled) {
        action();
        return;
    }
    try {
        action();
    } catch (const std::exception&) {
        onUnhandled(std::current_exception());
    }
}

void EventLoop::WatchForExit(std::unique_ptr<StartedProgram> program,
                             std::function<void(const StartedProgram&)> onExit) {
    if (watchFails) {
        throw std::runtime_error("The end of the started program cannot be watched");
    }
    const StartedProgram* key = program.get();
    watches_.emplace(key, std::pair{std::move(program), std::move(onExit)});
}

void EventLoop::EndProgram(const StartedProgram& program) {
    const auto watch = watches_.find(&program);
    if (watch == watches_.end()) {
        return;
    }
    // The program goes with its end, which the handler reads.
    std::shared_ptr<StartedProgram> ended = std::move(watch->second.first);
    Post(milliseconds(0), [ended, onExit = std::move(watch->second.second)] { onExit(*ended); });
    watches_.erase(watch);
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

void EventLoop::Sleep(milliseconds duration) {
    std::map<Key, std::function<void()>> later;
    for (auto& [key, action] : queue_) {
        later.emplace(Key{key.first + duration, key.second}, std::move(action));
    }
    queue_ = std::move(later);
    now_ += duration;
}

}  // namespace nimbrel::fake
