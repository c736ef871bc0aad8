// Window states as the Win32 show commands (SW_...) that start programs and open documents take.
#pragma once

#include "util/window_state.h"

namespace nimbrel {

int ShowCommand(WindowState state);

}  // namespace nimbrel
