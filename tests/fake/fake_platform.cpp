#include "tests/fake/fake_platform.h"

namespace nimbrel::fake {

FakePlatform::FakePlatform(NoaaServer noaa, FrmNimbrelSettings settings)
    : frm(FrmNimbrelControls{form, lblStatus, text1, timer1, timer2, http1, http2, http3, http4},
          FrmNimbrelServices{loop, loop, screen, windows, registry, environment, messageBox,
                             reportFiles, launcher, std::move(noaa)},
          std::move(settings)) {
    // The box as start-up fills it for an installed simulator.
    text1.text = "C:\\Fly!\\METAR\\";
    // As the window's close: the window goes, its controls with it, then the loop's quit.
    form.onClose = [this] {
        frm.Form_Unload();
        text1.text.clear();
        loop.Close();
    };
    loop.onUnhandled = [this](std::exception_ptr error) { frm.HandlerFailed(error); };
    launcher.clock = &loop;
    timer1.SetHandler([this] { frm.Timer1_Timer(); });
    timer2.SetHandler([this] { frm.Timer2_Timer(); });
}

void FakePlatform::ClickGetMetarAfter(milliseconds delay) {
    loop.Post(delay, [this] { frm.Command1_Click(); });
}

void FakePlatform::EndProgramAfter(milliseconds delay, std::optional<milliseconds> lifetime) {
    loop.Post(delay, [this, lifetime] {
        const FakeLauncher::Started& last = launcher.started.back();
        last.process->lifetime = lifetime.value_or(loop.Now() - last.at);
        loop.EndProgram(*last.process);
    });
}

}  // namespace nimbrel::fake
