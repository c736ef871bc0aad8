#include "util/message_box_win32.h"

#include <windows.h>

#include <string>

#include "util/runtime_error.h"
#include "util/win32_text.h"

namespace nimbrel {

void Win32MessageBox::Show(const std::string& text, const std::string& title, MessageBoxIcon icon) {
    const UINT iconStyle = icon == MessageBoxIcon::Critical ? MB_ICONERROR : MB_ICONINFORMATION;
    MessageBoxW(GetActiveWindow(), Utf8ToWide(text).c_str(), Utf8ToWide(title).c_str(),
                MB_OK | iconStyle);
}

void ReportUnhandled(const std::exception& error) {
    std::string text = error.what();
    if (const auto* runtimeError = dynamic_cast<const RuntimeError*>(&error)) {
        text = "Run-time error " + std::to_string(runtimeError->Number()) + ":\n\n" + text;
    }
    MessageBoxW(GetActiveWindow(), Utf8ToWide(text).c_str(), L"Nimbrel", MB_OK | MB_ICONERROR);
}

}  // namespace nimbrel
