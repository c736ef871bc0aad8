// The floor of an update on this platform: the least WinHTTP can do to fetch the page, then both
// cycle files at once with large reads, each written to a temporary file in a folder, flushed to
// disk and moved over the file of its name in one step, as the program does with its reports.
// Prints its own time, so that the start of a process under Wine does not count.
#include <windows.h>
#include <winhttp.h>

#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Handle {
    explicit Handle(HINTERNET handle) : handle(handle) {}
    ~Handle() {
        if (handle) {
            WinHttpCloseHandle(handle);
        }
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HINTERNET handle;
};

bool WriteAndSwap(const std::wstring& file, const std::vector<char>& body) {
    const std::wstring temporary = file + L".floor-tmp";
    const HANDLE handle =
        CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const bool done =
        WriteFile(handle, body.data(), static_cast<DWORD>(body.size()), &written, nullptr) &&
        written == body.size() && FlushFileBuffers(handle);
    CloseHandle(handle);
    return done && MoveFileExW(temporary.c_str(), file.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

// The body's size, or -1 when the GET or the writing failed. An empty `file` keeps the body in
// memory only.
long long Fetch(HINTERNET session, const std::wstring& host, INTERNET_PORT port,
                const std::wstring& path, const std::wstring& file = {}) {
    const Handle connection(WinHttpConnect(session, host.c_str(), port, 0));
    const Handle request(
        connection.handle ? WinHttpOpenRequest(connection.handle, L"GET", path.c_str(), nullptr,
                                               WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES, 0)
                          : nullptr);
    if (!request.handle ||
        !WinHttpSendRequest(request.handle, WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                            WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !WinHttpReceiveResponse(request.handle, nullptr)) {
        return -1;
    }
    std::vector<char> body;
    std::vector<char> buffer(1 << 20);
    for (;;) {
        DWORD read = 0;
        if (!WinHttpReadData(request.handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                             &read)) {
            return -1;
        }
        if (read == 0) {
            if (!file.empty() && !WriteAndSwap(file, body)) {
                return -1;
            }
            return static_cast<long long>(body.size());
        }
        body.insert(body.end(), buffer.data(), buffer.data() + read);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 7) {
        std::fprintf(stderr, "usage: winhttp_floor HOST PORT PAGE CURRENT PREVIOUS FOLDER\n");
        return 2;
    }
    const std::wstring host = argv[1];
    const std::wstring folder = argv[6];
    const auto port = static_cast<INTERNET_PORT>(_wtoi(argv[2]));
    LARGE_INTEGER frequency;
    LARGE_INTEGER start;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);

    const Handle session(WinHttpOpen(L"Nimbrel-floor", WINHTTP_ACCESS_TYPE_NO_PROXY,
                                     WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    long long sizes[3] = {Fetch(session.handle, host, port, argv[3]), 0, 0};
    {
        std::thread current([&] {
            sizes[1] = Fetch(session.handle, host, port, argv[4], folder + L"\\CurrentMETAR.txt");
        });
        sizes[2] = Fetch(session.handle, host, port, argv[5], folder + L"\\PreviousMETAR.txt");
        current.join();
    }

    LARGE_INTEGER end;
    QueryPerformanceCounter(&end);
    for (const long long size : sizes) {
        if (size < 0) {
            std::fprintf(stderr, "a GET failed\n");
            return 1;
        }
    }
    std::printf("%.1f ms %lld %lld %lld\n",
                1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
                    static_cast<double>(frequency.QuadPart),
                sizes[0], sizes[1], sizes[2]);
    return 0;
}
