// The message pump port on the thread's message queue; every loop of the program runs on it.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>

#include "app/ui_ports.h"

namespace nimbrel {

// The ends of watched programs and the delayed events arrive as messages to a message-only window
// of the pump's, so that every loop delivers them: the program's own, and the ones that Windows
// runs for a message box or a menu.
class Win32MessagePump : public MessagePump {
  public:
    static constexpr std::chrono::milliseconds kNoTimeLimit = std::chrono::milliseconds::max();

    Win32MessagePump();
    ~Win32MessagePump() override;
    Win32MessagePump(const Win32MessagePump&) = delete;
    Win32MessagePump& operator=(const Win32MessagePump&) = delete;

    // Dispatches every pending message, with the dialog keys (Tab, space) for windows that
    // hold controls. Returns true at WM_QUIT, which it posts again for the loops further out.
    bool PumpPending() override;
    // Sleeps until a message arrives; kNoTimeLimit waits for as long as it takes.
    void WaitForEvent(std::chrono::milliseconds timeout) override;
    // A thread of the system's pool waits for the program's end and posts it to the pump's window.
    void WatchForExit(std::unique_ptr<StartedProgram> program,
                      std::function<void(const StartedProgram&)> onExit) override;
    void PostAfter(std::chrono::milliseconds delay, std::function<void()> action) override;

    // Runs the loop until `done` holds (true) or the program is closing (false).
    bool RunUntil(const std::function<bool()>& done);
    // Calls `heard` whenever a loop meets WM_QUIT, a modal window's loop too.
    void OnQuit(std::function<void()> heard) { onQuit_ = std::move(heard); }

  private:
    struct Watch {
        HWND window;
        UINT_PTR id;
        std::unique_ptr<StartedProgram> program;
        std::function<void(const StartedProgram&)> onExit;
        HANDLE wait = nullptr;
    };

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static VOID CALLBACK ProgramEnded(PVOID watch, BOOLEAN timedOut);
    void DeliverExit(UINT_PTR id);
    void DeliverDelayed(UINT_PTR id);

    HWND window_ = nullptr;
    UINT_PTR nextId_ = 1;
    std::map<UINT_PTR, std::unique_ptr<Watch>> watches_;
    std::map<UINT_PTR, std::function<void()>> delayed_;
    std::function<void()> onQuit_;
};

}  // namespace nimbrel
