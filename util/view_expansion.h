// Expanding a registry value's %VARIABLES% as the programs of its registry view mean them.
#pragma once

#include <string>

#include "util/environment.h"
#include "util/registry.h"

namespace nimbrel {

// `text` expanded in this process's environment, with %ProgramFiles% and %CommonProgramFiles%
// read as the folders of the programs of `view`: in the 32-bit view they mean the "(x86)"
// folders, in the 64-bit view the 64-bit programs' ones. Where the environment lacks the
// variable of that meaning (32-bit Windows has one view only), they expand as they stand.
std::string ExpandForView(const Environment& environment, const std::string& text,
                          RegistryView view);

}  // namespace nimbrel
