// The main window frmNimbrel on Win32: it creates the controls, forwards their events to the
// logic in FrmNimbrel and implements the ports that the logic drives.
#pragma once

#include <windows.h>

#include <deque>
#include <string>

#include "app/frm_nimbrel.h"
#include "ui/designed_window_win32.h"
#include "ui/form_win32.h"
#include "ui/label_win32.h"
#include "ui/picture_win32.h"
#include "ui/text_box_win32.h"
#include "ui/timer_win32.h"

namespace nimbrel {

class Win32MainWindow : public DesignedWindow {
  public:
    // Creates the window hidden, with its controls; Timer2 ticks while it is seen.
    explicit Win32MainWindow(HINSTANCE instance);

    // Events reach the logic from here on.
    void Attach(FrmNimbrel& frm) { frm_ = &frm; }
    // Shows the window with the focus in Text1, or minimised without taking the focus.
    void Show(bool minimized);

    Form& form() { return form_; }
    Label& lblStatus() { return lblStatus_; }
    TextBox& Text1() { return text1_; }
    Timer& Timer1() { return timer1_; }
    Timer& Timer2() { return timer2_; }

  private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

    void CreateTooltip(HINSTANCE instance);
    // The picture and the tooltip's width.
    void ApplyDpiToExtras(int dpi) override;

    void OnCommand(int id, int notification);
    void OnTimer(UINT_PTR id);
    LRESULT OnNotify(NMHDR& header);
    // A second start for this folder handed over its options.
    BOOL OnCopyData(const COPYDATASTRUCT& data);
    void BringToFront();
    void PaintBackground(HDC dc) const;

    FrmNimbrel* frm_ = nullptr;
    Win32Form form_{*this};
    Win32Label lblStatus_;
    Win32Label label1Element0_;
    Win32Label label1Element1_;
    Win32TextBox text1_;
    Win32Timer timer1_;
    Win32Timer timer2_;
    Picture picture_;
    HWND tooltip_ = nullptr;
    std::wstring tooltipText_;
    // Until each posted message hands its options to the logic: a second start's call comes
    // before the messages posted, so two can arrive before the first is handed on.
    std::deque<CommandLine> handedOver_;
};

}  // namespace nimbrel
