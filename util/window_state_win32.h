// Window states as the Win32 show commands (SW_...) that start programs and open documents take.
#pragma once

#include "util/window_state.h"

namespace nimbrel {

int ShowCommand(WindowState state);
// How a shortcut's "Run" or `start /min` asks the program's first window to appear.
WindowState WindowStateOf(int showCommand);

}  // namespace nimbrel
