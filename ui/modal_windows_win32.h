// The modal windows port: each window runs in a message loop of its own until it is unloaded;
// the loop dispatches every message, so the main window's timers keep ticking meanwhile.
#pragma once

#include <windows.h>

#include "app/ui_ports.h"
#include "ui/base_window_win32.h"
#include "ui/message_pump_win32.h"

namespace nimbrel {

class Win32ModalWindows : public ModalWindows {
  public:
    // The About box is modal over `mainWindow`. In a minimised start the splash keeps out of
    // the way.
    Win32ModalWindows(HINSTANCE instance, Win32MessagePump& pump, const BaseWindow& mainWindow,
                      bool minimizedStart)
        : instance_(instance),
          pump_(pump),
          mainWindow_(mainWindow),
          minimizedStart_(minimizedStart) {}

    void ShowSplash() override;
    void ShowAbout() override;

  private:
    void RunUntilUnloaded(const BaseWindow& window);

    HINSTANCE instance_;
    Win32MessagePump& pump_;
    const BaseWindow& mainWindow_;
    bool minimizedStart_;
};

}  // namespace nimbrel
