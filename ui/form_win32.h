// The form and screen ports on a top-level window and the primary screen, in twips.
#pragma once

#include "ui/base_window_win32.h"
#include "util/form.h"

namespace nimbrel {

// The window's outer size and position, converted at the window's own DPI.
class Win32Form : public Form {
  public:
    explicit Win32Form(const BaseWindow& window) : window_(window) {}

    float Height() const override;
    float Width() const override;
    // Positions land on whole pixels, rounded to the nearest.
    void SetTop(float twips) override;
    void SetLeft(float twips) override;
    void Close() override;
    void Flash() override;

  private:
    RECT Bounds() const;
    void MoveTo(int x, int y);

    const BaseWindow& window_;
};

// The whole primary screen, task bar included, converted at the system DPI.
class Win32Screen : public Screen {
  public:
    float Height() const override;
    float Width() const override;
};

}  // namespace nimbrel
