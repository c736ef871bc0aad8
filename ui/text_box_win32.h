// The text box port on an EDIT control.
#pragma once

#include "app/ui_ports.h"
#include "ui/child_control_win32.h"

namespace nimbrel {

class Win32TextBox : public TextBox {
  public:
    Win32TextBox(const BaseWindow& parent, int id) : control_(parent, id) {}

    std::string Text() const override { return control_.Text(); }
    void SetText(const std::string& text) override { control_.SetText(text); }

  private:
    ChildControl control_;
};

}  // namespace nimbrel
