// What the WinHTTP test programs share: the stand-in's addresses and files, and a message loop.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>

namespace nimbrel {

// Given on the command line by run_winhttp_tests.py.
struct Options {
    std::string base;        // the stand-in, e.g. http://127.0.0.1:43121
    std::string dataFolder;  // the folder it serves, as a Windows path
    std::string refusedUrl;  // an address where nothing listens
    std::string tlsBase;     // the stand-in's HTTPS listener; empty when there is none
};

Options& TestOptions();
std::string Url(const std::string& path);
// The bytes the stand-in serves for a path.
std::string DataFile(const std::string& path);

// Runs the thread's message loop until `done` holds or `limit` has passed.
template <typename Condition>
bool PumpUntil(Condition done, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left.count()), QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return true;
}

void PumpFor(std::chrono::milliseconds duration);

}  // namespace nimbrel
