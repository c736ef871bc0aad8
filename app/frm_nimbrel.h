// The main window's logic: its state, start-up, the update and its countdown, the status line.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "app/ui_ports.h"
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

inline constexpr Colour kBlue = 0xC00000;
inline constexpr Colour kPurple = 0x800080;
inline constexpr Colour kGreen = 0x008000;
inline constexpr Colour kRed = 0x0000FF;

// How the last update that ran to its end came out, for any front end to report.
enum class UpdateOutcome {
    None,     // no update has ended yet
    Written,  // both reports are up to date
    OldData,  // both are, but NOAA's newest report is old
    Failed,   // the status text says why
};

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
    static constexpr int kOnceWritten = 0;
    static constexpr int kOnceFailed = 1;
    static constexpr int kOnceOldData = 3;  // written, but NOAA's newest report is old
    // With the simulator launched after the first update: how long that update may hold its start,
    // and how soon an end is taken for a launcher's or a crash's rather than the player's.
    static constexpr std::chrono::milliseconds kSimulatorStartLimit{std::chrono::seconds(60)};
    static constexpr std::chrono::milliseconds kEarlySimulatorEnd{std::chrono::seconds(10)};

    FrmNimbrel(FrmNimbrelControls controls, FrmNimbrelServices services,
               FrmNimbrelSettings settings = {});
    FrmNimbrel(const FrmNimbrel&) = delete;
    FrmNimbrel& operator=(const FrmNimbrel&) = delete;

    // Window and control events, called by the platform.
    void Form_Load();
    // Called once the main window is first shown.
    void Form_Shown();
    void Command1_Click();  // "Get METAR": one whole update
    void Command2_Click();  // "Help / About"
    void Command3_Click();  // "Launch Fly!"
    void Timer1_Timer();
    void Timer2_Timer();

    void HTTP1_DataArrival(std::string_view chunk);
    void HTTP1_Error(const TransferFailure& failure);
    void HTTP1_Complete(const HttpResponseInfo& info);
    void HTTP2_DataArrival(std::string_view chunk);
    void HTTP2_Error(const TransferFailure& failure);
    void HTTP2_Complete(const HttpResponseInfo& info);
    void HTTP3_DataArrival(std::string_view chunk);
    void HTTP3_Error(const TransferFailure& failure);
    void HTTP3_Complete(const HttpResponseInfo& info);

    // One update for a run without a window: the report folder as start-up finds it, then the
    // update, each status told to `log`. Returns the exit code.
    int RunOnce(StatusLog& log);

    // Restarts the countdown and says so.
    void SetTimer();
    void GetNOAAList();
    void GetNOAAMetar(const std::string& cycle);
    enum class WriteResult {
        Written,
        Superseded,  // an update nested in the wait wrote the file first; these bytes are older
        Failed,      // the reason is on the status line
    };
    // A file that another program holds open is tried again for a while, pumping events
    // meanwhile.
    WriteResult StringToFile(std::string text, const std::string& path);

    // State fields, read and written by the handlers above.
    std::string ZuluPage;
    std::string CurrentMetar;
    std::string PreviousMetar;
    std::int16_t MinutesLeft = 0;
    std::string ZuluCycle;
    std::string StatusText;
    std::int16_t DotCount = 0;

    bool Closing() const { return closing_; }
    UpdateOutcome LastOutcome() const { return lastOutcome_; }
    // The reports' cycles, counts and newest times, and when they were written; empty before the
    // first report is written.
    std::string DataSummary() const;
    // The status line's tooltip: the whole status text, the reason the last update did not simply
    // write both reports, and the data summary.
    std::string StatusTip() const;

  private:
    enum class WaitOutcome { Done, TimedOut, Closing };
    // Why an update did not simply write both reports; a higher rank outranks a lower.
    enum class ReasonRank { None, Note, OldData, Failure };

    // One of the two report files and the transfer that fetches it.
    struct ReportDownload {
        const char* fileName;
        HttpControl& http;
        std::string& buffer;
        bool ended = false;
        std::string cycle{};
        std::string url{};
        std::string passedOver{};
        bool conditional = false;                // the request named the copy written
        std::optional<WrittenReport> written{};  // kept from one update to the next
    };

    // Routes one control's events to its three handlers, and sizes the buffer its data handler
    // fills once the body's size is known: grown chunk by chunk, a body of megabytes would be
    // copied again and again and take up to twice its size.
    class HttpEvents : public HttpListener {
      public:
        using Buffer = std::string FrmNimbrel::*;
        using DataHandler = void (FrmNimbrel::*)(std::string_view);
        using ErrorHandler = void (FrmNimbrel::*)(const TransferFailure&);
        using CompleteHandler = void (FrmNimbrel::*)(const HttpResponseInfo&);

        HttpEvents(FrmNimbrel& owner, Buffer buffer, DataHandler data, ErrorHandler error,
                   CompleteHandler complete)
            : owner_(owner), buffer_(buffer), data_(data), error_(error), complete_(complete) {}

        void OnBodySize(std::uint64_t bytes) override {
            (owner_.*buffer_).reserve(static_cast<std::size_t>(bytes));
        }
        void OnDataArrival(std::string_view chunk) override { (owner_.*data_)(chunk); }
        void OnError(const TransferFailure& failure) override {
            owner_.TellNotice(failure.notice);
            (owner_.*error_)(failure);
        }
        void OnComplete(const HttpResponseInfo& info) override {
            owner_.TellNotice(info.notice);
            (owner_.*complete_)(info);
        }

      private:
        FrmNimbrel& owner_;
        Buffer buffer_;
        DataHandler data_;
        ErrorHandler error_;
        CompleteHandler complete_;
    };

    template <typename Condition>
    WaitOutcome PumpUntil(Condition done, std::chrono::milliseconds limit);
    // Delivers events for `pause`; false when the program began closing meanwhile.
    bool PauseFor(std::chrono::milliseconds pause);
    void RunUpdate();
    // Starts the simulator that waits for the first update, and watches it.
    void StartWatchedSimulator();
    void SimulatorEnded();
    void FillFolderBox();
    void RestartCountdown();
    void SetStatus(Colour colour, std::string text);
    // The status text with the animation's present dots.
    void ShowStatusText();
    void ShowFailure(const std::string& message);
    void NoteReason(ReasonRank rank, const std::string& text);
    // A transfer's notice about the way to the server: in the tooltip, or a line of --once.
    void TellNotice(const std::string& notice);
    // The cycle the listing advises, judged by the server's `date`; a listing that cannot be read
    // leaves the clock's cycle.
    void TakeListedCycle(std::string_view listing, const std::string& date);
    std::chrono::system_clock::time_point ServerNow(const std::string& date) const;
    std::string TransferFailureText(const std::string& message) const;
    std::string TransferFailureText(const TransferFailure& failure) const;
    std::string CountdownText() const;
    void ReportDownloadError(const std::string& message);
    // The folder in the box when it names one real place; otherwise says so in red.
    std::optional<std::string> MetarFolder();
    void RequestReport(ReportDownload& report, const std::string& cycle);
    bool StoreReport(ReportDownload& report, const HttpResponseInfo& info);
    // Whether `bytes` may replace the report at `path`; otherwise says why and keeps the file.
    bool AcceptBody(ReportDownload& report, const std::string& path, std::string_view bytes,
                    const ReportTimes& times, std::chrono::system_clock::time_point serverNow);
    // The newest believable report time in the file at `path`; none when it holds none or cannot
    // be read.
    std::optional<std::chrono::system_clock::time_point> NewestOnDisk(
        const ReportDownload& report, const std::string& path,
        std::chrono::system_clock::time_point notAfter) const;
    bool KeepReport(ReportDownload& report, const std::string& path);
    std::string ReportPath(const ReportDownload& report) const;

    FrmNimbrelControls controls_;
    FrmNimbrelServices services_;
    FrmNimbrelSettings settings_;
    StatusLog* statusLog_ = nullptr;
    HttpEvents http1Events_;
    HttpEvents http2Events_;
    HttpEvents http3Events_;

    // How far the transfers of the update under way have got.
    bool cycleTransferEnded_ = false;
    std::string passedOverCycle_;
    ReportDownload currentReport_;
    ReportDownload previousReport_;
    bool downloadFailed_ = false;
    std::string oldDataText_;
    ReasonRank reasonRank_ = ReasonRank::None;
    std::string reason_;
    // Successful writes of each report path in this run, so a retry can tell that a nested
    // update's write has landed.
    std::map<std::string, int> landedWrites_;
    int updateDepth_ = 0;
    bool closing_ = false;
    // Set for a run without a window: every wait gives up then, as if the program were closing.
    std::optional<std::chrono::milliseconds> runDeadline_;
    // When the simulator is to start at the latest, while the first update holds its start.
    std::optional<std::chrono::milliseconds> simulatorDue_;
    std::chrono::milliseconds simulatorStartedAt_{};

    UpdateOutcome lastOutcome_ = UpdateOutcome::None;
    std::chrono::system_clock::time_point updatedAt_{};  // of the last report written or kept
    std::chrono::system_clock::time_point serverNow_{};  // by the last cycle file's response
};

}  // namespace nimbrel
