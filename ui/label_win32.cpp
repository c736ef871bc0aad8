#include "ui/label_win32.h"

namespace nimbrel {

void Win32Label::SetCaption(const std::string& caption) {
    control_.SetText(caption);
    RedrawWithBackground();
}

void Win32Label::SetForeColour(Colour colour) {
    colour_ = colour;
    RedrawWithBackground();
}

void Win32Label::RedrawWithBackground() const {
    const HWND label = control_.Handle();
    if (!label) {
        return;
    }
    const HWND parent = GetParent(label);
    RECT area{};
    GetWindowRect(label, &area);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
    RedrawWindow(parent, &area, nullptr,
                 RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

}  // namespace nimbrel
