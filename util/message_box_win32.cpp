#include "util/message_box_win32.h"

#include <windows.h>

#include <string>

#include "util/win32_text.h"

namespace nimbrel {

void Win32MessageBox::Show(const std::string& text, const std::string& title, MessageBoxIcon icon) {
    const UINT iconStyle = icon == MessageBoxIcon::Critical ? MB_ICONERROR : MB_ICONINFORMATION;
    HWND owner = GetActiveWindow();
    UINT style = MB_OK | iconStyle;
    if (!owner && owner_ && IsWindow(owner_)) {
        owner = owner_;
        style |= MB_SETFOREGROUND;
    }
    MessageBoxW(owner, Utf8ToWide(text).c_str(), Utf8ToWide(title).c_str(), style);
}

}  // namespace nimbrel
