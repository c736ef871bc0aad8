// nimbrel.exe --once: one update without any window, for schedulers and scripts.
#pragma once

#include "app/command_line.h"

namespace nimbrel {

// Returns the exit code: 0 written, 1 failed, 2 for options that cannot be used.
int RunOnceWithoutWindow(const CommandLine& options);

}  // namespace nimbrel
