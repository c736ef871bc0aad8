// One update, from the click to the last report written: its cycle choice, its downloads, its
// verdicts. A click during one of its waits runs another update nested inside it, which is an
// object of its own, so that it can never overwrite what the outer one holds.
#pragma once

#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "app/hour_turn.h"
#include "app/report_verdict.h"
#include "app/update_result.h"
#include "app/written_report.h"
#include "retrieval/http_control.h"
#include "retrieval/report_times.h"

namespace nimbrel {

class FrmNimbrel;

inline constexpr const char* kUpdateStoppedText = "The update stopped on an error inside Nimbrel: ";

// The main window's transfers, as HTTP1 to HTTP4 carry them.
enum class Transfer { Cycle, Current, Previous, SecondSource };

// The two report files, CurrentMETAR.txt and PreviousMETAR.txt, and the transfer of each.
enum class ReportFile { Current, Previous };
Transfer TransferOf(ReportFile file);
std::size_t IndexOf(ReportFile file);

class Update {
  public:
    // Becomes the update under way; the one that was is its outer update.
    explicit Update(FrmNimbrel& frm);
    ~Update();
    Update(const Update&) = delete;
    Update& operator=(const Update&) = delete;

    void Run();
    // Ends the update as failed by `error`, which escaped it: its transfers go, the line says
    // why, and the countdown brings the next update.
    void Abandon(const std::string& error);

    // Events of the transfers this update started, handed on by the main window.
    void CycleArrived(const HttpResponseInfo& info);
    void CycleFailed(const TransferFailure& failure);
    void ReportArrived(ReportFile file, const HttpResponseInfo& info);
    void ReportFailed(ReportFile file, const TransferFailure& failure);
    void SecondSourceArrived(const HttpResponseInfo& info);
    void SecondSourceFailed(const TransferFailure& failure);
    // An update nested in this one's wait started a transfer of its own on `transfer`'s control.
    void TakenOver(Transfer transfer);

    // Requests the cycle, and a report for `cycle`, on their controls; called by the main
    // window's GetNOAAList and GetNOAAMetar.
    void RequestCycle();
    void RequestReport(ReportFile file, const std::string& cycle);

    Update* Outer() const { return outer_; }

  private:
    struct CycleChoice {
        std::string cycle{};
        std::string passedOver{};  // the clock's cycle, when its file had not begun
        bool listed = false;       // a listing of the cycle files could be read
        bool clocksHour = false;   // the cycle is the clock's hour, whose file NOAA may begin anew

        const std::string& ClocksCycle() const { return passedOver.empty() ? cycle : passedOver; }
    };

    // Where a report's verdict comes from.
    enum class Origin { Noaa, SecondSource, Click };

    // One report file and the transfer that fetches it.
    struct Download {
        const char* fileName;
        ReportFile file;
        std::string cycle{};
        std::string url{};
        DownloadStage stage = DownloadStage::Requested;
        Origin origin = Origin::Noaa;
        // Why NOAA's report cannot be used, when it calls for the second source.
        std::optional<std::string> noaaFailure{};
        std::string source{};      // the second source's host, when the body is its
        std::string passedOver{};  // that clock's hour
        std::string body{};
        ReportTimes times{};
        HttpResponseInfo info{};
        std::optional<std::chrono::system_clock::time_point> responseTime{};
        std::chrono::system_clock::time_point arrivedAt{};  // when it arrived, by the reference
        ReportFacts facts{};
        Verdict verdict{};  // once decided
    };

    Download& DownloadOf(ReportFile file);
    void StartTransfer(Transfer transfer, const std::string& url, const HttpConditions& conditions);
    // Abandons this update's transfer on `transfer`'s control, if it is still this update's.
    void Release(Transfer transfer);
    // Each response is observed once, at the time its headers arrived.
    void Observe(const std::string& date, const std::string& age,
                 std::optional<std::chrono::milliseconds> headersAt);
    void Observe(const TransferFailure& failure);
    // This computer's clock, and the reference, as they read at the monotonic time `at`; the
    // reference now without one.
    std::chrono::system_clock::time_point LocalUtcAt(std::chrono::milliseconds at) const;
    std::chrono::system_clock::time_point ReferenceAt(
        std::optional<std::chrono::milliseconds> at) const;
    CycleChoice CycleChoiceFrom(std::string_view listing) const;
    void ChooseCycle(std::string_view listing);
    // After a far move of the reference, the cycle is chosen again from the listing held, unless
    // a report is being written; true when the clock's hour changed and both files are asked for
    // again.
    bool ChoseAnotherCycle();
    void FindCycle();
    void FetchReports();
    // The fetch of `download` failed; its response, if any, has been observed.
    void ReportFailedFor(Download& download, const TransferFailure& failure);
    // False when the program began closing meanwhile.
    bool WaitForDownloads();
    // The hour before stands in for the clock's hour's file when that has not begun: it becomes
    // the current report, and the hour before it the previous one. True when it asked for more.
    bool TurnTheHour();
    // What is known now of the clock's hour's file and the hour before's.
    HourFacts HourFactsNow() const;
    HourDecision DecideHour() const { return DecideTheHour(HourFactsNow()); }
    // Writes each report that has arrived and whose fate nothing still to come can change.
    void StoreSettled();
    // Asks the second source, once an update, when NOAA's `download` has failed, been refused or
    // is old.
    void CallSecondSource(Download& download, std::string noaaFailure);
    // NOAA's newest report, when old, calls for the second source.
    void CallSecondSourceIfOld(Download& download);
    HttpConditions SecondSourceConditions() const;
    // Puts the second source's reports in place of NOAA's where NOAA's called for them.
    void TakeSecondSource();
    void SecondSourceFailedFor(Download& download, const std::string& failure);
    // Why NOAA's report for `download` called for the second source, as the user reads it.
    std::string NoaaReason(const Download& download) const;
    std::string SecondSourceHost() const;
    void Store(Download& download);
    std::optional<Verdict> JudgeAgainstDisk(Download& download, const std::string& path);
    void RecordWritten(const Download& download, const std::string& path);
    // Report times further ahead than this, reached by few reports, are mistakes.
    std::chrono::system_clock::time_point BeliefLimit() const;
    std::string PathOf(const Download& download) const;
    void Fail(const std::string& text);
    // Takes on the cycle and the reports a nested update decided.
    void NestedEnded(const Update& nested);
    // Takes on `theirs`, a nested update's verdict on the report `download` holds, unless its
    // fetch failed where this update wrote or is writing the report itself.
    static void Supersede(Download& download, const Download& theirs);
    // A body of `cycle` an update this one is nested in holds whole, not yet written.
    const Download* HeldWhole(const std::string& cycle) const;
    // Takes `body` as the report `download` fetched.
    void Accept(Download& download, std::string body, const HttpResponseInfo& info);
    void Decide(Download& download, Verdict verdict);
    // NOAA's report is written unless the second source's is newer.
    static bool HoldsOldData(const Download& download);
    void Finish();

    FrmNimbrel& frm_;
    Update* outer_;
    CycleChoice choice_;
    bool cycleEnded_ = false;
    bool cycleTakenOver_ = false;
    bool referenceMoved_ = false;  // far, since the cycle was chosen
    std::array<Download, 2> downloads_;
    // The second source, asked at most once an update for both reports.
    struct SecondSource {
        bool asked = false;
        bool ended = false;
        std::string body{};
        HttpResponseInfo info{};
        std::optional<std::string> failure{};  // why it could not be had
        bool takenOver = false;                // a nested update asked it anew
        // When its response arrived, by the reference.
        std::chrono::system_clock::time_point arrivedAt{};
    };
    SecondSource second_;
    std::chrono::milliseconds downloadDeadline_{};
    // The update's own failures and notes, beside the verdicts on its reports.
    std::vector<Reason> reasons_;
    bool finished_ = false;
};

}  // namespace nimbrel
