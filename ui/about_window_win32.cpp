#include "ui/about_window_win32.h"

#include "ui/about_window_design.h"
#include "ui/picture_decoder_win32.h"

namespace nimbrel {

using namespace about_window;

Win32AboutWindow::Win32AboutWindow(HINSTANCE instance, HWND owner)
    : DesignedWindow(kControls), owner_(owner), about_({form_, *this}, screen_, shell_) {
    for (const PictureBoxDesign& box : kPictureBoxes) {
        pictures_.emplace_back(DecodePictureResource(instance, box.resourceId));
    }
    Create(instance, {kAboutWindowClass, WhiteBrush(), IDI_NIMBREL}, kCaption, kStyle, kExStyle,
           owner);
    SetClientSize(kClientWidth, kClientHeight);
    CreateControls(instance, kCommand1Id);
    CreateLabels();
    ApplyDpi(Dpi());
}

void Win32AboutWindow::LoadAndShow() {
    about_.Form_Load();
    if (!Hwnd()) {
        return;
    }
    EnableWindow(owner_, FALSE);
    ShowWindow(Hwnd(), SW_SHOW);
    RestoreFocus();
}

void Win32AboutWindow::Unload() {
    EnableWindow(owner_, TRUE);
    Destroy();
}

void Win32AboutWindow::CreateLabels() {
    const Colour text = GetSysColor(COLOR_BTNTEXT);
    labels_.emplace_back(*this, kLabel1Id, text);
    for (int element = 0; element < kLabel2Count; ++element) {
        labels_.emplace_back(*this, kLabel2Element0Id + element, text);
    }
    labels_.emplace_back(*this, kLabel3Id, kLinkBlue);
    labels_.back().SetCaption(kMakerAddress);
    // Only now, as the vector no longer moves its elements.
    for (const Win32Label& label : labels_) {
        AddTransparentLabel(label);
    }
}

void Win32AboutWindow::ApplyDpiToExtras(int dpi) {
    for (Picture& picture : pictures_) {
        picture.ScaleForDpi(dpi);
    }
}

LRESULT Win32AboutWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_DRAWITEM:
            DrawPictureBox(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_CLOSE:
            // The close button unloads the box just as "&Ok" does.
            Unload();
            return 0;
    }
    return DesignedWindow::HandleMessage(message, wParam, lParam);
}

void Win32AboutWindow::OnCommand(int id, int notification) {
    if (id == kCommand1Id && notification == BN_CLICKED) {
        about_.Command1_Click();
    } else if (id == kLabel3Id && notification == STN_CLICKED) {
        about_.Label3_Click();
    } else if (id == IDOK && GetFocus() == GetDlgItem(Hwnd(), kCommand1Id)) {
        // Enter, as the dialog manager reports it, clicks "&Ok" when that has the focus. Escape
        // (IDCANCEL) does nothing: the box has no cancel button.
        about_.Command1_Click();
    }
}

void Win32AboutWindow::DrawPictureBox(const DRAWITEMSTRUCT& item) const {
    const auto element =
        static_cast<std::size_t>(static_cast<int>(item.CtlID) - kPicture1Element0Id);
    if (element < pictures_.size()) {
        pictures_[element].Paint(item.hDC, item.rcItem, WhiteBrush());
    }
}

}  // namespace nimbrel
