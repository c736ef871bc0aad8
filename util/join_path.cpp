#include "util/join_path.h"

namespace nimbrel {

std::string JoinPath(const std::string& left, const std::string& right,
                     const std::string& separator) {
    const bool leftHasIt = left.ends_with(separator);
    const bool rightHasIt = right.starts_with(separator);
    if (leftHasIt || rightHasIt) {
        return left + right;
    }
    return left + separator + right;
}

}  // namespace nimbrel
