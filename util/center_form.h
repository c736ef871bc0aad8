// Centring a window on the whole screen.
#pragma once

#include "util/form.h"

namespace nimbrel {

// Keeps the fraction of an odd difference; the platform rounds to whole pixels.
void CenterForm(const Screen& screen, Form& form);

}  // namespace nimbrel
