// The shell: opening a document or an address with the program registered for it.
#pragma once

#include <string>

#include "util/window_state.h"

namespace nimbrel {

class Shell {
  public:
    virtual ~Shell() = default;

    // The folder that holds the program's own executable file, without a trailing backslash.
    virtual std::string ProgramFolder() const = 0;
    // Opens `file` with the shell's "open" verb, started in `directory`. Whether anything opened
    // is not reported: the caller has nothing to do either way.
    virtual void Open(const std::string& file, const std::string& parameters,
                      const std::string& directory, WindowState state) = 0;
};

}  // namespace nimbrel
