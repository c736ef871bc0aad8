// Whether anybody can see what this process shows.
#pragma once

namespace nimbrel {

// False in a window station nobody sees, such as a task's that runs whether the user is logged on
// or not; true where that cannot be told.
bool WindowStationVisible();

}  // namespace nimbrel
