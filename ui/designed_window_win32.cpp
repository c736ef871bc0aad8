#include "ui/designed_window_win32.h"

#include "util/twips.h"

namespace nimbrel {

void DesignedWindow::CreateControls(HINSTANCE instance, int firstFocus) {
    for (const ControlDesign& design : controls_) {
        CreateWindowExW(design.exStyle, design.className, design.text,
                        WS_CHILD | WS_VISIBLE | design.style, 0, 0, 0, 0, Hwnd(),
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(design.id)), instance,
                        nullptr);
    }
    focus_ = GetDlgItem(Hwnd(), firstFocus);
}

void DesignedWindow::ApplyDpi(int dpi) {
    std::vector<FontHandle> fonts;
    for (const ControlDesign& design : controls_) {
        const HWND control = GetDlgItem(Hwnd(), design.id);
        SetWindowPos(control, nullptr, TwipsToPixels(design.left, dpi),
                     TwipsToPixels(design.top, dpi), TwipsToPixels(design.width, dpi),
                     TwipsToPixels(design.height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
        fonts.push_back(CreateDesignFont(design.font, dpi));
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(fonts.back().get()), FALSE);
    }
    // The old fonts are no longer selected into any control.
    fonts_ = std::move(fonts);
    ApplyDpiToExtras(dpi);
    InvalidateRect(Hwnd(), nullptr, TRUE);
}

void DesignedWindow::RestoreFocus() const {
    if (focus_ && IsWindow(focus_)) {
        SetFocus(focus_);
    }
}

LRESULT DesignedWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CTLCOLORSTATIC:
            return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_ACTIVATE:
            // Then the default handling, which gives the window the focus on activation.
            OnActivate(wParam);
            break;
        case WM_SETFOCUS:
            RestoreFocus();
            return 0;
        case WM_DPICHANGED:
            MoveToSuggestedRect(lParam);
            ApplyDpi(LOWORD(wParam));
            return 0;
    }
    return BaseWindow::HandleMessage(message, wParam, lParam);
}

LRESULT DesignedWindow::OnCtlColorStatic(HDC dc, HWND control) {
    for (const Win32Label* label : labels_) {
        if (label->Handle() == control) {
            // What the window paints shows through.
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, label->ForeColour());
            return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
        }
    }
    return BaseWindow::HandleMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                     reinterpret_cast<LPARAM>(control));
}

void DesignedWindow::OnActivate(WPARAM state) {
    const HWND focus = GetFocus();
    if (LOWORD(state) == WA_INACTIVE && focus && IsChild(Hwnd(), focus)) {
        focus_ = focus;
    }
}

}  // namespace nimbrel
