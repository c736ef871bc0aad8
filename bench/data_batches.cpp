// Prints how many batches of received bytes the running nimbrel.exe has delivered to its
// listeners so far, asked from its HTTP event window; "none" when no such window answers.
#include <windows.h>

#include <cstdio>

#include "retrieval/winhttp_transfer.h"

int main() {
    const HWND window =
        FindWindowExW(HWND_MESSAGE, nullptr, nimbrel::kHttpEventWindowClass, nullptr);
    DWORD_PTR count = 0;
    if (!window || !SendMessageTimeoutW(window, nimbrel::kDataBatchesQuery, 0, 0, SMTO_ABORTIFHUNG,
                                        5000, &count)) {
        std::puts("none");
        return 1;
    }
    std::printf("%llu\n", static_cast<unsigned long long>(count));
    return 0;
}
