#include "ui/main_window_win32.h"

#include <commctrl.h>

#include "ui/main_window_design.h"
#include "ui/resource_ids.h"
#include "util/twips.h"
#include "util/win32_text.h"

namespace nimbrel {

using namespace main_window;

namespace {

constexpr Colour kBlack = 0x000000;

HBRUSH WhiteBrush() {
    return static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
}

}  // namespace

Win32MainWindow::Win32MainWindow(HINSTANCE instance)
    : lblStatus_(*this, kLblStatusId, kGreen),
      label1Element0_(*this, kLabel1Element0Id, kBlack),
      label1Element1_(*this, kLabel1Element1Id, kBlack),
      text1_(*this, kText1Id),
      timer1_(*this, kTimer1Id, kTimer1Interval),
      timer2_(*this, kTimer2Id, kTimer2Interval),
      picture_(instance, IDB_MAIN_BACKGROUND) {
    Create(instance, {kMainWindowClass, WhiteBrush(), IDI_NIMBREL}, kCaption, kStyle, kExStyle);
    SetClientSize(kClientWidth, kClientHeight);
    CreateControls(instance);
    CreateTooltip(instance);
    ApplyDpi(Dpi());
    focus_ = GetDlgItem(Hwnd(), kText1Id);
    timer2_.SetEnabled(true);
}

// The controls go with the window, before the fonts they use are deleted.
Win32MainWindow::~Win32MainWindow() {
    Destroy();
}

void Win32MainWindow::Show() {
    if (!Hwnd()) {
        return;
    }
    ShowWindow(Hwnd(), SW_SHOW);
    SetFocus(focus_);
}

void Win32MainWindow::CreateControls(HINSTANCE instance) {
    for (const ControlDesign& design : kControls) {
        CreateWindowExW(design.exStyle, design.className, design.text,
                        WS_CHILD | WS_VISIBLE | design.style, 0, 0, 0, 0, Hwnd(),
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(design.id)), instance,
                        nullptr);
    }
    // Zero lifts the edit control's own limit of 32767 characters.
    SendMessageW(GetDlgItem(Hwnd(), kText1Id), EM_SETLIMITTEXT, 0, 0);
}

void Win32MainWindow::CreateTooltip(HINSTANCE instance) {
    // The status line is one short line; the tooltip shows a long message whole.
    tooltip_ =
        CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                        WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, Hwnd(), nullptr, instance, nullptr);
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_SUBCLASS | TTF_IDISHWND;
    tool.hwnd = Hwnd();
    tool.uId = reinterpret_cast<UINT_PTR>(lblStatus_.Handle());
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void Win32MainWindow::ApplyDpi(int dpi) {
    std::vector<FontHandle> fonts;
    for (const ControlDesign& design : kControls) {
        const HWND control = GetDlgItem(Hwnd(), design.id);
        SetWindowPos(control, nullptr, TwipsToPixels(design.left, dpi),
                     TwipsToPixels(design.top, dpi), TwipsToPixels(design.width, dpi),
                     TwipsToPixels(design.height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
        fonts.push_back(CreateDesignFont(design.font, dpi));
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(fonts.back().get()), FALSE);
    }
    // The old fonts are no longer selected into any control.
    fonts_ = std::move(fonts);
    picture_.ScaleForDpi(dpi);
    SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, TwipsToPixels(kClientWidth, dpi));
    InvalidateRect(Hwnd(), nullptr, TRUE);
}

LRESULT Win32MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_TIMER:
            OnTimer(wParam);
            return 0;
        case WM_CTLCOLORSTATIC:
            return OnCtlColorStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_ERASEBKGND:
            PaintBackground(reinterpret_cast<HDC>(wParam));
            return 1;
        case WM_NOTIFY:
            return OnNotify(*reinterpret_cast<NMHDR*>(lParam));
        case WM_ACTIVATE:
            // Then the default handling, which gives the window the focus on activation.
            OnActivate(wParam);
            break;
        case WM_SETFOCUS:
            OnSetFocus();
            return 0;
        case WM_SYSCOMMAND:
            // The fixed border leaves no maximised state, whatever asks for it.
            if ((wParam & 0xFFF0) == SC_MAXIMIZE) {
                return 0;
            }
            break;
        case WM_DPICHANGED:
            MoveToSuggestedRect(lParam);
            ApplyDpi(LOWORD(wParam));
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return BaseWindow::HandleMessage(message, wParam, lParam);
}

void Win32MainWindow::OnCommand(int id, int notification) {
    if (!frm_ || notification != BN_CLICKED) {
        return;
    }
    switch (id) {
        case kCommand1Id:
            frm_->Command1_Click();
            break;
        case kCommand2Id:
            frm_->Command2_Click();
            break;
        case kCommand3Id:
            frm_->Command3_Click();
            break;
    }
}

void Win32MainWindow::OnTimer(UINT_PTR id) {
    if (!frm_) {
        return;
    }
    if (id == kTimer1Id) {
        frm_->Timer1_Timer();
    } else if (id == kTimer2Id) {
        frm_->Timer2_Timer();
    }
}

LRESULT Win32MainWindow::OnCtlColorStatic(HDC dc, HWND control) {
    const Win32Label* label = LabelFor(control);
    if (!label) {
        return BaseWindow::HandleMessage(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                         reinterpret_cast<LPARAM>(control));
    }
    // The picture painted by the window shows through.
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, label->ForeColour());
    return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
}

LRESULT Win32MainWindow::OnNotify(NMHDR& header) {
    if (header.hwndFrom == tooltip_ && header.code == TTN_GETDISPINFOW) {
        tooltipText_ = Utf8ToWide(lblStatus_.Caption());
        reinterpret_cast<NMTTDISPINFOW&>(header).lpszText = tooltipText_.data();
    }
    return 0;
}

void Win32MainWindow::OnActivate(WPARAM state) {
    const HWND focus = GetFocus();
    if (LOWORD(state) == WA_INACTIVE && focus && IsChild(Hwnd(), focus)) {
        focus_ = focus;
    }
}

void Win32MainWindow::OnSetFocus() {
    if (focus_ && IsWindow(focus_)) {
        SetFocus(focus_);
    }
}

void Win32MainWindow::PaintBackground(HDC dc) const {
    RECT client{};
    GetClientRect(Hwnd(), &client);
    picture_.Paint(dc, client, WhiteBrush());
}

const Win32Label* Win32MainWindow::LabelFor(HWND control) const {
    for (const Win32Label* label : {&lblStatus_, &label1Element0_, &label1Element1_}) {
        if (label->Handle() == control) {
            return label;
        }
    }
    return nullptr;
}

}  // namespace nimbrel
