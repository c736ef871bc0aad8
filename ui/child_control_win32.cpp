#include "ui/child_control_win32.h"

#include "util/win32_text.h"

namespace nimbrel {

HWND ChildControl::Handle() const {
    return parent_.Hwnd() ? GetDlgItem(parent_.Hwnd(), id_) : nullptr;
}

std::string ChildControl::Text() const {
    const HWND control = Handle();
    if (!control) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return WideToUtf8(text);
}

void ChildControl::SetText(const std::string& text) const {
    if (const HWND control = Handle()) {
        SetWindowTextW(control, Utf8ToWide(text).c_str());
    }
}

}  // namespace nimbrel
