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

}  // namespace nimbrel
