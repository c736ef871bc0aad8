#include "ui/shell_win32.h"

#include <shellapi.h>

#include "util/program_path_win32.h"
#include "util/win32_text.h"
#include "util/window_state_win32.h"

namespace nimbrel {

std::string Win32Shell::ProgramFolder() const {
    const std::wstring path = ProgramPath();
    return WideToUtf8(path.substr(0, path.find_last_of(L'\\')));
}

void Win32Shell::Open(const std::string& file, const std::string& parameters,
                      const std::string& directory, WindowState state) {
    ShellExecuteW(owner_.Hwnd(), L"open", Utf8ToWide(file).c_str(), Utf8ToWide(parameters).c_str(),
                  Utf8ToWide(directory).c_str(), ShowCommand(state));
}

}  // namespace nimbrel
