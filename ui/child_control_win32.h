// A control of one of Nimbrel's windows, found by its ID each time, so that it does nothing
// once its window has been destroyed.
#pragma once

#include <windows.h>

#include <string>

#include "ui/base_window_win32.h"

namespace nimbrel {

class ChildControl {
  public:
    ChildControl(const BaseWindow& parent, int id) : parent_(parent), id_(id) {}

    // Null when the window is gone.
    HWND Handle() const;
    std::string Text() const;
    void SetText(const std::string& text) const;

  private:
    const BaseWindow& parent_;
    int id_;
};

}  // namespace nimbrel
