#include "ui/modal_windows_win32.h"

#include "ui/about_window_win32.h"
#include "ui/splash_window_win32.h"

namespace nimbrel {

void Win32ModalWindows::ShowSplash() {
    // No owner: the main window is not on screen yet.
    Win32SplashWindow splash(instance_, minimizedStart_);
    splash.LoadAndShow();
    RunUntilUnloaded(splash);
}

void Win32ModalWindows::ShowAbout() {
    // A new box each time, loaded afresh from its design.
    Win32AboutWindow about(instance_, mainWindow_.Hwnd());
    about.LoadAndShow();
    RunUntilUnloaded(about);
}

void Win32ModalWindows::RunUntilUnloaded(const BaseWindow& window) {
    pump_.RunUntil([&window] { return window.Hwnd() == nullptr; });
}

}  // namespace nimbrel
