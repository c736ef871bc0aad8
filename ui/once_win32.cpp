#include "ui/once_win32.h"

#include <exception>

#include "app/clock_win32.h"
#include "app/console_log.h"
#include "app/frm_nimbrel.h"
#include "app/headless_controls.h"
#include "retrieval/report_files_win32.h"
#include "retrieval/winhttp_transfer.h"
#include "ui/console_output_win32.h"
#include "ui/message_pump_win32.h"
#include "util/environment_win32.h"
#include "util/handler_barrier_win32.h"
#include "util/process_launcher_win32.h"
#include "util/registry_win32.h"

namespace nimbrel {

namespace {

int RunUpdate(const CommandLine& options, ConsoleLog& log, Win32Clock& clock) {
    // A failure in a handler ends the run through the catch below instead of waiting in a box.
    const HeldFailures held;
    HeadlessForm form;
    HeadlessLabel lblStatus;
    HeadlessTextBox text1;
    HeadlessTimer timer1;
    HeadlessTimer timer2;
    WinHttpControl http1({.body = BodyKind::Page});
    WinHttpControl http2;
    WinHttpControl http3;
    WinHttpControl http4({.body = BodyKind::CacheFile});
    Win32MessagePump pump;
    HeadlessScreen screen;
    HeadlessModalWindows windows;
    Win32Registry registry;
    Win32Environment environment;
    Win32ReportFiles reportFiles;
    Win32ProcessLauncher launcher;
    FrmNimbrel frm({form, lblStatus, text1, timer1, timer2, http1, http2, http3, http4},
                   {pump, clock, screen, windows, registry, environment, log, reportFiles, launcher,
                    options.server},
                   {options.folder, options.intervalMinutes, false, false, options.secondSource});
    return frm.RunOnce(log);
}

}  // namespace

int RunOnceWithoutWindow(const CommandLine& options) {
    StandardStream progress(STD_OUTPUT_HANDLE);
    StandardStream failures(STD_ERROR_HANDLE);
    Win32Clock clock;
    ConsoleLog log(progress, failures, clock);
    if (!options.error.empty()) {
        log.Failure(options.error);
        return kOptionErrorExitCode;
    }
    if (const auto text = RequestedText(options)) {
        // Plain text, as a script that asks for it expects.
        log.Print(*text);
        return 0;
    }
    try {
        return RunUpdate(options, log, clock);
    } catch (const std::exception& error) {
        log.Failure(error.what());
        return FrmNimbrel::kOnceFailed;
    }
}

}  // namespace nimbrel
