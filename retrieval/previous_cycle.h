// The observing cycle an hour before a given one.
#pragma once

#include <string>

namespace nimbrel {

// "14Z" gives "13Z", "00Z" wraps to "23Z"; a text without a leading number counts as hour 0.
std::string PreviousCycle(const std::string& cycle);

}  // namespace nimbrel
