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

void AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi) {
    if (const auto adjust = NewerWindowsFunctions().AdjustWindowRectExForDpi) {
        adjust(&rect, style, FALSE, exStyle, static_cast<UINT>(dpi));
    } else {
        // Without per-monitor awareness every window has the system DPI, which this one uses.
        AdjustWindowRectEx(&rect, style, FALSE, exStyle);
    }
}

}  // namespace nimbrel
