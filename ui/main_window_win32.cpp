#include "ui/main_window_win32.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "app/folder_instance.h"
#include "retrieval/winhttp_session.h"
#include "ui/folder_instance_win32.h"
#include "ui/main_window_design.h"
#include "ui/picture_decoder_win32.h"
#include "ui/resource_ids.h"
#include "util/twips.h"
#include "util/win32_text.h"

namespace nimbrel {

using namespace main_window;

namespace {

constexpr Colour kBlack = 0x000000;
// Posted to itself when the PC has woken from sleep.
constexpr UINT kResumedMessage = WM_APP + 3;
// Posted to itself when a second start has handed over its options.
constexpr UINT kHandedOverMessage = WM_APP + 4;
// More than any options a second start hands over.
constexpr DWORD kMaxHandedOverBytes = 256;

}  // namespace

Win32MainWindow::Win32MainWindow(HINSTANCE instance)
    : DesignedWindow(kControls),
      lblStatus_(*this, kLblStatusId, kGreen),
      label1Element0_(*this, kLabel1Element0Id, kBlack),
      label1Element1_(*this, kLabel1Element1Id, kBlack),
      text1_(*this, kText1Id),
      timer1_(*this, kTimer1Id, kTimer1Interval),
      timer2_(*this, kTimer2Id, kTimer2Interval),
      picture_(DecodePictureResource(instance, IDR_MAIN_BACKGROUND)) {
    Create(instance, {kMainWindowClass, WhiteBrush(), IDI_NIMBREL}, kCaption, kStyle, kExStyle);
    SetClientSize(kClientWidth, kClientHeight);
    CreateControls(instance, kText1Id);
    // Zero lifts the edit control's own limit of 32767 characters.
    SendMessageW(GetDlgItem(Hwnd(), kText1Id), EM_SETLIMITTEXT, 0, 0);
    for (const Win32Label* label : {&lblStatus_, &label1Element0_, &label1Element1_}) {
        AddTransparentLabel(*label);
    }
    CreateTooltip(instance);
    ApplyDpi(Dpi());
}

void Win32MainWindow::Show(bool minimized) {
    if (!Hwnd()) {
        return;
    }
    if (minimized) {
        ShowWindow(Hwnd(), SW_SHOWMINNOACTIVE);
        return;
    }
    ShowWindow(Hwnd(), SW_SHOW);
    RestoreFocus();
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

void Win32MainWindow::ApplyDpiToExtras(int dpi) {
    picture_.ScaleForDpi(dpi);
    SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, TwipsToPixels(kClientWidth, dpi));
}

LRESULT Win32MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_TIMER:
            OnTimer(wParam);
            return 0;
        case WM_ERASEBKGND:
            PaintBackground(reinterpret_cast<HDC>(wParam));
            return 1;
        case WM_NOTIFY:
            return OnNotify(*reinterpret_cast<NMHDR*>(lParam));
        case WM_WINDOWPOSCHANGED:
            // Showing, hiding, minimising and restoring all end here, the state already changed.
            if (frm_) {
                frm_->Form_Seen(IsWindowVisible(Hwnd()) && !IsIconic(Hwnd()));
            }
            break;
        case WM_SYSCOMMAND:
            // The fixed border leaves no maximised state, whatever asks for it.
            if ((wParam & 0xFFF0) == SC_MAXIMIZE) {
                return 0;
            }
            break;
        case WM_POWERBROADCAST:
            // The update a wake-up may start waits in its own loop: not inside the system's call.
            if (wParam == PBT_APMRESUMEAUTOMATIC) {
                PostMessageW(Hwnd(), kResumedMessage, 0, 0);
            }
            return TRUE;
        case kResumedMessage:
            ForgetProxyLookUps();
            if (frm_) {
                frm_->Form_Resumed();
            }
            return 0;
        case WM_COPYDATA:
            return OnCopyData(*reinterpret_cast<const COPYDATASTRUCT*>(lParam));
        case kHandedOverMessage:
            BringToFront();
            if (!handedOver_.empty()) {
                const CommandLine options = std::move(handedOver_.front());
                handedOver_.pop_front();
                if (frm_) {
                    frm_->Form_HandedOver(options);
                }
            }
            return 0;
        case WM_ENDSESSION:
            // A cancelled shutdown leaves the program running.
            if (wParam && frm_) {
                frm_->Form_Unload();
            }
            return 0;
        case WM_DESTROY:
            if (frm_) {
                frm_->Form_Unload();
            }
            PostQuitMessage(0);
            return 0;
    }
    return DesignedWindow::HandleMessage(message, wParam, lParam);
}

BOOL Win32MainWindow::OnCopyData(const COPYDATASTRUCT& data) {
    // A closing Nimbrel refuses them: the second start then runs on its own.
    if (!frm_ || frm_->Closing() || data.dwData != kHandedOverOptions ||
        data.cbData > kMaxHandedOverBytes) {
        return FALSE;
    }
    // Checked as a command line is; the update they may start runs once the sender has its
    // answer, not inside its call.
    handedOver_.push_back(
        ReadHandedOver(std::string_view(static_cast<const char*>(data.lpData), data.cbData)));
    PostMessageW(Hwnd(), kHandedOverMessage, 0, 0);
    return TRUE;
}

void Win32MainWindow::BringToFront() {
    if (IsIconic(Hwnd())) {
        ShowWindow(Hwnd(), SW_RESTORE);
    }
    SetForegroundWindow(Hwnd());
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

LRESULT Win32MainWindow::OnNotify(NMHDR& header) {
    if (header.hwndFrom == tooltip_ && header.code == TTN_GETDISPINFOW) {
        // The tooltip control breaks lines at CR LF.
        tooltipText_.clear();
        for (const wchar_t c : Utf8ToWide(frm_ ? frm_->StatusTip() : lblStatus_.Caption())) {
            if (c == L'\n') {
                tooltipText_ += L'\r';
            }
            tooltipText_ += c;
        }
        reinterpret_cast<NMTTDISPINFOW&>(header).lpszText = tooltipText_.data();
    }
    return 0;
}

void Win32MainWindow::PaintBackground(HDC dc) const {
    RECT client{};
    GetClientRect(Hwnd(), &client);
    picture_.Paint(dc, client, WhiteBrush());
}

}  // namespace nimbrel
