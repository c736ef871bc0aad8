// Starting programs on Windows.
#pragma once

#include "util/process_launcher.h"

namespace nimbrel {

class Win32ProcessLauncher : public ProcessLauncher {
  public:
    std::optional<std::string> Start(const std::string& program, const std::string& workingFolder,
                                     WindowState state) override;
};

}  // namespace nimbrel
