// Standard output and standard error of a GUI program, wherever they lead.
#pragma once

#include <windows.h>

#include "app/console_log.h"

namespace nimbrel {

// Redirected handles (a file, a pipe, a scheduled task's log) are used as they are. A program
// started from a console gets none, being a GUI program, and attaches to its parent's console.
class StandardStream : public LineOutput {
  public:
    explicit StandardStream(DWORD which);

    void WriteLine(const std::string& text) override;

  private:
    HANDLE handle_ = nullptr;
    bool console_ = false;
};

}  // namespace nimbrel
