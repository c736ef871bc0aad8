// fly_standin.exe: stands in for the programs that nimbrel.exe starts (the simulator, a web
// browser) in the end-to-end tests. Each start appends one line to "NAME.starts.txt" beside the
// program, where NAME is the program's own file name without ".exe", and the program then stays
// a moment, so that quick starts overlap and are told apart by their process IDs.
//
// The line is UTF-16LE, its fields separated by tabs: process ID, the STARTUPINFO flags, the
// show state asked for (wShowWindow), the program's own path, its working folder and its
// command line.
#include <windows.h>

#include <string>

#include "util/program_path_win32.h"

namespace {

constexpr DWORD kStayMs = 3000;
constexpr DWORD kStayCheckMs = 500;

std::wstring CurrentFolder() {
    std::wstring folder(GetCurrentDirectoryW(0, nullptr), L'\0');
    folder.resize(GetCurrentDirectoryW(static_cast<DWORD>(folder.size()), folder.data()));
    return folder;
}

std::wstring StartRecord(const std::wstring& program) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    GetStartupInfoW(&startup);
    return std::to_wstring(GetCurrentProcessId()) + L'\t' + std::to_wstring(startup.dwFlags) +
           L'\t' + std::to_wstring(startup.wShowWindow) + L'\t' + program + L'\t' +
           CurrentFolder() + L'\t' + GetCommandLineW() + L"\r\n";
}

void Append(const std::wstring& path, const std::wstring& line) {
    const HANDLE file =
        CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD written = 0;
    WriteFile(file, line.data(), static_cast<DWORD>(line.size() * sizeof(wchar_t)), &written,
              nullptr);
    CloseHandle(file);
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Wakes at each change of a name in the folder; the time-out only bounds a missed notification.
void StayWhileThere(const std::wstring& file) {
    const std::wstring folder = file.substr(0, file.find_last_of(L'\\'));
    const HANDLE changes =
        FindFirstChangeNotificationW(folder.c_str(), FALSE, FILE_NOTIFY_CHANGE_FILE_NAME);
    while (Exists(file)) {
        if (changes == INVALID_HANDLE_VALUE) {
            Sleep(kStayCheckMs);
            continue;
        }
        WaitForSingleObject(changes, kStayCheckMs);
        FindNextChangeNotification(changes);
    }
    if (changes != INVALID_HANDLE_VALUE) {
        FindCloseChangeNotification(changes);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const std::wstring program = nimbrel::ProgramPath();
    const std::wstring stem = program.substr(0, program.size() - std::wstring(L".exe").size());
    Append(stem + L".starts.txt", StartRecord(program));
    if (Exists(stem + L".stay")) {
        StayWhileThere(stem + L".stay");
    } else {
        Sleep(kStayMs);
    }
    return 0;
}
