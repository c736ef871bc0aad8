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

// What the user reads of an error that escaped: its number too, when it is a run-time error.
inline std::string DescribeError(const std::exception& error) {
    if (const auto* runtimeError = dynamic_cast<const RuntimeError*>(&error)) {
        return "Run-time error " + std::to_string(runtimeError->Number()) + ": " + error.what();
    }
    return error.what();
}

// The number users know for exhausted memory.
inline constexpr long kOutOfMemoryError = 7;

}  // namespace nimbrel
