#include "util/program_path_win32.h"

#include <windows.h>

namespace nimbrel {

std::wstring ProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    // A path that fills the buffer may have been cut short: try again with more room.
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace nimbrel
