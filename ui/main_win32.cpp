// nimbrel.exe: reads the options, then builds the main window, its adapters and its logic, and
// runs the message loop until the window is closed.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <exception>
#include <string>
#include <vector>

#include "app/clock_win32.h"
#include "app/command_line.h"
#include "app/folder_instance.h"
#include "app/frm_nimbrel.h"
#include "retrieval/report_files_win32.h"
#include "retrieval/winhttp_transfer.h"
#include "ui/com_win32.h"
#include "ui/folder_instance_win32.h"
#include "ui/form_win32.h"
#include "ui/main_window_win32.h"
#include "ui/message_pump_win32.h"
#include "ui/modal_windows_win32.h"
#include "ui/once_win32.h"
#include "util/dpi_win32.h"
#include "util/environment_win32.h"
#include "util/handler_barrier_win32.h"
#include "util/message_box_win32.h"
#include "util/process_launcher_win32.h"
#include "util/registry_win32.h"
#include "util/win32_text.h"
#include "util/window_state_win32.h"
#include "util/window_station_win32.h"

namespace nimbrel {

namespace {

std::vector<std::string> Arguments() {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i) {
        arguments.push_back(WideToUtf8(wide[i]));
    }
    LocalFree(wide);
    return arguments;
}

int RunMainWindow(HINSTANCE instance, const CommandLine& options, FolderInstance& folder) {
    const ComApartment com;
    Win32MainWindow window(instance);
    WinHttpControl http1({.body = BodyKind::Page});
    WinHttpControl http2;
    WinHttpControl http3;
    WinHttpControl http4({.body = BodyKind::CacheFile});
    Win32MessagePump pump;
    Win32Clock clock;
    Win32Screen screen(window);
    Win32ModalWindows windows(instance, pump, window, options.minimized);
    Win32Registry registry;
    Win32Environment environment;
    Win32MessageBox messageBox(window.Hwnd());
    Win32ReportFiles reportFiles;
    Win32ProcessLauncher launcher;
    FrmNimbrel frm({window.form(), window.lblStatus(), window.Text1(), window.Timer1(),
                    window.Timer2(), http1, http2, http3, http4},
                   {pump, clock, screen, windows, registry, environment, messageBox, reportFiles,
                    launcher, options.server},
                   {options.folder, options.intervalMinutes, options.updateNow, options.launch,
                    options.secondSource});
    window.Attach(frm);
    folder.Publish(window.Hwnd());
    // From here the logic decides where an error that escapes a handler is told.
    const UnhandledTeller teller([&frm](std::exception_ptr error) { frm.HandlerFailed(error); });
    pump.OnQuit([&frm] { frm.Form_Unload(); });
    // Start-up and the first update run behind the same barrier as every later handler.
    WithBarrier([&] {
        frm.Form_Load();
        if (!frm.Closing()) {
            window.Show(options.minimized);
        }
        frm.Form_Shown();
        return LRESULT{0};
    });
    frm.StartUpReturned();
    pump.RunUntil([&frm] { return frm.Closing(); });
    frm.Form_Terminate();
    return frm.ExitCode();
}

}  // namespace

}  // namespace nimbrel

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    using namespace nimbrel;
    CommandLine options = ForWindowStation(
        ParseCommandLine(Arguments(), WideToUtf8(GetCommandLineW())), WindowStationVisible());
    // A shortcut's "Run: Minimized" asks what --minimized does.
    options.minimized = options.minimized || WindowStateOf(showCommand) == WindowState::Minimized;
    if (options.once) {
        return RunOnceWithoutWindow(options);
    }
    DeclareDpiAwareness();

    Win32MessageBox messageBox;
    if (!options.error.empty()) {
        messageBox.Show(options.error, kProgramTitle, MessageBoxIcon::Critical);
        return kOptionErrorExitCode;
    }
    if (const auto text = RequestedText(options)) {
        messageBox.Show(*text, kProgramTitle, MessageBoxIcon::Information);
        return 0;
    }

    Win32Registry registry;
    Win32Environment environment;
    FolderInstance folder(StartFolderKey(options, registry, environment));
    if (!folder.First() && folder.HandOver(options)) {
        return 0;
    }

    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES;
    InitCommonControlsEx(&controls);
    try {
        return RunMainWindow(instance, options, folder);
    } catch (const std::exception& error) {
        messageBox.Show(error.what(), kProgramTitle, MessageBoxIcon::Critical);
        return 1;
    }
}
