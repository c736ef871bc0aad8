// Joining a folder and a name with one separator at the seam.
#pragma once

#include <string>

namespace nimbrel {

// Adds `separator` between the two only when neither already has it at the seam; nothing else is
// normalised, so a separator on both sides stays twice.
std::string JoinPath(const std::string& left, const std::string& right,
                     const std::string& separator = "\\");

}  // namespace nimbrel
