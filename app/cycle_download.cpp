// Fetching the current and the previous hour's cycle files into the report files.
#include <utility>

#include "app/frm_nimbrel.h"
#include "retrieval/previous_cycle.h"
#include "util/join_path.h"

namespace nimbrel {

void FrmNimbrel::GetNOAAMetar(const std::string& cycle) {
    currentEnded_ = false;
    previousEnded_ = false;
    downloadFailed_ = false;

    currentCycle_ = cycle;
    previousCycle_ = PreviousCycle(cycle);
    SetStatus(kGreen, "Getting Current METAR (" + currentCycle_ + ")");
    CurrentMetar.clear();
    controls_.HTTP2.SetUrl(CycleFileUrl(services_.server, cycle));
    controls_.HTTP2.Start();

    PreviousMetar.clear();
    SetStatus(kGreen, "Getting Previous METAR (" + previousCycle_ + ")");
    controls_.HTTP3.SetUrl(CycleFileUrl(services_.server, previousCycle_));
    controls_.HTTP3.Start();
}

void FrmNimbrel::HTTP2_DataArrival(std::string_view chunk) {
    CurrentMetar.append(chunk);
}

void FrmNimbrel::HTTP3_DataArrival(std::string_view chunk) {
    PreviousMetar.append(chunk);
}

void FrmNimbrel::HTTP2_Error(const TransferFailure& failure) {
    currentEnded_ = true;
    ReportDownloadError(TransferFailureText(failure));
}

void FrmNimbrel::HTTP3_Error(const TransferFailure& failure) {
    previousEnded_ = true;
    ReportDownloadError(TransferFailureText(failure));
}

void FrmNimbrel::HTTP2_Complete(const HttpResponseInfo&) {
    WriteReport(CurrentMetar, "CurrentMETAR.txt");
    currentEnded_ = true;
}

void FrmNimbrel::HTTP3_Complete(const HttpResponseInfo&) {
    WriteReport(PreviousMetar, "PreviousMETAR.txt");
    previousEnded_ = true;
    // A failure of this update stays on the line rather than give way to the countdown text.
    if (!downloadFailed_) {
        SetTimer();
    }
}

void FrmNimbrel::ReportDownloadError(const std::string& message) {
    downloadFailed_ = true;
    ShowFailure(message);
}

void FrmNimbrel::WriteReport(std::string& buffer, const char* fileName) {
    // The write takes the bytes, since an update nested in its wait for a held file refills the
    // buffer. Their memory goes back when it ends: a cycle file is megabytes, and the next update
    // is 15 minutes away.
    std::string bytes = std::exchange(buffer, {});
    // The folder is read at each completion, so an edit during a download takes effect at once.
    const std::optional<std::string> folder = MetarFolder();
    if (!folder || !StringToFile(std::move(bytes), JoinPath(*folder, fileName))) {
        downloadFailed_ = true;
    }
}

}  // namespace nimbrel
