// The environment of this process on Windows.
#pragma once

#include "util/environment.h"

namespace nimbrel {

class Win32Environment : public Environment {
  public:
    std::string Expand(const std::string& text) const override;
};

}  // namespace nimbrel
