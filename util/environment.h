// The user's environment variables, for texts stored with %NAME% references in them.
#pragma once

#include <string>

namespace nimbrel {

class Environment {
  public:
    virtual ~Environment() = default;

    // `text` with each %NAME% of a defined variable replaced by its value; the others stay.
    virtual std::string Expand(const std::string& text) const = 0;
};

}  // namespace nimbrel
