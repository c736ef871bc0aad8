// The splash screen on Win32: a picture in a fixed dialog frame without a title bar, whose
// handlers are those of Splash.
#pragma once

#include <windows.h>

#include "app/splash.h"
#include "ui/base_window_win32.h"
#include "ui/form_win32.h"
#include "ui/picture_win32.h"
#include "ui/timer_win32.h"

namespace nimbrel {

class Win32SplashWindow : public BaseWindow, public Window {
  public:
    // Creates the window hidden; its timer runs from here on. A quiet splash, for a minimised
    // start, takes no focus and has no task bar button.
    Win32SplashWindow(HINSTANCE instance, bool quiet);
    ~Win32SplashWindow() override = default;

    // Loads the window (centres and paints it), then shows it.
    void LoadAndShow();

    void Repaint() override { RepaintNow(); }
    void Unload() override { Destroy(); }

  private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    Win32Form form_{*this};
    Win32Screen screen_{*this};
    bool quiet_;
    Win32Timer timer1_;
    Picture picture_;
    Splash splash_;
};

}  // namespace nimbrel
