// The functions of Windows versions newer than 7 that the program uses. Importing one by name
// would stop the program from starting on a Windows that lacks it, so each is looked up at run
// time, once, here. A null entry means this Windows lacks the function: the caller falls back.
#pragma once

#include <windows.h>

namespace nimbrel {

struct WindowsFunctions {
    // Windows 10 1607
    UINT(WINAPI* GetDpiForWindow)(HWND window) = nullptr;
    UINT(WINAPI* GetDpiForSystem)() = nullptr;
    BOOL(WINAPI* AdjustWindowRectExForDpi)
    (RECT* rect, DWORD style, BOOL menu, DWORD exStyle, UINT dpi) = nullptr;
    // Windows 10 1703
    BOOL(WINAPI* SetProcessDpiAwarenessContext)(DPI_AWARENESS_CONTEXT context) = nullptr;
    // Windows 8.1, in shcore.dll; the type is a MONITOR_DPI_TYPE
    HRESULT(WINAPI* GetDpiForMonitor)(HMONITOR monitor, int type, UINT* dpiX, UINT* dpiY) = nullptr;
    // Windows 8
    void(WINAPI* GetSystemTimePreciseAsFileTime)(FILETIME* time) = nullptr;
    // ntdll, which has no import library for it; the NTSTATUS behind the last error
    LONG(WINAPI* RtlGetLastNtStatus)() = nullptr;
};

// The table, filled on first use. Tests empty it to run the program as on Windows 7.
WindowsFunctions& NewerWindowsFunctions();

}  // namespace nimbrel
