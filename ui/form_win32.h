// The form and screen ports on a top-level window and the monitor it is on, in twips at that
// monitor's DPI.
#pragma once

#include "ui/base_window_win32.h"
#include "util/form.h"

namespace nimbrel {

// The window's outer size, and its position from the monitor's corner.
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

// The whole monitor a window is on, task bars included.
class Win32Screen : public Screen {
  public:
    explicit Win32Screen(const BaseWindow& window) : window_(window) {}

    float Height() const override;
    float Width() const override;

  private:
    const BaseWindow& window_;
};

}  // namespace nimbrel
