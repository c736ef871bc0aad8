// Fetching the current and the previous hour's cycle files into the report files, asking the
// server only for a newer copy where the report written last is still on disk as written.
#include <utility>

#include "app/data_age.h"
#include "app/frm_nimbrel.h"
#include "retrieval/previous_cycle.h"
#include "retrieval/server_clock_cycle.h"
#include "util/absolute_folder.h"
#include "util/join_path.h"

namespace nimbrel {

void FrmNimbrel::GetNOAAMetar(const std::string& cycle) {
    downloadFailed_ = false;
    oldDataText_.clear();

    SetStatus(kGreen, "Getting Current METAR (" + cycle + ")");
    CurrentMetar.clear();
    currentReport_.passedOver = passedOverCycle_;
    RequestReport(currentReport_, cycle);

    PreviousMetar.clear();
    const std::string previous = PreviousCycle(cycle);
    SetStatus(kGreen, "Getting Previous METAR (" + previous + ")");
    RequestReport(previousReport_, previous);
}

void FrmNimbrel::RequestReport(ReportDownload& report, const std::string& cycle) {
    report.ended = false;
    report.cycle = cycle;
    report.url = CycleFileUrl(services_.server, cycle);
    const std::string path = ReportPath(report);
    HttpConditions conditions;
    if (report.written &&
        StillAsWritten(*report.written, report.url, path, services_.reportFiles.Stamp(path))) {
        conditions = ConditionsFor(*report.written);
    }
    report.conditional = !conditions.ifModifiedSince.empty() || !conditions.ifNoneMatch.empty();
    report.http.SetUrl(report.url);
    report.http.SetConditions(conditions);
    report.http.Start();
}

std::string FrmNimbrel::ReportPath(const ReportDownload& report) const {
    // The folder is read each time, so an edit during a download takes effect at once.
    const std::string text = controls_.Text1.Text();
    return JoinPath(WholeFolder(text).value_or(text), report.fileName);
}

void FrmNimbrel::HTTP2_DataArrival(std::string_view chunk) {
    CurrentMetar.append(chunk);
}

void FrmNimbrel::HTTP3_DataArrival(std::string_view chunk) {
    PreviousMetar.append(chunk);
}

void FrmNimbrel::HTTP2_Error(const TransferFailure& failure) {
    currentReport_.ended = true;
    ReportDownloadError(TransferFailureText(failure));
}

void FrmNimbrel::HTTP3_Error(const TransferFailure& failure) {
    previousReport_.ended = true;
    ReportDownloadError(TransferFailureText(failure));
}

void FrmNimbrel::HTTP2_Complete(const HttpResponseInfo& info) {
    if (StoreReport(currentReport_, info)) {
        // The server's clock, since this computer's may be wrong by hours.
        const auto serverNow = ParseHttpDate(info.date).value_or(services_.clock.UtcNow());
        oldDataText_ = OldDataText(*currentReport_.written, serverNow);
    }
}

void FrmNimbrel::HTTP3_Complete(const HttpResponseInfo& info) {
    StoreReport(previousReport_, info);
    // A failure or old data stays on the line rather than give way to the countdown text.
    if (previousReport_.ended && !downloadFailed_ && oldDataText_.empty()) {
        SetTimer();
    }
}

void FrmNimbrel::ReportDownloadError(const std::string& message) {
    downloadFailed_ = true;
    ShowFailure(message);
}

// Writes the body received, or keeps the file on a "not modified"; true when the report is up to
// date.
bool FrmNimbrel::StoreReport(ReportDownload& report, const HttpResponseInfo& info) {
    // The write takes the bytes, since an update nested in its wait for a held file refills the
    // buffer. Their memory goes back when it ends: a cycle file is megabytes, and the next update
    // is 15 minutes away.
    std::string bytes = std::exchange(report.buffer, {});
    // The folder is read at each completion, so an edit during a download takes effect at once.
    const std::optional<std::string> folder = MetarFolder();
    if (!folder) {
        report.ended = true;
        downloadFailed_ = true;
        return false;
    }
    const std::string path = JoinPath(*folder, report.fileName);
    if (info.notModified) {
        return KeepReport(report, path);
    }
    report.ended = true;
    // Read from the transfer before the write, so that nothing the write lets happen meanwhile (a
    // nested update) changes what the report is said to hold.
    WrittenReport written{.url = report.url,
                          .lastModified = info.lastModified,
                          .etag = info.etag,
                          .compressed = info.compressed,
                          .path = path,
                          .cycle = report.cycle,
                          .times = ReadReportTimes(bytes),
                          .passedOver = report.passedOver};
    const bool stored = StringToFile(std::move(bytes), path);
    if (stored) {
        written.stamp = services_.reportFiles.Stamp(path);
        report.written = std::move(written);
        updatedAt_ = services_.clock.UtcNow();
    } else {
        downloadFailed_ = true;
    }
    return stored;
}

bool FrmNimbrel::KeepReport(ReportDownload& report, const std::string& path) {
    if (!report.conditional) {
        // Nothing was named that could be unchanged: the server answers nonsense.
        report.ended = true;
        ReportDownloadError(TransferFailureText({.kind = TransferFailureKind::HttpStatus,
                                                 .systemText = "Not Modified",
                                                 .httpStatus = 304}));
        return false;
    }
    if (!StillAsWritten(*report.written, report.url, path, services_.reportFiles.Stamp(path))) {
        // The file or the folder box changed while the server was asked: fetch it whole after all.
        report.conditional = false;
        report.http.SetUrl(report.url);
        report.http.Start();
        return false;
    }
    report.ended = true;
    updatedAt_ = services_.clock.UtcNow();
    return true;
}

}  // namespace nimbrel
