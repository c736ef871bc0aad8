// The running program's own file, as Windows names it.
#pragma once

#include <string>

namespace nimbrel {

// The full path of the running executable, however long.
std::wstring ProgramPath();

}  // namespace nimbrel
