#include "ui/label_win32.h"

namespace nimbrel {

void Win32Label::SetCaption(const std::string& caption) {
    control_.SetText(caption);
    RedrawWithBackground(RDW_UPDATENOW);
}

void Win32Label::SetForeColour(Colour colour) {
    colour_ = colour;
    // Painted with the next caption, or with the next paint: never the old text in a new colour.
    RedrawWithBackground(0);
}

void Win32Label::RedrawWithBackground(UINT when) const {
    const HWND label = control_.Handle();
    if (!label) {
        return;
    }
    const HWND parent = GetParent(label);
    RECT area{};
    GetWindowRect(label, &area);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&area), 2);
    RedrawWindow(parent, &area, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN | when);
}

}  // namespace nimbrel
