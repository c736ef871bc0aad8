// The shell port on ShellExecuteW, on behalf of one of the program's windows.
#pragma once

#include "ui/base_window_win32.h"
#include "util/shell.h"

namespace nimbrel {

class Win32Shell : public Shell {
  public:
    explicit Win32Shell(const BaseWindow& owner) : owner_(owner) {}

    std::string ProgramFolder() const override;
    void Open(const std::string& file, const std::string& parameters, const std::string& directory,
              WindowState state) override;

  private:
    const BaseWindow& owner_;
};

}  // namespace nimbrel
