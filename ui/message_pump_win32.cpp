#include "ui/message_pump_win32.h"

#include <windows.h>

#include <algorithm>

#include "util/process_launcher_win32.h"

namespace nimbrel {

namespace {

// Keyboard navigation between controls, for whichever of the program's windows has them.
bool IsDialogKey(MSG& message) {
    const HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    return root && (GetWindowLongPtrW(root, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) &&
           IsDialogMessageW(root, &message);
}

// Every program watched here was started by Win32ProcessLauncher, the launcher of this platform.
HANDLE ProcessOf(const StartedProgram& program) {
    return static_cast<const Win32StartedProgram&>(program).Process();
}

}  // namespace

bool Win32MessagePump::PumpPending() {
    // First, so that a close the end asks for is among the messages below.
    DeliverExits();
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return true;
        }
        if (!IsDialogKey(message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return false;
}

void Win32MessagePump::WaitForEvent(std::chrono::milliseconds timeout) {
    const DWORD wait =
        timeout >= std::chrono::milliseconds(INFINITE)
            ? INFINITE
            : static_cast<DWORD>(std::max<std::chrono::milliseconds::rep>(timeout.count(), 0));
    std::vector<HANDLE> processes;
    for (const Watch& watch : watches_) {
        processes.push_back(ProcessOf(*watch.program));
    }
    // Input already seen by an earlier peek counts too, so a wait never sleeps on a message.
    MsgWaitForMultipleObjectsEx(static_cast<DWORD>(processes.size()), processes.data(), wait,
                                QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

void Win32MessagePump::WatchForExit(std::unique_ptr<StartedProgram> program,
                                    std::function<void()> onExit) {
    watches_.push_back({std::move(program), std::move(onExit)});
}

void Win32MessagePump::DeliverExits() {
    for (auto watch = watches_.begin(); watch != watches_.end();) {
        if (WaitForSingleObject(ProcessOf(*watch->program), 0) != WAIT_OBJECT_0) {
            ++watch;
            continue;
        }
        // Out of the list before the handler runs: it may pump, and so come back here.
        const std::function<void()> onExit = std::move(watch->onExit);
        watches_.erase(watch);
        onExit();
        watch = watches_.begin();
    }
}

bool Win32MessagePump::RunUntil(const std::function<bool()>& done) {
    for (;;) {
        if (PumpPending()) {
            return false;
        }
        if (done()) {
            return true;
        }
        WaitForEvent(kNoTimeLimit);
    }
}

}  // namespace nimbrel
