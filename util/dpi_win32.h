// The DPI that windows are laid out for. Windows 10 1607 and later tell each window its monitor's
// DPI; older systems run the program system-DPI aware, with one DPI for every window.
#pragma once

#include <windows.h>

#include "util/center_form.h"

namespace nimbrel {

// Per-monitor (v2) awareness where the system has it, else system awareness. The manifest asks
// for the same, so this only matters where the manifest is not read; a refusal because the
// awareness is already set is harmless.
void DeclareDpiAwareness();
// The DPI of the primary screen, for what belongs to no window.
int SystemDpi();
// The DPI `window` is laid out for.
int WindowDpi(HWND window);
// The whole monitor `window` is on, or is nearest to, and that monitor's DPI.
MonitorArea MonitorOf(HWND window);
// Grows a client rectangle to the outer rectangle of a window with these styles at `dpi`.
void AdjustWindowRectForDpi(RECT& rect, DWORD style, DWORD exStyle, int dpi);

}  // namespace nimbrel
