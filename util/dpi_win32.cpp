#include "util/dpi_win32.h"

#include "util/windows_functions_win32.h"

namespace nimbrel {

void DeclareDpiAwareness() {
    const auto setContext = NewerWindowsFunctions().SetProcessDpiAwarenessContext;
    if (!setContext || !setContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2)) {
        SetProcessDPIAware();
    }
}

int SystemDpi() {
    if (const auto getDpi = NewerWindowsFunctions().GetDpiForSystem) {
        return static_cast<int>(getDpi());
    }
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi;
}

int WindowDpi(HWND window) {
    if (const auto getDpi = NewerWindowsFunctions().GetDpiForWindow) {
        return static_cast<int>(getDpi(window));
    }
    return SystemDpi();
}

MonitorArea MonitorOf(HWND window) {
    const HMONITOR monitor = MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST);
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoW(monitor, &info)) {
        info.rcMonitor = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
    UINT dpi = 0;
    UINT dpiY = 0;
    const auto getDpi = NewerWindowsFunctions().GetDpiForMonitor;
    if (!getDpi || FAILED(getDpi(monitor, kEffectiveDpi, &dpi, &dpiY)) || dpi == 0) {
        // Before Windows 8.1 every monitor has the system DPI, which the window then has too.
        dpi = static_cast<UINT>(WindowDpi(window));
    }
    const RECT& area = info.rcMonitor;
    return {area.left, area.top, area.right - area.left, area.bottom - area.top,
            static_cast<int>(dpi)};
}

void AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi) {
    if (const auto adjust = NewerWindowsFunctions().AdjustWindowRectExForDpi) {
        adjust(&rect, style, FALSE, exStyle, static_cast<UINT>(dpi));
    } else {
        // Without per-monitor awareness every window has the system DPI, which this one uses.
        AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    }
}

}  // namespace nimbrel
