// Starting programs on Windows.
#pragma once

#include <windows.h>

#include "util/process_launcher.h"

namespace nimbrel {

// Owns the started program's process handle, which is signalled when the program ends.
class Win32StartedProgram : public StartedProgram {
  public:
    explicit Win32StartedProgram(HANDLE process) : process_(process) {}
    ~Win32StartedProgram() override { CloseHandle(process_); }
    Win32StartedProgram(const Win32StartedProgram&) = delete;
    Win32StartedProgram& operator=(const Win32StartedProgram&) = delete;

    HANDLE Process() const { return process_; }
    std::optional<std::chrono::milliseconds> Lifetime() const override;

  private:
    HANDLE process_;
};

class Win32ProcessLauncher : public ProcessLauncher {
  public:
    ProgramStart Start(const std::string& program, const std::string& workingFolder,
                       WindowState state) override;
};

}  // namespace nimbrel
