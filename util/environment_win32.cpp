#include "util/environment_win32.h"

#include <windows.h>

#include "util/win32_text.h"

namespace nimbrel {

std::string Win32Environment::Expand(const std::string& text) const {
    const std::wstring wide = Utf8ToWide(text);
    const DWORD needed = ExpandEnvironmentStringsW(wide.c_str(), nullptr, 0);
    if (needed == 0) {
        return text;
    }
    std::wstring expanded(needed, L'\0');
    const DWORD written = ExpandEnvironmentStringsW(wide.c_str(), expanded.data(), needed);
    if (written == 0 || written > needed) {
        return text;
    }
    expanded.resize(written - 1);  // the count includes the NUL
    return WideToUtf8(expanded);
}

}  // namespace nimbrel
