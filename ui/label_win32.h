// The label port on a STATIC control with a transparent background: the parent paints the
// picture under it, the parent's WM_CTLCOLORSTATIC asks for the text colour kept here.
#pragma once

#include "app/ui_ports.h"
#include "ui/child_control_win32.h"

namespace nimbrel {

class Win32Label : public Label {
  public:
    Win32Label(const BaseWindow& parent, int id, Colour colour)
        : control_(parent, id), colour_(colour) {}

    std::string Caption() const override { return control_.Text(); }
    void SetCaption(const std::string& caption) override;
    void SetForeColour(Colour colour) override;

    Colour ForeColour() const { return colour_; }
    HWND Handle() const { return control_.Handle(); }

  private:
    // The label paints no background, so old text stays unless the parent repaints under it.
    // `when` is RDW_UPDATENOW to paint at once, or 0 to leave it to the next paint.
    void RedrawWithBackground(UINT when) const;

    ChildControl control_;
    Colour colour_;
};

}  // namespace nimbrel
