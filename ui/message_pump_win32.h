// The message pump port on the thread's message queue; every loop of the program runs on it.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

#include "app/ui_ports.h"

namespace nimbrel {

class Win32MessagePump : public MessagePump {
  public:
    static constexpr std::chrono::milliseconds kNoTimeLimit = std::chrono::milliseconds::max();

    // Dispatches every pending message, with the dialog keys (Tab, space) for windows that
    // hold controls. Returns true at WM_QUIT, which it posts again for the loops further out.
    bool PumpPending() override;
    // Sleeps until a message arrives or a watched program ends; kNoTimeLimit waits for as long
    // as it takes.
    void WaitForEvent(std::chrono::milliseconds timeout) override;
    // The program's process handle joins the handles every wait sleeps on.
    void WatchForExit(std::unique_ptr<StartedProgram> program,
                      std::function<void()> onExit) override;

    // Runs the loop until `done` holds (true) or the program is closing (false).
    bool RunUntil(const std::function<bool()>& done);

  private:
    struct Watch {
        std::unique_ptr<StartedProgram> program;
        std::function<void()> onExit;
    };

    // Delivers the ends of the watched programs that have ended.
    void DeliverExits();

    std::vector<Watch> watches_;
};

}  // namespace nimbrel
