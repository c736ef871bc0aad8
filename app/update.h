// One update, from the click to the last report written: its cycle choice, its downloads, its
// verdicts. A click during one of its waits runs another update nested inside it, which is an
// object of its own, so that it can never overwrite what the outer one holds.
#pragma once

#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "app/report_verdict.h"
#include "app/update_result.h"
#include "app/written_report.h"
#include "retrieval/http_control.h"
#include "retrieval/report_times.h"

namespace nimbrel {

class FrmNimbrel;

// The main window's transfers, as HTTP1 to HTTP4 carry them.
enum class Transfer { Cycle, Current, Previous, SecondSource };

class Update {
  public:
    // Becomes the update under way; the one that was is its outer update.
    explicit Update(FrmNimbrel& frm);
    ~Update();
    Update(const Update&) = delete;
    Update& operator=(const Update&) = delete;

    void Run();

    // Events of the transfers this update started, handed on by the main window.
    void CycleArrived(const HttpResponseInfo& info);
    void CycleFailed(const TransferFailure& failure);
    void ReportArrived(Transfer transfer, const HttpResponseInfo& info);
    void ReportFailed(Transfer transfer, const TransferFailure& failure);
    void SecondSourceArrived(const HttpResponseInfo& info);
    void SecondSourceFailed(const TransferFailure& failure);
    // An update nested in this one's wait started a transfer of its own on `transfer`'s control.
    void TakenOver(Transfer transfer);

    // Requests the cycle, and a report for `cycle`, on their controls; called by the main
    // window's GetNOAAList and GetNOAAMetar.
    void RequestCycle();
    void RequestReport(Transfer transfer, const std::string& cycle);

    Update* Outer() const { return outer_; }

  private:
    struct CycleChoice {
        std::string cycle{};
        std::string passedOver{};  // the clock's cycle, when its file had not begun
        bool listed = false;       // a listing of the cycle files could be read
        bool clocksHour = false;   // the cycle is the clock's hour, whose file NOAA may begin anew
    };

    // One report file and the transfer that fetches it.
    struct Download {
        const char* fileName;
        Transfer transfer;
        std::string cycle{};
        std::string url{};
        bool conditional = false;  // the request named the copy written
        bool ended = false;
        bool takenOver = false;
        bool standsIn = false;  // the hour before, for a clock's hour's file not yet begun
        // Why NOAA's report cannot be used, when it calls for the second source.
        std::optional<std::string> noaaFailure{};
        bool oldData = false;      // NOAA's report is used unless the second source's is newer
        std::string source{};      // the second source's host, when the body is its
        std::string passedOver{};  // that clock's hour
        std::string body{};
        ReportTimes times{};
        HttpResponseInfo info{};
        std::optional<std::chrono::system_clock::time_point> responseTime{};
        ReportFacts facts{};
        std::optional<Verdict> verdict{};  // once decided
    };

    Download& DownloadOf(Transfer transfer);
    void StartTransfer(Transfer transfer, const std::string& url, const HttpConditions& conditions);
    // Abandons this update's transfer on `transfer`'s control, if it is still this update's.
    void Release(Transfer transfer);
    void Observe(const std::string& date, const std::string& age);
    void ChooseCycle(std::string_view listing);
    void FindCycle();
    void FetchReports();
    // False when the program began closing meanwhile.
    bool WaitForDownloads();
    // The hour before stands in for the clock's hour's file when that has not begun: it becomes
    // the current report, and the hour before it the previous one.
    void TurnTheHour();
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
    // Takes on what a nested update found for the transfers it took over.
    void NestedEnded(const Update& nested);
    void Finish();

    FrmNimbrel& frm_;
    Update* outer_;
    CycleChoice choice_;
    bool cycleEnded_ = false;
    bool cycleTakenOver_ = false;
    std::array<Download, 2> downloads_;
    // The second source, asked at most once an update for both reports.
    struct SecondSource {
        bool asked = false;
        bool ended = false;
        std::string body{};
        HttpResponseInfo info{};
        std::optional<std::string> failure{};  // why it could not be had
        bool conditional = false;              // the request named the copy the reports came from
    };
    SecondSource second_;
    // What the last update nested in this one decided for each report.
    struct Decided {
        std::optional<Verdict> verdict{};
        ReportFacts facts{};
    };
    std::array<Decided, 2> nestedDecided_{};
    std::chrono::milliseconds downloadDeadline_{};
    // The update's own failures and notes, beside the verdicts on its reports.
    std::vector<Reason> reasons_;
    bool finished_ = false;
};

}  // namespace nimbrel
