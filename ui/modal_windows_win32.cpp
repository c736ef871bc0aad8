#include "ui/modal_windows_win32.h"

#include "ui/splash_window_win32.h"

namespace nimbrel {

void Win32ModalWindows::ShowSplash() {
    // No owner: the main window is not on screen yet.
    Win32SplashWindow splash(instance_, screen_);
    splash.LoadAndShow();
    pump_.RunUntil([&splash] { return splash.Hwnd() == nullptr; });
}

void Win32ModalWindows::ShowAbout() {}

}  // namespace nimbrel
