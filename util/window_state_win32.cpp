#include "util/window_state_win32.h"

#include <windows.h>

namespace nimbrel {

int ShowCommand(WindowState state) {
    switch (state) {
        case WindowState::Minimized:
            return SW_SHOWMINIMIZED;
        case WindowState::Maximized:
            return SW_SHOWMAXIMIZED;
        case WindowState::Normal:
            break;
    }
    return SW_SHOWNORMAL;
}

WindowState WindowStateOf(int showCommand) {
    switch (showCommand) {
        case SW_SHOWMINIMIZED:
        case SW_MINIMIZE:
        case SW_SHOWMINNOACTIVE:
        case SW_FORCEMINIMIZE:
            return WindowState::Minimized;
        case SW_SHOWMAXIMIZED:
            return WindowState::Maximized;
        default:
            return WindowState::Normal;
    }
}

}  // namespace nimbrel
