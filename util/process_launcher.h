// Starting another program without waiting for it.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "util/window_state.h"

namespace nimbrel {

// A program that was started. Holding it keeps the means to learn when it ends; letting it go
// leaves the program running on its own.
class StartedProgram {
  public:
    virtual ~StartedProgram() = default;

    // How long the program ran, from the system's own times of its start and its end, however
    // late the end is noticed; none while it runs or where the system cannot tell.
    virtual std::optional<std::chrono::milliseconds> Lifetime() const = 0;
};

struct ProgramStart {
    std::unique_ptr<StartedProgram> program;  // null when it could not be started
    std::string failure{};                    // then the system's reason
    bool declined = false;                    // the user declined to let it run as administrator
};

class ProcessLauncher {
  public:
    virtual ~ProcessLauncher() = default;

    // Starts `program` (a path, never parsed as a command line) in `workingFolder`.
    virtual ProgramStart Start(const std::string& program, const std::string& workingFolder,
                               WindowState state) = 0;
};

}  // namespace nimbrel
