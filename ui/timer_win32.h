// The timer port on SetTimer/KillTimer: WM_TIMER with this timer's ID reaches the window.
#pragma once

#include <windows.h>

#include <chrono>

#include "app/ui_ports.h"
#include "ui/base_window_win32.h"

namespace nimbrel {

// Created disabled; the window enables it once it exists.
class Win32Timer : public Timer {
  public:
    Win32Timer(const BaseWindow& owner, UINT_PTR id, std::chrono::milliseconds interval)
        : owner_(owner), id_(id), interval_(interval) {}

    bool Enabled() const override { return enabled_; }
    // Enabling an enabled timer changes nothing; off and on again restarts the interval.
    void SetEnabled(bool enabled) override;

  private:
    const BaseWindow& owner_;
    UINT_PTR id_;
    std::chrono::milliseconds interval_;
    bool enabled_ = false;
};

}  // namespace nimbrel
