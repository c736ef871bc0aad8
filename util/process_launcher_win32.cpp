#include "util/process_launcher_win32.h"

#include <windows.h>

#include <shellapi.h>

#include <cstdint>

#include "util/file_time.h"
#include "util/win32_text.h"
#include "util/window_state_win32.h"

namespace nimbrel {

namespace {

// winerror.h of MinGW-w64 lacks it.
constexpr DWORD kElevationRequired = 740;

FileTimeTicks Ticks(const FILETIME& time) {
    return FileTimeTicks(static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime));
}

// A program marked to run as administrator starts only through the shell, which asks the user
// first; asked for the process, the shell still gives its handle to watch.
ProgramStart StartElevated(const std::wstring& application, const std::wstring& folder,
                           WindowState state) {
    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof execute;
    // The reason goes to the caller, not into a box of the shell's.
    execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    execute.lpFile = application.c_str();
    execute.lpDirectory = folder.empty() ? nullptr : folder.c_str();
    execute.nShow = ShowCommand(state);
    if (!ShellExecuteExW(&execute)) {
        const DWORD error = GetLastError();
        return {nullptr, SystemErrorText(error), error == ERROR_CANCELLED};
    }
    if (!execute.hProcess) {
        return {nullptr, SystemErrorText(ERROR_INVALID_HANDLE)};
    }
    return {std::make_unique<Win32StartedProgram>(execute.hProcess)};
}

}  // namespace

std::optional<std::chrono::milliseconds> Win32StartedProgram::Lifetime() const {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (WaitForSingleObject(process_, 0) != WAIT_OBJECT_0 ||
        !GetProcessTimes(process_, &created, &exited, &kernel, &user) ||
        Ticks(exited) < Ticks(created)) {
        return std::nullopt;
    }
    return std::chrono::duration_cast<std::chrono::milliseconds>(Ticks(exited) - Ticks(created));
}

ProgramStart Win32ProcessLauncher::Start(const std::string& program,
                                         const std::string& workingFolder, WindowState state) {
    const std::wstring application = Utf8ToWide(program);
    // The program is named separately, so a path with spaces can never start another program;
    // the quoted copy is only its own first argument.
    std::wstring commandLine = L"\"" + application + L"\"";
    const std::wstring folder = Utf8ToWide(workingFolder);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(ShowCommand(state));
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, folder.empty() ? nullptr : folder.c_str(), &startup, &process)) {
        const DWORD error = GetLastError();
        if (error == kElevationRequired) {
            return StartElevated(application, folder, state);
        }
        return {nullptr, SystemErrorText(error)};
    }
    CloseHandle(process.hThread);
    return {std::make_unique<Win32StartedProgram>(process.hProcess)};
}

}  // namespace nimbrel
