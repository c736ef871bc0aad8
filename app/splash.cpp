#include "app/splash.h"

#include "util/center_form.h"

namespace nimbrel {

Splash::Splash(SplashControls controls, const Screen& screen)
    : controls_(controls), screen_(screen) {}

void Splash::Form_Load() {
    CenterForm(screen_, controls_.form);
    // The picture should be up before the slow rest of start-up, not at the next idle moment.
    controls_.window.Repaint();
}

void Splash::Form_Activate() {
    // Load has painted the picture already; later activations find it intact.
    if (Activated) {
        return;
    }
    Activated = true;
    controls_.window.Repaint();
}

void Splash::Timer1_Timer() {
    // Off first: once unloaded, nothing of the window may be touched.
    controls_.Timer1.SetEnabled(false);
    controls_.window.Unload();
}

}  // namespace nimbrel
