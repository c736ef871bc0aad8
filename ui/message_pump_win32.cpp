#include "ui/message_pump_win32.h"

#include <algorithm>
#include <stdexcept>

#include "util/handler_barrier_win32.h"
#include "util/process_launcher_win32.h"
#include "util/win32_text.h"

namespace nimbrel {

namespace {

constexpr UINT kProgramEndedMessage = WM_APP + 1;
constexpr wchar_t kWindowClass[] = L"NimbrelPumpEvents";

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

Win32MessagePump::Win32MessagePump() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = kWindowClass;
    // A second pump finds the class registered already.
    if (!RegisterClassExW(&windowClass) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        throw std::runtime_error("The program's event window class could not be registered: " +
                                 SystemErrorText(GetLastError()));
    }
    window_ = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance,
                              nullptr);
    if (!window_) {
        throw std::runtime_error("The program's event window could not be created: " +
                                 SystemErrorText(GetLastError()));
    }
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Win32MessagePump::~Win32MessagePump() {
    // Each wait is over, its callback included, before the window its message goes to is gone.
    for (const auto& [id, watch] : watches_) {
        UnregisterWaitEx(watch->wait, INVALID_HANDLE_VALUE);
    }
    DestroyWindow(window_);
}

bool Win32MessagePump::PumpPending() {
    MSG message{};
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            if (onQuit_) {
                onQuit_();
            }
            return true;
        }
        if (!IsDialogKey(message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        // Out of the system's code again, a held failure may unwind.
        RaiseHeldFailure();
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

void Win32MessagePump::WatchForExit(std::unique_ptr<StartedProgram> program,
                                    std::function<void(const StartedProgram&)> onExit) {
    const UINT_PTR id = nextId_++;
    auto watch = std::make_unique<Watch>(Watch{window_, id, std::move(program), std::move(onExit)});
    if (!RegisterWaitForSingleObject(&watch->wait, ProcessOf(*watch->program), ProgramEnded,
                                     watch.get(), INFINITE, WT_EXECUTEONLYONCE)) {
        throw std::runtime_error("The end of the started program cannot be watched: " +
                                 SystemErrorText(GetLastError()));
    }
    watches_.emplace(id, std::move(watch));
}

void Win32MessagePump::PostAfter(std::chrono::milliseconds delay, std::function<void()> action) {
    const UINT_PTR id = nextId_++;
    const auto ms = std::clamp<std::chrono::milliseconds::rep>(delay.count(), USER_TIMER_MINIMUM,
                                                               USER_TIMER_MAXIMUM);
    if (!SetTimer(window_, id, static_cast<UINT>(ms), nullptr)) {
        throw std::runtime_error("A timer could not be set: " + SystemErrorText(GetLastError()));
    }
    delayed_.emplace(id, std::move(action));
}

VOID CALLBACK Win32MessagePump::ProgramEnded(PVOID context, BOOLEAN) {
    // On a thread of the pool: only the message crosses to the program's thread.
    const Watch& watch = *static_cast<const Watch*>(context);
    PostMessageW(watch.window, kProgramEndedMessage, watch.id, 0);
}

LRESULT CALLBACK Win32MessagePump::WindowProc(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
    auto* pump = reinterpret_cast<Win32MessagePump*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return WithBarrier([&]() -> LRESULT {
        if (pump && message == kProgramEndedMessage) {
            pump->DeliverExit(static_cast<UINT_PTR>(wParam));
            return 0;
        }
        if (pump && message == WM_TIMER) {
            pump->DeliverDelayed(static_cast<UINT_PTR>(wParam));
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    });
}

void Win32MessagePump::DeliverExit(UINT_PTR id) {
    const auto found = watches_.find(id);
    if (found == watches_.end()) {
        return;
    }
    // Out of the list before the handler runs: it may pump, and so come back here.
    const std::unique_ptr<Watch> watch = std::move(found->second);
    watches_.erase(found);
    UnregisterWaitEx(watch->wait, INVALID_HANDLE_VALUE);
    watch->onExit(*watch->program);
}

void Win32MessagePump::DeliverDelayed(UINT_PTR id) {
    KillTimer(window_, id);
    const auto found = delayed_.find(id);
    if (found == delayed_.end()) {
        return;
    }
    const std::function<void()> action = std::move(found->second);
    delayed_.erase(found);
    action();
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
