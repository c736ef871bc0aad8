#include "ui/form_win32.h"

#include "util/dpi_win32.h"

namespace nimbrel {

namespace {

MonitorPlacement PlacementOf(const BaseWindow& window) {
    return MonitorPlacement(MonitorOf(window.Hwnd()));
}

}  // namespace

float Win32Form::Height() const {
    const RECT bounds = Bounds();
    return PlacementOf(window_).Twips(bounds.bottom - bounds.top);
}

float Win32Form::Width() const {
    const RECT bounds = Bounds();
    return PlacementOf(window_).Twips(bounds.right - bounds.left);
}

void Win32Form::SetTop(float twips) {
    MoveTo(Bounds().left, PlacementOf(window_).DesktopTop(twips));
}

void Win32Form::SetLeft(float twips) {
    MoveTo(PlacementOf(window_).DesktopLeft(twips), Bounds().top);
}

void Win32Form::Close() {
    if (window_.Hwnd()) {
        // Posted, as a click on the close button is, so that the handler asking returns first.
        PostMessageW(window_.Hwnd(), WM_CLOSE, 0, 0);
    }
}

void Win32Form::Flash() {
    if (window_.Hwnd()) {
        FLASHWINFO flash{sizeof flash, window_.Hwnd(), FLASHW_ALL | FLASHW_TIMERNOFG, 0, 0};
        FlashWindowEx(&flash);
    }
}

RECT Win32Form::Bounds() const {
    RECT bounds{};
    if (window_.Hwnd()) {
        GetWindowRect(window_.Hwnd(), &bounds);
    }
    return bounds;
}

void Win32Form::MoveTo(int x, int y) {
    if (window_.Hwnd()) {
        SetWindowPos(window_.Hwnd(), nullptr, x, y, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

float Win32Screen::Height() const {
    return PlacementOf(window_).Height();
}

float Win32Screen::Width() const {
    return PlacementOf(window_).Width();
}

}  // namespace nimbrel
