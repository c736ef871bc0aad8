// A run-time error as the user sees it: a number and a description.
#pragma once

#include <stdexcept>
#include <string>

namespace nimbrel {

class RuntimeError : public std::runtime_error {
  public:
    RuntimeError(long number, const std::string& description)
        : std::runtime_error(description), number_(number) {}

    long Number() const { return number_; }

  private:
    long number_;
};

// The number users know for exhausted memory.
inline constexpr long kOutOfMemoryError = 7;

}  // namespace nimbrel
