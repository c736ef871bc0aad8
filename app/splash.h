// The splash screen's handlers: centre and paint on load, paint once more on the first
// activation, and unload itself when its timer ticks.
#pragma once

#include <chrono>

#include "app/ui_ports.h"
#include "util/form.h"

namespace nimbrel {

// The controls of the splash window that its handlers drive.
struct SplashControls {
    Form& form;
    Window& window;
    Timer& Timer1;  // how long the splash stays up, kTimer1Interval
};

class Splash {
  public:
    static constexpr std::chrono::milliseconds kTimer1Interval{2500};

    Splash(SplashControls controls, const Screen& screen);
    Splash(const Splash&) = delete;
    Splash& operator=(const Splash&) = delete;

    void Form_Load();
    void Form_Activate();
    void Timer1_Timer();

    // Set by the first activation and never reset.
    bool Activated = false;

  private:
    SplashControls controls_;
    const Screen& screen_;
};

}  // namespace nimbrel
