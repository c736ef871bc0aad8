#include "ui/shell_win32.h"

#include <shellapi.h>

#include "util/win32_text.h"
#include "util/window_state_win32.h"

namespace nimbrel {

std::string Win32Shell::ProgramFolder() const {
    std::wstring path(MAX_PATH, L'\0');
    // A path that fills the buffer may have been cut short: try again with more room.
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    return WideToUtf8(path.substr(0, path.find_last_of(L'\\')));
}

void Win32Shell::Open(const std::string& file, const std::string& parameters,
                      const std::string& directory, WindowState state) {
    ShellExecuteW(owner_.Hwnd(), L"open", Utf8ToWide(file).c_str(), Utf8ToWide(parameters).c_str(),
                  Utf8ToWide(directory).c_str(), ShowCommand(state));
}

}  // namespace nimbrel
