// The main window's logic: its state, start-up, the update and its countdown, the status line.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "app/command_line.h"
#include "app/program_life.h"
#include "app/time_reference.h"
#include "app/ui_ports.h"
#include "app/update_result.h"
#include "app/written_report.h"
#include "retrieval/http_control.h"
#include "retrieval/noaa_server.h"
#include "retrieval/report_files.h"
#include "util/environment.h"
#include "util/form.h"
#include "util/message_box.h"
#include "util/process_launcher.h"
#include "util/registry.h"

namespace nimbrel {

class Update;
enum class Transfer;

// The title of the program's message boxes.
inline constexpr const char* kProgramTitle = "Nimbrel";

// The controls of the main window that the logic drives.
struct FrmNimbrelControls {
    Form& form;
    Label& lblStatus;
    TextBox& Text1;
    Timer& Timer1;  // the minute countdown, 60000 ms
    Timer& Timer2;  // the status animation, 300 ms
    HttpControl& HTTP1;
    HttpControl& HTTP2;
    HttpControl& HTTP3;
    HttpControl& HTTP4;  // the second source, when NOAA's cycle files cannot be had
};

// Everything else the main window reaches outside itself.
struct FrmNimbrelServices {
    MessagePump& pump;
    Clock& clock;
    Screen& screen;
    ModalWindows& windows;
    Registry& registry;
    Environment& environment;
    MessageBox& messageBox;
    ReportFiles& reportFiles;
    ProcessLauncher& launcher;
    NoaaServer server;
};

// What the command line asks of the main window.
struct FrmNimbrelSettings {
    std::optional<std::string> folder;  // the report folder; the registry's when absent
    int intervalMinutes = 15;
    bool updateNow = false;  // start the first update once the window is up
    // Start the first update, then the simulator, and close when the simulator ends.
    bool launchSimulator = false;
    // The METAR cache file asked when NOAA's cycle files cannot be had; none: not asked.
    std::optional<std::string> secondSource{};
};

// Hears each status an update shows, but for the countdown's; a run without a window prints them.
class StatusLog {
  public:
    virtual ~StatusLog() = default;

    virtual void OnStatus(Colour colour, const std::string& text) = 0;
};

class FrmNimbrel {
  public:
    // How long an update waits for the cycle, and then for both cycle files.
    static constexpr std::chrono::milliseconds kCycleWaitLimit{std::chrono::seconds(90)};
    static constexpr std::chrono::milliseconds kDownloadWaitLimit{std::chrono::minutes(10)};
    // Updates started by clicks during a wait nest inside it; deeper clicks are ignored.
    static constexpr int kMaxNestedUpdates = 3;
    // A run without a window ends by then, so that one started every 15 minutes never overlaps
    // the next.
    static constexpr std::chrono::milliseconds kOnceTimeLimit{std::chrono::minutes(5)};
    // Exit codes of a run without a window.
    static constexpr int kOnceWritten = nimbrel::kOnceWritten;
    static constexpr int kOnceFailed = nimbrel::kOnceFailed;
    static constexpr int kOnceOldData = nimbrel::kOnceOldData;

    FrmNimbrel(FrmNimbrelControls controls, FrmNimbrelServices services,
               FrmNimbrelSettings settings = {});
    FrmNimbrel(const FrmNimbrel&) = delete;
    FrmNimbrel& operator=(const FrmNimbrel&) = delete;

    // Window and control events, called by the platform.
    void Form_Load();
    // Called once the main window is first shown.
    void Form_Shown();
    // The platform's start-up (Form_Load, the window's showing, Form_Shown) has returned or
    // thrown: one that never showed the window ends the run, with ExitCode() 1.
    void StartUpReturned();
    void Command1_Click();  // "Get METAR": one whole update
    void Command2_Click();  // "Help / About"
    void Command3_Click();  // "Launch Fly!"
    void Timer1_Timer();
    void Timer2_Timer();
    // The window was shown, hidden, minimised or restored: the animation runs only while it is
    // seen.
    void Form_Seen(bool seen);
    // A second start for this window's folder handed over its --launch, --update-now and
    // --interval (app/folder_instance.cpp).
    void Form_HandedOver(const CommandLine& options);
    // The PC woke from sleep: the countdown is set from its deadline, and one that passed during
    // the sleep starts the update at once.
    void Form_Resumed();
    // The window is going, the session ends, or a loop met the quit: nothing more starts, and
    // the report files stay as they are.
    void Form_Unload();
    // The platform's last loop has returned.
    void Form_Terminate();
    // An error escaped a handler that the platform ran. Inside an update it ends that update,
    // once its wait is back; outside one it is told as the run allows.
    void HandlerFailed(std::exception_ptr error);

    void HTTP1_DataArrival(std::string chunk);
    void HTTP1_Error(const TransferFailure& failure);
    void HTTP1_Complete(const HttpResponseInfo& info);
    void HTTP2_DataArrival(std::string chunk);
    void HTTP2_Error(const TransferFailure& failure);
    void HTTP2_Complete(const HttpResponseInfo& info);
    void HTTP3_DataArrival(std::string chunk);
    void HTTP3_Error(const TransferFailure& failure);
    void HTTP3_Complete(const HttpResponseInfo& info);
    void HTTP4_DataArrival(std::string chunk);
    void HTTP4_Error(const TransferFailure& failure);
    void HTTP4_Complete(const HttpResponseInfo& info);

    // One update for a run without a window: the report folder as start-up finds it, then the
    // update, each status told to `log`. Returns the exit code.
    int RunOnce(StatusLog& log);

    // Restarts the countdown and says so.
    void SetTimer();
    // Starts the transfer that finds the current cycle, for the update under way.
    void GetNOAAList();
    // Starts the transfers of the cycle's file and of the hour before's, for the update under way.
    void GetNOAAMetar(const std::string& cycle);
    // Replaces the report at `path` by `text` when `judge` still says so just before each swap;
    // `judge` says nullopt while the file on disk cannot be read. A file that another program
    // holds is tried again for a while, pumping events meanwhile. Returns what became of it.
    using WriteJudge = std::function<std::optional<Verdict>()>;
    Verdict StringToFile(std::string text, const std::string& path, const WriteJudge& judge);

    // State fields, read and written by the handlers above.
    std::string ZuluPage;
    std::string CurrentMetar;
    std::string PreviousMetar;
    std::string SecondSourceData;
    std::int16_t MinutesLeft = 0;
    std::string ZuluCycle;
    std::string StatusText;
    std::int16_t DotCount = 0;

    bool Closing() const { return life_.Closing(); }
    int ExitCode() const { return life_.ExitCode(); }
    UpdateOutcome LastOutcome() const { return lastResult_.outcome; }
    // The reports' cycles, counts and newest times, and when they were written; empty before the
    // first report is written.
    std::string DataSummary() const;
    // The status line's tooltip: the whole status text, every reason the last update did not
    // simply write both reports, and the data summary, within kStatusTipLimit.
    std::string StatusTip() const;
    // A tooltip keeps no more characters (UTF-16 units, line breaks as CR LF).
    static constexpr std::size_t kStatusTipLimit = 1023;

  private:
    friend class Update;

    enum class WaitOutcome { Done, TimedOut, Closing };

    // Routes one control's events to its three handlers.
    class HttpEvents : public HttpListener {
      public:
        using DataHandler = void (FrmNimbrel::*)(std::string);
        using ErrorHandler = void (FrmNimbrel::*)(const TransferFailure&);
        using CompleteHandler = void (FrmNimbrel::*)(const HttpResponseInfo&);

        HttpEvents(FrmNimbrel& owner, DataHandler data, ErrorHandler error,
                   CompleteHandler complete)
            : owner_(owner), data_(data), error_(error), complete_(complete) {}

        void OnDataArrival(std::string chunk) override { (owner_.*data_)(std::move(chunk)); }
        void OnError(const TransferFailure& failure) override {
            owner_.TellNotice(failure.notice);
            owner_.NoteFailureAfterResume(failure);
            (owner_.*error_)(failure);
        }
        void OnComplete(const HttpResponseInfo& info) override {
            owner_.TellNotice(info.notice);
            (owner_.*complete_)(info);
        }

      private:
        FrmNimbrel& owner_;
        DataHandler data_;
        ErrorHandler error_;
        CompleteHandler complete_;
    };

    // Appends a chunk to a transfer's buffer; a body that comes whole is kept as it is, not copied:
    // a cycle file is megabytes.
    static void AppendChunk(std::string& buffer, std::string chunk);

    // What this run has written and learnt, which every update builds on.
    struct RunRecord {
        // Of CurrentMETAR.txt and PreviousMETAR.txt, by ReportFile.
        std::array<std::optional<WrittenReport>, 2> written{};
        // Successful writes of each report path, so a retry can tell that a nested update's write
        // has landed.
        std::map<std::string, int> landedWrites{};
        std::chrono::system_clock::time_point updatedAt{};  // of the last report written or kept
        TimeReference reference{};
    };

    // Delivers events until `done`, for at most `limit`.
    WaitOutcome PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds limit);
    // Delivers events for `pause`; false when the program began closing meanwhile.
    bool PauseFor(std::chrono::milliseconds pause);
    // Waits while `judge` cannot read the file, as long as a held file is waited for; nullopt when
    // the program began closing.
    std::optional<Verdict> JudgeWhenReadable(const std::string& path, const WriteJudge& judge,
                                             std::chrono::milliseconds firstTry);
    // Runs the first update, then starts the simulator and watches it; the start waits for the
    // update for a limited time only.
    void LaunchAfterFirstUpdate();
    void StartDueSimulator();
    // A click's user is there to close a message box; the program's own start tells no box.
    enum class StartedBy { Program, Click };
    void StartWatchedSimulator(StartedBy startedBy);
    void SimulatorEnded(const StartedProgram& simulator);
    // A launch's notice: on the line in red, kept in the tooltip, and the taskbar button flashes
    // while the window is not seen.
    void TellSimulatorNotice(std::string notice);
    // Tells an error that escaped every handler where the run allows: a box, or the line.
    void TellUnexpected(const std::string& text);
    // Raises again, in the update's own wait, an error held from a handler run inside it.
    void RaiseHeldFailure();
    void FillFolderBox();
    void RestartCountdown();
    // Shows the minutes left, and starts the update when none are.
    void ShowCountdown();
    // A connection that fails just after a wake-up is tried again a minute later, once: the
    // network often comes back only then.
    void NoteFailureAfterResume(const TransferFailure& failure);
    void SetStatus(Colour colour, std::string text);
    void SetStatusColour(Colour colour);
    // The status text with the animation's present dots.
    void ShowStatusText();
    void ShowFailure(const std::string& message);
    // Shows how an update came out and keeps it for the tooltip and a run without a window.
    void EndUpdate(UpdateResult result);
    // A transfer's notice about the way to the server: in the tooltip, or a line of --once.
    void TellNotice(const std::string& notice);
    std::string TransferFailureText(const std::string& message) const;
    std::string TransferFailureText(const TransferFailure& failure) const;
    std::string CountdownText() const;
    // The folder in the box when it names one real place.
    std::optional<std::string> MetarFolder() const;
    std::string NoFolderText() const;
    // Now, as the servers of this run tell it.
    std::chrono::system_clock::time_point ReferenceNow() const;
    int UpdateDepth() const;
    // The last line of a run without a window that wrote or kept both reports.
    std::string OnceSummary() const;
    HttpControl& ControlOf(Transfer transfer);
    // The update whose transfer is now on `transfer`'s control, to hand its events to.
    Update* OwnerOf(Transfer transfer) const;
    std::string& BufferOf(Transfer transfer);

    FrmNimbrelControls controls_;
    FrmNimbrelServices services_;
    FrmNimbrelSettings settings_;
    StatusLog* statusLog_ = nullptr;
    HttpEvents http1Events_;
    HttpEvents http2Events_;
    HttpEvents http3Events_;
    HttpEvents http4Events_;

    // The update under way, innermost first; each knows the one it is nested in.
    Update* update_ = nullptr;
    // Which update started the transfer now on HTTP1 to HTTP4, to hand its events to.
    std::array<Update*, 4> transferOwners_{};
    RunRecord record_;
    UpdateResult lastResult_;
    ProgramLife life_;
    // An error that escaped a handler inside an update's wait, for the wait to raise again.
    std::exception_ptr heldFailure_;
    bool seen_ = false;  // the window is shown and not minimised
    // Set for a run without a window: every wait gives up then, as if the program were closing.
    std::optional<std::chrono::milliseconds> runDeadline_;
    // The simulator that --launch starts: due after the first update, or running and watched.
    enum class WatchedSimulator { None, Due, Running };
    WatchedSimulator watchedSimulator_ = WatchedSimulator::None;
    // The Fly! a click started without watching it: kept to know whether it still runs.
    std::unique_ptr<StartedProgram> clickedSimulator_;
    std::chrono::milliseconds simulatorStartedAt_{};
    std::string simulatorNotice_;  // kept in the tooltip once the line shows other things
    std::string failureNotice_;    // an error that escaped every handler, when it went to the line
    Colour statusColour_ = kBlue;  // the line's, as last set
    std::string transferNotice_;   // about the way to the server, told once a run
    // When the countdown runs out, on the monotonic clock, which counts on while the PC sleeps
    // and the ticks do not.
    std::chrono::milliseconds countdownDeadline_{};
    std::optional<std::chrono::milliseconds> resumedAt_;  // the last wake-up
    bool resumeRetryDue_ = false;  // the next countdown is the minute before the one retry
    bool resumeRetried_ = false;   // since the last wake-up
};

}  // namespace nimbrel
