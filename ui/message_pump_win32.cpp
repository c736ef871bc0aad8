#include "ui/message_pump_win32.h"

#include <windows.h>

#include <algorithm>

namespace nimbrel {

namespace {

// Keyboard navigation between controls, for whichever of the program's windows has them.
bool IsDialogKey(MSG& message) {
    const HWND root = message.hwnd ? GetAncestor(message.hwnd, GA_ROOT) : nullptr;
    return root && (GetWindowLongPtrW(root, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) &&
           IsDialogMessageW(root, &message);
}

}  // namespace

bool Win32MessagePump::PumpPending() {
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
    // Input already seen by an earlier peek counts too, so a wait never sleeps on a message.
    MsgWaitForMultipleObjectsEx(0, nullptr, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
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
