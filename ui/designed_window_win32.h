// A top-level window whose controls come from a design table in twips. It creates them, keeps
// them placed and their fonts made for the window's DPI, draws its labels transparently in their
// own colours, and gives the focus back to the control that had it when the window is activated
// again.
#pragma once

#include <windows.h>

#include <span>
#include <vector>

#include "ui/base_window_win32.h"
#include "ui/control_design.h"
#include "ui/gdi_win32.h"
#include "ui/label_win32.h"

namespace nimbrel {

class DesignedWindow : public BaseWindow {
  protected:
    explicit DesignedWindow(std::span<const ControlDesign> controls) : controls_(controls) {}
    // The controls go with the window, before the fonts they use are deleted.
    ~DesignedWindow() override { Destroy(); }

    // Creates the controls in the design's order, which is also their tab order. `firstFocus`
    // takes the focus when the window is first shown.
    void CreateControls(HINSTANCE instance, int firstFocus);
    // The window's labels; the window paints what shows through around their text.
    void AddTransparentLabel(const Win32Label& label) { labels_.push_back(&label); }
    // Places and sizes the controls and makes their fonts for `dpi`, then the window's own
    // parts, and repaints the window.
    void ApplyDpi(int dpi);
    // Gives the focus to the control that had it last.
    void RestoreFocus() const;

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

  private:
    // What else of the window depends on the DPI, such as its pictures.
    virtual void ApplyDpiToExtras(int dpi) = 0;

    LRESULT OnCtlColorStatic(HDC dc, HWND control);
    void OnActivate(WPARAM state);

    std::span<const ControlDesign> controls_;
    std::vector<FontHandle> fonts_;
    std::vector<const Win32Label*> labels_;
    HWND focus_ = nullptr;
};

}  // namespace nimbrel
