// The whole main window on fakes: controls, event loop with a virtual clock, server, files.
#pragma once

#include "app/frm_nimbrel.h"
#include "tests/fake/event_loop.h"
#include "tests/fake/fake_controls.h"
#include "tests/fake/fake_http.h"
#include "tests/fake/fake_system.h"

namespace nimbrel::fake {

inline constexpr RegistryKey kLocalMachine = 0x80000002;

class FakePlatform {
  public:
    explicit FakePlatform(NoaaServer noaa = {"http://noaa.test", ServerLayout::Classic},
                          FrmNimbrelSettings settings = {});

    EventLoop loop;
    FakeLabel lblStatus;
    FakeTextBox text1;
    FakeTimer timer1{loop, milliseconds(60000), false};
    // As the window's: off until the window is seen.
    FakeTimer timer2{loop, milliseconds(300), false};
    FakeHttpServer server;
    FakeHttpControl http1{loop, server};
    FakeHttpControl http2{loop, server};
    FakeHttpControl http3{loop, server};
    FakeHttpControl http4{loop, server};
    FakeForm form{6810, 2130};
    FakeScreen screen{12000, 9000};
    FakeModalWindows windows{loop};
    FakeRegistry registry;
    FakeEnvironment environment;
    FakeMessageBox messageBox{loop};
    FakeReportFiles reportFiles{loop};
    FakeLauncher launcher;
    FrmNimbrel frm;

    // Lets the test click a button at a given moment, as the user would through the loop.
    void ClickGetMetarAfter(milliseconds delay);
    // Ends the program started last, as its user would, `delay` from now. The system reports
    // `lifetime` as the time it ran, by default the time since its start.
    void EndProgramAfter(milliseconds delay, std::optional<milliseconds> lifetime = std::nullopt);
};

}  // namespace nimbrel::fake
