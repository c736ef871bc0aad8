// report_reader.exe PATH MILLISECONDS: holds a file open as the simulator does while it reads a
// report (others may read it too, but not replace or delete it), for the end-to-end tests. Prints
// "held" once the file is open and lets it go after MILLISECONDS.
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fputs("usage: report_reader PATH MILLISECONDS\n", stderr);
        return 2;
    }
    const HANDLE file = CreateFileW(argv[1], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        std::fprintf(stderr, "cannot open the file: error %lu\n", GetLastError());
        return 1;
    }
    std::puts("held");
    std::fflush(stdout);
    Sleep(std::wcstoul(argv[2], nullptr, 10));
    CloseHandle(file);
    return 0;
}
