#include "tests/fake/fake_controls.h"

namespace nimbrel::fake {

FakeTimer::FakeTimer(EventLoop& loop, milliseconds interval, bool enabled)
    : loop_(loop), interval_(interval) {
    SetEnabled(enabled);
}

void FakeTimer::SetEnabled(bool enabled) {
    if (enabled == enabled_) {
        return;
    }
    enabled_ = enabled;
    ++generation_;
    if (enabled_) {
        Schedule();
    }
}

void FakeTimer::Schedule() {
    loop_.Post(interval_, [this, generation = generation_] {
        if (!enabled_ || generation != generation_) {
            return;
        }
        // The next tick is already due while this handler runs, as with a platform timer.
        Schedule();
        if (onTick_) {
            onTick_();
        }
    });
}

void FakeModalWindows::ShowSplash() {
    ++splashShown;
    loop_.RunFor(milliseconds(2500));
}

void FakeModalWindows::ShowAbout() {
    ++aboutShown;
    if (whileAboutOpen) {
        whileAboutOpen();
    }
}

}  // namespace nimbrel::fake
