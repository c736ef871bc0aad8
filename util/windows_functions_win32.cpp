#include "util/windows_functions_win32.h"

namespace nimbrel {

namespace {

template <typename Function>
void LookUp(HMODULE module, const char* name, Function*& entry) {
    // GetProcAddress's own type fits no function; void(*)() converts to any other without a
    // warning.
    const auto found =
        reinterpret_cast<void (*)()>(module ? GetProcAddress(module, name) : nullptr);
    entry = reinterpret_cast<Function*>(found);
}

WindowsFunctions LookUpAll() {
    // The program imports from these DLLs (ntdll is in every process), so they are loaded
    // already.
    const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    // Not imported, so loaded here, from the system's folder only. Windows 7 without the update
    // that knows the flag refuses it; it has no GetDpiForMonitor anyway.
    const HMODULE shcore = LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    WindowsFunctions table;
#define NIMBREL_LOOK_UP(module, name) LookUp(module, #name, table.name)
    NIMBREL_LOOK_UP(user32, GetDpiForWindow);
    NIMBREL_LOOK_UP(user32, GetDpiForSystem);
    NIMBREL_LOOK_UP(user32, AdjustWindowRectExForDpi);
    NIMBREL_LOOK_UP(user32, SetProcessDpiAwarenessContext);
    NIMBREL_LOOK_UP(shcore, GetDpiForMonitor);
    NIMBREL_LOOK_UP(kernel32, GetSystemTimePreciseAsFileTime);
    NIMBREL_LOOK_UP(ntdll, RtlGetLastNtStatus);
#undef NIMBREL_LOOK_UP
    return table;
}

}  // namespace

WindowsFunctions& NewerWindowsFunctions() {
    static WindowsFunctions table = LookUpAll();
    return table;
}

}  // namespace nimbrel
