// Centring a window on the whole monitor it is on.
#pragma once

#include "util/form.h"

namespace nimbrel {

// Keeps the fraction of an odd difference; the platform rounds to whole pixels.
void CenterForm(const Screen& screen, Form& form);

// A monitor in desktop pixels, task bars included, and its DPI.
struct MonitorArea {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int dpi = 96;
};

// Twips on a monitor: the monitor's size and a window's are both read at the monitor's DPI, so
// that the middle in twips is the middle in pixels, and a position in twips counts from the
// monitor's corner, which on a second monitor is not the desktop's.
class MonitorPlacement {
  public:
    explicit MonitorPlacement(const MonitorArea& monitor) : monitor_(monitor) {}

    float Width() const { return Twips(monitor_.width); }
    float Height() const { return Twips(monitor_.height); }
    float Twips(int pixels) const;
    int DesktopLeft(float twips) const;
    int DesktopTop(float twips) const;

  private:
    MonitorArea monitor_;
};

}  // namespace nimbrel
