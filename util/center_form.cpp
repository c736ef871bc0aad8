#include "util/center_form.h"

#include "util/twips.h"

namespace nimbrel {

void CenterForm(const Screen& screen, Form& form) {
    form.SetTop((screen.Height() - form.Height()) / 2.0f);
    form.SetLeft((screen.Width() - form.Width()) / 2.0f);
}

float MonitorPlacement::Twips(int pixels) const {
    return PixelsToTwips(pixels, monitor_.dpi);
}

int MonitorPlacement::DesktopLeft(float twips) const {
    return monitor_.left + TwipsToPixels(twips, monitor_.dpi);
}

int MonitorPlacement::DesktopTop(float twips) const {
    return monitor_.top + TwipsToPixels(twips, monitor_.dpi);
}

}  // namespace nimbrel
