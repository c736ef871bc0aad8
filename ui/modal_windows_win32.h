// The modal windows port: each window runs in a message loop of its own until it is unloaded;
// the loop dispatches every message, so the main window's timers keep ticking meanwhile.
#pragma once

#include <windows.h>

#include "app/ui_ports.h"
#include "ui/message_pump_win32.h"
#include "util/form.h"

namespace nimbrel {

class Win32ModalWindows : public ModalWindows {
  public:
    Win32ModalWindows(HINSTANCE instance, const Screen& screen, Win32MessagePump& pump)
        : instance_(instance), screen_(screen), pump_(pump) {}

    void ShowSplash() override;
    // The About box is a window of its own still to be built; until then this shows nothing.
    void ShowAbout() override;

  private:
    HINSTANCE instance_;
    const Screen& screen_;
    Win32MessagePump& pump_;
};

}  // namespace nimbrel
