#include "ui/console_output_win32.h"

#include "util/win32_text.h"

namespace nimbrel {

namespace {

bool Usable(HANDLE handle) {
    return handle && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN;
}

// The parent's console, once for both streams; nothing when there is none.
HANDLE ParentConsole() {
    static const HANDLE console = [] {
        if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED) {
            return INVALID_HANDLE_VALUE;
        }
        return CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    }();
    return console;
}

}  // namespace

StandardStream::StandardStream(DWORD which) : handle_(GetStdHandle(which)) {
    if (!Usable(handle_)) {
        handle_ = ParentConsole();
    }
    DWORD mode = 0;
    console_ = Usable(handle_) && GetConsoleMode(handle_, &mode);
}

void StandardStream::WriteLine(const std::string& text) {
    if (!Usable(handle_)) {
        return;
    }
    if (console_) {
        // A console shows UTF-16 whatever its code page.
        const std::wstring wide = Utf8ToWide(text + "\r\n");
        DWORD written = 0;
        WriteConsoleW(handle_, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    const std::string line = text + "\r\n";
    DWORD written = 0;
    WriteFile(handle_, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

}  // namespace nimbrel
