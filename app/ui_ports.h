// The main window's controls and the event loop, as the program's logic sees them.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "util/process_launcher.h"

namespace nimbrel {

// 0x00BBGGRR, as the platform's controls take it.
using Colour = std::uint32_t;

class Label {
  public:
    virtual ~Label() = default;

    virtual std::string Caption() const = 0;
    virtual void SetCaption(const std::string& caption) = 0;
    virtual void SetForeColour(Colour colour) = 0;
};

class TextBox {
  public:
    virtual ~TextBox() = default;

    virtual std::string Text() const = 0;
    virtual void SetText(const std::string& text) = 0;
};

// The interval is fixed when the platform creates the timer; the platform calls the owner's tick
// handler once per interval while the timer is enabled.
class Timer {
  public:
    virtual ~Timer() = default;

    virtual bool Enabled() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
};

class MessagePump {
  public:
    virtual ~MessagePump() = default;

    // Delivers every pending event. Returns true once the program is closing.
    virtual bool PumpPending() = 0;
    // Blocks until an event is pending or `timeout` has passed.
    virtual void WaitForEvent(std::chrono::milliseconds timeout) = 0;
    // Holds `program` and delivers `onExit` with it as an event once it has ended. The end wakes a
    // wait as a message does, and reaches every loop, a message box's too; nothing polls.
    virtual void WatchForExit(std::unique_ptr<StartedProgram> program,
                              std::function<void(const StartedProgram&)> onExit) = 0;
    // Delivers `action` as an event once `delay` has passed, in whichever loop runs then, a
    // message box's included.
    virtual void PostAfter(std::chrono::milliseconds delay, std::function<void()> action) = 0;
};

class Clock {
  public:
    virtual ~Clock() = default;

    // Monotonic time, for time limits.
    virtual std::chrono::milliseconds Now() const = 0;
    // Wall-clock time in UTC.
    virtual std::chrono::system_clock::time_point UtcNow() const = 0;
};

// What the handlers of a secondary window (the splash screen, the About box) do to the window
// itself.
class Window {
  public:
    virtual ~Window() = default;

    // Paints the window at once instead of at the platform's next paint message.
    virtual void Repaint() = 0;
    // Destroys the window; nothing of it may be touched afterwards.
    virtual void Unload() = 0;
};

// Windows that the main window shows modally; each call returns once the window is unloaded.
class ModalWindows {
  public:
    virtual ~ModalWindows() = default;

    virtual void ShowSplash() = 0;
    virtual void ShowAbout() = 0;
};

}  // namespace nimbrel
