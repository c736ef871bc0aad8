// The About box on Win32: labels, three picture boxes and "&Ok" on white, modal over the window
// that opened it, with the handlers of AboutNimbrel.
#pragma once

#include <windows.h>

#include <vector>

#include "app/about_nimbrel.h"
#include "ui/designed_window_win32.h"
#include "ui/form_win32.h"
#include "ui/label_win32.h"
#include "ui/picture_win32.h"
#include "ui/shell_win32.h"

namespace nimbrel {

class Win32AboutWindow : public DesignedWindow, public Window {
  public:
    // Creates the box hidden, owned by `owner`, the window it is modal over.
    Win32AboutWindow(HINSTANCE instance, HWND owner);

    // Loads the box (its Form_Load centres it), disables the owner and shows the box with the
    // focus on "&Ok".
    void LoadAndShow();

    void Repaint() override { RepaintNow(); }
    // Enables the owner before the box goes, so that the owner is activated in its place.
    void Unload() override;

  private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // The pictures.
    void ApplyDpiToExtras(int dpi) override;

    void CreateLabels();
    void OnCommand(int id, int notification);
    void DrawPictureBox(const DRAWITEMSTRUCT& item) const;

    HWND owner_;
    Win32Form form_{*this};
    Win32Screen screen_{*this};
    Win32Shell shell_{*this};
    std::vector<Win32Label> labels_;
    std::vector<Picture> pictures_;  // by element of Picture1
    AboutNimbrel about_;
};

}  // namespace nimbrel
