// What one thread that only waits adds to a process's working set on this platform, in KiB: the
// peer for the threads an update's asynchronous requests start.
#include <windows.h>
// after windows.h, which it needs
#include <psapi.h>

#include <cstdio>

namespace {

long long WorkingSetKib() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) {
        return -1;
    }
    return static_cast<long long>(counters.WorkingSetSize / 1024);
}

HANDLE running = nullptr;
HANDLE done = nullptr;

DWORD WINAPI Wait(void*) {
    SetEvent(running);
    WaitForSingleObject(done, INFINITE);
    return 0;
}

}  // namespace

int main() {
    running = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const long long before = WorkingSetKib();
    const HANDLE thread =
        running && done ? CreateThread(nullptr, 0, Wait, nullptr, 0, nullptr) : nullptr;
    const bool started = thread && WaitForSingleObject(running, 10000) == WAIT_OBJECT_0;
    const long long after = started ? WorkingSetKib() : -1;
    if (thread) {
        SetEvent(done);
        WaitForSingleObject(thread, INFINITE);
    }
    if (before < 0 || after < 0) {
        std::fputs("cannot measure a thread\n", stderr);
        return 1;
    }
    std::printf("%lld\n", after - before);
    return 0;
}
