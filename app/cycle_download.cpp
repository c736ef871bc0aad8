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

namespace {

// A report file larger than any cycle file NOAA writes is not read back to judge a new one.
constexpr std::uint64_t kReportReadLimit = std::uint64_t{64} << 20;

}  // namespace

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
        oldDataText_ = OldDataText(*currentReport_.written, ServerNow(info.date));
    }
}

std::chrono::system_clock::time_point FrmNimbrel::ServerNow(const std::string& date) const {
    // The server's clock, since this computer's may be wrong by hours.
    return ParseHttpDate(date).value_or(services_.clock.UtcNow());
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

// Writes the body received when it is real weather not older than the report, or keeps the file
// on a "not modified"; true when the report is up to date.
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
    const auto serverNow = ServerNow(info.date);
    serverNow_ = serverNow;
    // Read from the transfer before the write, so that nothing the write lets happen meanwhile (a
    // nested update) changes what the report is said to hold.
    WrittenReport written{.url = report.url,
                          .lastModified = info.lastModified,
                          .etag = info.etag,
                          .compressed = info.compressed,
                          .path = path,
                          .cycle = report.cycle,
                          .times = ReadReportTimes(bytes, serverNow + kFutureReportSlack),
                          .passedOver = report.passedOver};
    if (!AcceptBody(report, path, bytes, written.times, serverNow)) {
        return false;
    }
    switch (StringToFile(std::move(bytes), path)) {
        case WriteResult::Written:
            written.stamp = services_.reportFiles.Stamp(path);
            report.written = std::move(written);
            updatedAt_ = services_.clock.UtcNow();
            return true;
        case WriteResult::Superseded:
            return false;
        case WriteResult::Failed:
            break;
    }
    downloadFailed_ = true;
    return false;
}

namespace {

// "an HTML page of 312 bytes"
std::string DescribeBody(std::string_view bytes) {
    if (bytes.empty()) {
        return "an empty file";
    }
    const std::size_t start = bytes.find_first_not_of(" \t\r\n");
    const bool html = start != std::string_view::npos && bytes[start] == '<';
    const std::string size =
        std::to_string(bytes.size()) + (bytes.size() == 1 ? " byte" : " bytes");
    return html ? "an HTML page of " + size : size + " without a dated report";
}

}  // namespace

bool FrmNimbrel::AcceptBody(ReportDownload& report, const std::string& path, std::string_view bytes,
                            const ReportTimes& times,
                            std::chrono::system_clock::time_point serverNow) {
    if (times.count == 0) {
        // NOAA deletes the clock's hour's file and begins it again; empty, it is not yet begun.
        if (bytes.empty() && &report == &currentReport_ && report.passedOver.empty() &&
            services_.server.layout == ServerLayout::Current) {
            NoteReason(ReasonRank::Note,
                       report.cycle + " not yet begun; " + report.fileName + " kept");
            return false;
        }
        ReportDownloadError(TransferFailureText("The server sent no reports for " + report.cycle +
                                                " (" + DescribeBody(bytes) + ")"));
        return false;
    }
    const auto onDisk = NewestOnDisk(report, path, serverNow + kFutureReportSlack);
    if (times.newest && onDisk && *times.newest < *onDisk) {
        ReportDownloadError("NOAA sent an older " + report.cycle + " (newest " +
                            ReportTimeText(*times.newest, serverNow) +
                            ") than the report in the folder (" +
                            ReportTimeText(*onDisk, serverNow) + "); kept");
        return false;
    }
    return true;
}

std::optional<std::chrono::system_clock::time_point> FrmNimbrel::NewestOnDisk(
    const ReportDownload& report, const std::string& path,
    std::chrono::system_clock::time_point notAfter) const {
    const auto stamp = services_.reportFiles.Stamp(path);
    if (!stamp) {
        return std::nullopt;
    }
    // The file as this run wrote it: what it holds is known, unless a time was left out then.
    const auto& written = report.written;
    if (written && written->path == path && written->stamp == stamp &&
        written->times.ignored == 0 &&
        (!written->times.newest || *written->times.newest <= notAfter)) {
        return written->times.newest;
    }
    const auto bytes = services_.reportFiles.Read(path, kReportReadLimit);
    if (!bytes) {
        return std::nullopt;
    }
    return ReadReportTimes(*bytes, notAfter).newest;
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
