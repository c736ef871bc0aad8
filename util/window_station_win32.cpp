#include "util/window_station_win32.h"

#include <windows.h>

namespace nimbrel {

bool WindowStationVisible() {
    USEROBJECTFLAGS flags{};
    // Unknown counts as visible: a box that waits is better than a window never shown.
    return !GetUserObjectInformationW(GetProcessWindowStation(), UOI_FLAGS, &flags, sizeof(flags),
                                      nullptr) ||
           (flags.dwFlags & WSF_VISIBLE) != 0;
}

}  // namespace nimbrel
