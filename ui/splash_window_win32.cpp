#include "ui/splash_window_win32.h"

#include "ui/control_ids.h"
#include "ui/picture_decoder_win32.h"
#include "ui/resource_ids.h"

namespace nimbrel {

namespace {

constexpr DWORD kStyle = WS_POPUP | WS_DLGFRAME;
constexpr int kClientWidth = 6600;
constexpr int kClientHeight = 4950;
constexpr UINT_PTR kTimer1Id = 1;

HBRUSH BlackBrush() {
    return static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
}

}  // namespace

Win32SplashWindow::Win32SplashWindow(HINSTANCE instance, bool quiet)
    : quiet_(quiet),
      timer1_(*this, kTimer1Id, Splash::kTimer1Interval),
      picture_(DecodePictureResource(instance, IDR_SPLASH)),
      splash_({form_, *this, timer1_}, screen_) {
    Create(instance, {kSplashWindowClass, BlackBrush(), 0}, L"", kStyle,
           quiet ? WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE : 0);
    SetClientSize(kClientWidth, kClientHeight);
    picture_.ScaleForDpi(Dpi());
    timer1_.SetEnabled(true);
}

void Win32SplashWindow::LoadAndShow() {
    splash_.Form_Load();
    if (Hwnd()) {
        ShowWindow(Hwnd(), quiet_ ? SW_SHOWNOACTIVATE : SW_SHOW);
    }
}

LRESULT Win32SplashWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            if (wParam == kTimer1Id) {
                splash_.Timer1_Timer();
            }
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE) {
                splash_.Form_Activate();
            }
            break;
        case WM_ERASEBKGND: {
            RECT client{};
            GetClientRect(Hwnd(), &client);
            picture_.Paint(reinterpret_cast<HDC>(wParam), client, BlackBrush());
            return 1;
        }
        case WM_CLOSE:
            // The splash screen takes no input: only its timer ends it.
            return 0;
        case WM_DPICHANGED:
            MoveToSuggestedRect(lParam);
            picture_.ScaleForDpi(LOWORD(wParam));
            return 0;
    }
    return BaseWindow::HandleMessage(message, wParam, lParam);
}

}  // namespace nimbrel
