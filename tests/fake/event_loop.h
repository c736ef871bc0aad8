// A deterministic message loop with a virtual clock: time moves only when the program waits.
#pragma once

#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <utility>

#include "app/ui_ports.h"

namespace nimbrel::fake {

using std::chrono::milliseconds;

class EventLoop : public MessagePump, public Clock {
  public:
    // Schedules `action` to be delivered `delay` from now.
    void Post(milliseconds delay, std::function<void()> action);

    // The platform's own loop: delivers events as virtual time advances by `duration`.
    void RunFor(milliseconds duration);
    // The PC sleeps for `duration`: the clock moves on and every event waits as long, no tick
    // comes meanwhile.
    void Sleep(milliseconds duration);
    // Makes every later PumpPending report that the program is closing.
    void Close() { closing_ = true; }
    // Hears what escapes an event's handler, as the platform's barrier does; unset, it escapes.
    std::function<void(std::exception_ptr)> onUnhandled;
    bool watchFails = false;  // WatchForExit throws, as a platform that cannot watch

    bool PumpPending() override;
    void WaitForEvent(milliseconds timeout) override;
    void WatchForExit(std::unique_ptr<StartedProgram> program,
                      std::function<void(const StartedProgram&)> onExit) override;
    void PostAfter(milliseconds delay, std::function<void()> action) override {
        Post(delay, std::move(action));
    }
    // Ends a watched program: its end is delivered by the next pump.
    void EndProgram(const StartedProgram& program);
    std::size_t WatchedPrograms() const { return watches_.size(); }
    milliseconds Now() const override { return now_; }
    std::chrono::system_clock::time_point UtcNow() const override { return utcAtStart_ + now_; }

    void SetUtcAtStart(std::chrono::system_clock::time_point utc) { utcAtStart_ = utc; }
    int WaitCount() const { return waits_; }

  private:
    void Deliver(const std::function<void()>& action);

    using Key = std::pair<milliseconds, std::uint64_t>;  // due time, then posting order

    milliseconds now_{0};
    // The day the tests' cycle files are of, so that their reports are neither old nor ahead.
    std::chrono::system_clock::time_point utcAtStart_{
        std::chrono::sys_days(std::chrono::year(2026) / 12 / 7) + std::chrono::hours(14) +
        std::chrono::minutes(5)};
    std::map<Key, std::function<void()>> queue_;
    std::uint64_t nextSequence_ = 0;
    bool closing_ = false;
    int waits_ = 0;
    std::map<const StartedProgram*,
             std::pair<std::unique_ptr<StartedProgram>, std::function<void(const StartedProgram&)>>>
        watches_;
};

}  // namespace nimbrel::fake
