// Starting another program without waiting for it.
#pragma once

#include <optional>
#include <string>

#include "util/window_state.h"

namespace nimbrel {

class ProcessLauncher {
  public:
    virtual ~ProcessLauncher() = default;

    // Starts `program` (a path, never parsed as a command line) in `workingFolder`.
    // Returns the system's reason when it could not be started.
    virtual std::optional<std::string> Start(const std::string& program,
                                             const std::string& workingFolder,
                                             WindowState state) = 0;
};

}  // namespace nimbrel
