#include "ui/timer_win32.h"

namespace nimbrel {

void Win32Timer::SetEnabled(bool enabled) {
    if (enabled == enabled_) {
        return;
    }
    enabled_ = enabled;
    // A destroyed window has lost its timers already.
    const HWND window = owner_.Hwnd();
    if (!window) {
        return;
    }
    if (enabled) {
        SetTimer(window, id_, static_cast<UINT>(interval_.count()), nullptr);
    } else {
        KillTimer(window, id_);
    }
}

}  // namespace nimbrel
