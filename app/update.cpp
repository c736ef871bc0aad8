#include "app/update.h"

#include <algorithm>
#include <utility>

#include "app/data_age.h"
#include "app/failure_text.h"
#include "app/frm_nimbrel.h"
#include "app/time_reference.h"
#include "retrieval/metar_cache_file.h"
#include "retrieval/previous_cycle.h"
#include "retrieval/report_times.h"
#include "retrieval/server_clock_cycle.h"
#include "retrieval/utc_fields.h"
#include "retrieval/zulu_cycle.h"
#include "util/join_path.h"

namespace nimbrel {

namespace {

// A report file larger than any cycle file NOAA writes is not read back to judge a new one.
constexpr std::uint64_t kReportReadLimit = std::uint64_t{64} << 20;

// The four transfers index the main window's arrays of four.
std::size_t IndexOf(Transfer transfer) {
    return static_cast<std::size_t>(transfer);
}

}  // namespace

Transfer TransferOf(ReportFile file) {
    switch (file) {
        case ReportFile::Current:
            return Transfer::Current;
        case ReportFile::Previous:
            return Transfer::Previous;
    }
    return Transfer::Current;
}

std::size_t IndexOf(ReportFile file) {
    return file == ReportFile::Current ? 0 : 1;
}

Update::Update(FrmNimbrel& frm)
    : frm_(frm),
      outer_(frm.update_),
      downloads_{Download{kCurrentReportName, ReportFile::Current},
                 Download{kPreviousReportName, ReportFile::Previous}} {
    frm_.update_ = this;
}

Update::~Update() {
    for (std::size_t i = 0; i < frm_.transferOwners_.size(); ++i) {
        if (frm_.transferOwners_[i] == this) {
            frm_.transferOwners_[i] = nullptr;
            frm_.ControlOf(static_cast<Transfer>(i)).Cancel();
        }
    }
    frm_.update_ = outer_;
    if (outer_ && finished_) {
        outer_->NestedEnded(*this);
    }
}

void Update::Run() {
    frm_.controls_.Timer1.SetEnabled(false);
    if (!frm_.MetarFolder()) {
        Fail(frm_.NoFolderText());
        Finish();
        return;
    }
    FindCycle();
    // A click's update during the cycle wait has decided both reports.
    const bool decided = downloads_[0].origin == Origin::Click;
    if (!choice_.cycle.empty() && !frm_.Closing() && !decided) {
        FetchReports();
        TakeSecondSource();
        for (Download& download : downloads_) {
            if (!frm_.Closing()) {
                Store(download);
            }
        }
    }
    // A program that began closing has no line left to show the outcome on.
    if (!frm_.Closing()) {
        Finish();
    }
}

void Update::Abandon(const std::string& error) {
    // A program that began closing has no line left to show it on.
    if (frm_.Closing()) {
        return;
    }
    Fail(kUpdateStoppedText + error);
    Finish();
}

void Update::RequestCycle() {
    cycleEnded_ = false;
    cycleTakenOver_ = false;
    StartTransfer(Transfer::Cycle, CycleSourceUrl(frm_.services_.server), {});
}

void Update::FindCycle() {
    frm_.GetNOAAList();
    // Painting the line takes milliseconds under Wine: the request goes first.
    frm_.SetStatus(kPurple, "Getting NOAA Zulu time");
    const auto outcome =
        frm_.PumpUntil([this] { return cycleEnded_; }, FrmNimbrel::kCycleWaitLimit);
    if (outcome != FrmNimbrel::WaitOutcome::TimedOut) {
        return;
    }
    Release(Transfer::Cycle);
    if (frm_.services_.server.layout == ServerLayout::Current) {
        // A listing that never comes only advises nothing: the clock decides.
        ChooseCycle("");
        return;
    }
    Fail(frm_.TransferFailureText("No answer from the server within 90 seconds"));
}

Update::CycleChoice Update::CycleChoiceFrom(std::string_view listing) const {
    const ListedCycle listed = CycleFromListing(listing, "", frm_.ReferenceNow());
    return {listed.cycle, listed.passedOver, listed.listed, listed.passedOver.empty()};
}

void Update::ChooseCycle(std::string_view listing) {
    choice_ = CycleChoiceFrom(listing);
    referenceMoved_ = false;
    frm_.ZuluCycle = choice_.cycle;
    if (!choice_.listed) {
        reasons_.push_back({ReasonRank::Note, "folder listing not available"});
    }
}

void Update::CycleArrived(const HttpResponseInfo& info) {
    cycleEnded_ = true;
    Observe(info.date, info.age, info.headersAt);
    if (frm_.services_.server.layout == ServerLayout::Current) {
        ChooseCycle(frm_.ZuluPage);
        return;
    }
    choice_.cycle = GetZulu(frm_.ZuluPage);
    frm_.ZuluCycle = choice_.cycle;
    if (choice_.cycle.empty()) {
        Fail(frm_.TransferFailureText("The METAR page names no observing cycle"));
    }
}

void Update::CycleFailed(const TransferFailure& failure) {
    cycleEnded_ = true;
    Observe(failure);
    if (frm_.services_.server.layout == ServerLayout::Current) {
        // The listing only advises: the files can still be fetched (a server may refuse folder
        // indexes), and each body is judged before it replaces a report.
        ChooseCycle("");
        return;
    }
    Fail(frm_.TransferFailureText(failure));
}

void Update::FetchReports() {
    downloadDeadline_ = frm_.services_.clock.Now() + FrmNimbrel::kDownloadWaitLimit;
    frm_.GetNOAAMetar(choice_.cycle);
    // A cycle chosen again is waited for and its hour decided anew.
    while (WaitForDownloads() && (ChoseAnotherCycle() || TurnTheHour())) {
    }
}

bool Update::WaitForDownloads() {
    const auto left =
        std::max(downloadDeadline_ - frm_.services_.clock.Now(), std::chrono::milliseconds(0));
    const auto outcome = frm_.PumpUntil(
        [this] {
            return downloads_[0].stage != DownloadStage::Requested &&
                   downloads_[1].stage != DownloadStage::Requested &&
                   (!second_.asked || second_.ended);
        },
        left);
    if (outcome == FrmNimbrel::WaitOutcome::Closing) {
        return false;
    }
    if (outcome == FrmNimbrel::WaitOutcome::TimedOut) {
        const std::string text =
            frm_.TransferFailureText("The cycle files did not arrive within 10 minutes");
        for (Download& download : downloads_) {
            if (download.stage == DownloadStage::Requested) {
                Release(TransferOf(download.file));
                Decide(download, Verdict{VerdictKind::Failed, text});
            }
        }
        if (second_.asked && !second_.ended) {
            Release(Transfer::SecondSource);
            second_.ended = true;
            second_.failure = "no answer within 10 minutes";
        }
        frm_.ShowFailure(text);
    }
    return true;
}

void Update::RequestReport(ReportFile file, const std::string& cycle) {
    Download& download = DownloadOf(file);
    download = Download{download.fileName, file};
    download.cycle = cycle;
    download.url = CycleFileUrl(frm_.services_.server, cycle);
    if (file == ReportFile::Current) {
        download.passedOver = choice_.passedOver;
    }
    const Transfer transfer = TransferOf(file);
    frm_.BufferOf(transfer).clear();
    const std::string path = PathOf(download);
    const auto& written = frm_.record_.written[IndexOf(file)];
    HttpConditions conditions;
    if (written &&
        StillAsWritten(*written, download.url, path, frm_.services_.reportFiles.Stamp(path))) {
        conditions = ConditionsFor(*written);
    }
    StartTransfer(transfer, download.url, conditions);
}

void Update::StartTransfer(Transfer transfer, const std::string& url,
                           const HttpConditions& conditions) {
    // Every update this one is nested in learns it, not only the owner: an update nested in
    // between may have ended and left the control to nobody.
    for (Update* outer = outer_; outer; outer = outer->outer_) {
        outer->TakenOver(transfer);
    }
    frm_.transferOwners_[IndexOf(transfer)] = this;
    HttpControl& http = frm_.ControlOf(transfer);
    http.SetUrl(url);
    http.SetConditions(conditions);
    http.Start();
}

void Update::Release(Transfer transfer) {
    Update*& owner = frm_.transferOwners_[IndexOf(transfer)];
    if (owner == this) {
        owner = nullptr;
        frm_.ControlOf(transfer).Cancel();
    }
}

void Update::ReportArrived(ReportFile file, const HttpResponseInfo& info) {
    Download& download = DownloadOf(file);
    const Transfer transfer = TransferOf(file);
    Observe(info.date, info.age, info.headersAt);
    if (ChoseAnotherCycle()) {
        return;
    }
    // The bytes are the update's now: an update nested in a later wait refills the buffer. Their
    // memory goes back when it ends: a cycle file is megabytes.
    std::string body = std::exchange(frm_.BufferOf(transfer), {});
    if (info.notModified) {
        const std::string path = PathOf(download);
        const auto& written = frm_.record_.written[IndexOf(file)];
        if (!written ||
            !StillAsWritten(*written, download.url, path, frm_.services_.reportFiles.Stamp(path))) {
            // The file or the folder box changed while the server was asked: fetch it whole.
            StartTransfer(transfer, download.url, {});
            return;
        }
    }
    Accept(download, std::move(body), info);
}

void Update::Accept(Download& download, std::string body, const HttpResponseInfo& info) {
    download.stage = DownloadStage::Arrived;
    download.info = info;
    download.responseTime = ResponseTime(info.date, info.age);
    download.arrivedAt = ReferenceAt(info.headersAt);
    download.times = ReadReportTimes(body, BeliefLimit());
    download.facts = ReportFacts{
        .cycle = download.cycle,
        .notModified = info.notModified,
        .content = ContentOf(body, download.times.count),
        .bodyBytes = body.size(),
        .bodyNewest = download.times.newest,
        .clocksHourFile = download.file == ReportFile::Current && choice_.clocksHour,
        .listingRead = choice_.listed,
        .standsIn = download.facts.standsIn,
    };
    download.body = std::move(body);
    // A body that cannot replace the report calls for the second source; old weather does once
    // the turn of the hour has settled which file is current.
    const Verdict beforeDisk = JudgeReport(download.facts);
    if (beforeDisk.kind == VerdictKind::NoReports) {
        CallSecondSource(download,
                         ReasonFor(beforeDisk, download.facts, "", frm_.ReferenceNow())->text);
    }
    StoreSettled();
}

void Update::StoreSettled() {
    // Nothing that comes later can change a report's fate but the turn of the hour or the second
    // source: without them it is written at once, while the other is still on its way.
    if (DecideHour().call != HourCall::Stays) {
        return;
    }
    CallSecondSourceIfOld(downloads_[0]);
    if (HoldsOldData(downloads_[0])) {
        return;
    }
    for (Download& download : downloads_) {
        if (!download.noaaFailure && !frm_.Closing()) {
            Store(download);
        }
    }
}

void Update::ReportFailed(ReportFile file, const TransferFailure& failure) {
    Observe(failure);
    if (!ChoseAnotherCycle()) {
        ReportFailedFor(DownloadOf(file), failure);
    }
}

void Update::ReportFailedFor(Download& download, const TransferFailure& failure) {
    const ReportFile file = download.file;
    frm_.BufferOf(TransferOf(file)).clear();
    if (const Download* held = HeldWhole(download.cycle)) {
        // The waiting update's copy of this cycle is judged here, as if this fetch had brought it.
        Accept(download, held->body, held->info);
        return;
    }
    download.stage = DownloadStage::Arrived;
    const std::string text = frm_.TransferFailureText(failure);
    download.facts = ReportFacts{
        .cycle = download.cycle,
        .failure = text,
        .notFound = failure.kind == TransferFailureKind::HttpStatus && failure.httpStatus == 404,
        .clocksHourFile = file == ReportFile::Current && choice_.clocksHour,
        .listingRead = choice_.listed,
    };
    if (file != ReportFile::Current || DecideHour().call != HourCall::Turns) {
        Decide(download, JudgeReport(download.facts));
        frm_.ShowFailure(text);
        CallSecondSource(download, DescribeTransferFailure(failure));
    }
    // A current report that failed leaves the hour as it is: the other may be written now.
    StoreSettled();
}

void Update::CallSecondSourceIfOld(Download& download) {
    if (download.stage != DownloadStage::Arrived || download.noaaFailure ||
        JudgeReport(download.facts).kind != VerdictKind::Written) {
        return;
    }
    if (std::string old =
            OldDataText({.cycle = download.cycle, .times = download.times}, frm_.ReferenceNow());
        !old.empty()) {
        CallSecondSource(download, std::move(old));
    }
}

bool Update::HoldsOldData(const Download& download) {
    return download.noaaFailure && download.origin == Origin::Noaa &&
           download.facts.bodyNewest.has_value();
}

void Update::CallSecondSource(Download& download, std::string noaaFailure) {
    download.noaaFailure = std::move(noaaFailure);
    if (!frm_.settings_.secondSource || second_.asked) {
        return;
    }
    second_.asked = true;
    const HttpConditions conditions = SecondSourceConditions();
    frm_.BufferOf(Transfer::SecondSource).clear();
    StartTransfer(Transfer::SecondSource, *frm_.settings_.secondSource, conditions);
}

HttpConditions Update::SecondSourceConditions() const {
    // Only a copy that both reports were written from, and still hold, can be unchanged.
    const auto& written = frm_.record_.written;
    for (std::size_t i = 0; i < written.size(); ++i) {
        const std::string path = PathOf(downloads_[i]);
        if (!written[i] || !StillAsWritten(*written[i], *frm_.settings_.secondSource, path,
                                           frm_.services_.reportFiles.Stamp(path))) {
            return {};
        }
    }
    if (written[0]->lastModified != written[1]->lastModified ||
        written[0]->etag != written[1]->etag) {
        return {};
    }
    return ConditionsFor(*written[0]);
}

void Update::SecondSourceArrived(const HttpResponseInfo& info) {
    Observe(info.date, info.age, info.headersAt);
    ChoseAnotherCycle();
    second_.ended = true;
    second_.info = info;
    second_.arrivedAt = ReferenceAt(info.headersAt);
    second_.body = std::exchange(frm_.BufferOf(Transfer::SecondSource), {});
}

void Update::SecondSourceFailed(const TransferFailure& failure) {
    Observe(failure);
    ChoseAnotherCycle();
    second_.ended = true;
    frm_.BufferOf(Transfer::SecondSource).clear();
    // The transfer's limit is the reader's, and is told as the reader tells it.
    second_.failure = failure.kind == TransferFailureKind::TooLarge
                          ? std::string(kCacheFileTooLarge)
                          : DescribeTransferFailure(failure);
}

void Update::TakeSecondSource() {
    if (!second_.asked) {
        return;
    }
    Download& current = downloads_[0];
    Download& previous = downloads_[1];
    const bool writtenOnArrival = previous.stage == DownloadStage::Decided &&
                                  previous.origin == Origin::Noaa &&
                                  previous.verdict.kind == VerdictKind::Written;
    if (HoldsOldData(current) && !previous.noaaFailure &&
        (previous.stage == DownloadStage::Arrived || writtenOnArrival)) {
        // NOAA's feed is stuck: the second source's reports replace either where newer, whichever
        // arrived first.
        previous.noaaFailure = current.noaaFailure;
    }
    std::optional<CacheFileCycles> cycles;
    std::string failure = second_.failure.value_or("");
    if (!second_.failure && !second_.info.notModified) {
        const auto reference = frm_.ReferenceNow();
        auto read = CyclesFromCacheFile(second_.body,
                                        CycleStart(choice_.cycle, reference).value_or(reference));
        if (auto* usable = std::get_if<CacheFileCycles>(&read)) {
            cycles = std::move(*usable);
        } else {
            failure = std::get<std::string>(read);
        }
    }
    second_.body = {};
    for (Download& download : downloads_) {
        if (!download.noaaFailure) {
            continue;
        }
        if (second_.info.notModified && !second_.failure) {
            // Both reports are still as the second source's unchanged copy wrote them.
            Decide(download, Verdict{VerdictKind::NotModified});
            continue;
        }
        std::string body;
        if (cycles) {
            body = &download == &current ? std::move(cycles->current) : std::move(cycles->previous);
        }
        const ReportTimes times = ReadReportTimes(body, BeliefLimit());
        if (times.count == 0) {
            SecondSourceFailedFor(download, cycles ? "no reports for " + download.cycle : failure);
            continue;
        }
        if (HoldsOldData(download) && download.times.newest &&
            !(times.newest && *times.newest > *download.times.newest)) {
            continue;  // NOAA's is as new
        }
        std::string noaaReason = NoaaReason(download);
        download.body = std::move(body);
        download.times = times;
        download.info = second_.info;
        download.responseTime = ResponseTime(second_.info.date, second_.info.age);
        download.arrivedAt = second_.arrivedAt;
        download.url = *frm_.settings_.secondSource;
        download.source = SecondSourceHost();
        download.stage = DownloadStage::Arrived;
        download.origin = Origin::SecondSource;
        download.facts = ReportFacts{.cycle = download.cycle,
                                     .bodyBytes = download.body.size(),
                                     .bodyNewest = times.newest,
                                     .listingRead = choice_.listed,
                                     .standsIn = download.facts.standsIn,
                                     .source = download.source,
                                     .noaaFailure = std::move(noaaReason)};
    }
}

void Update::SecondSourceFailedFor(Download& download, const std::string& failure) {
    const std::string secondFailure = SecondSourceHost() + ": " + failure;
    if (HoldsOldData(download)) {
        // NOAA's old reports are still the newest there are.
        reasons_.push_back({ReasonRank::Note, secondFailure});
        return;
    }
    Decide(download, Verdict{VerdictKind::Failed, NoaaReason(download) + "; " + secondFailure});
}

std::string Update::NoaaReason(const Download& download) const {
    if (HoldsOldData(download)) {
        return *download.noaaFailure;
    }
    return download.stage == DownloadStage::Decided
               ? download.verdict.reason
               : ReasonFor(JudgeReport(download.facts), download.facts,
                           frm_.TransferFailureText(std::string()), frm_.ReferenceNow())
                     ->text;
}

std::string Update::SecondSourceHost() const {
    const std::string& url = *frm_.settings_.secondSource;
    const std::size_t start = url.find("://") + 3;
    const std::size_t end = url.find_first_of(":/", start);
    return url.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

void Update::Decide(Download& download, Verdict verdict) {
    download.stage = DownloadStage::Decided;
    download.verdict = std::move(verdict);
}

HourFacts Update::HourFactsNow() const {
    HourFacts facts{.clocksHour = choice_.clocksHour,
                    .clocksHourStage = downloads_[0].stage,
                    .clocksHourFile = downloads_[0].facts,
                    .hourBeforeStage = downloads_[1].stage};
    if (downloads_[1].stage != DownloadStage::Requested) {
        facts.clocksHourFile.hourBeforeNewest = downloads_[1].facts.bodyNewest;
    }
    return facts;
}

bool Update::TurnTheHour() {
    Download& current = downloads_[0];
    Download& previous = downloads_[1];
    const HourFacts facts = HourFactsNow();
    // A nested update that decided the reports turned the hour, or not, for this one too.
    const bool decidedByClick = current.origin == Origin::Click || previous.origin == Origin::Click;
    const HourDecision decision = DecideTheHour(facts);
    if (decidedByClick || decision.call != HourCall::Turns) {
        return false;
    }
    reasons_.push_back(*ReasonFor(decision.why, facts.clocksHourFile, "", frm_.ReferenceNow()));
    const std::string clocksCycle = current.cycle;
    const std::string hourBefore = previous.cycle;
    choice_ = {hourBefore, clocksCycle, choice_.listed, false};
    if (previous.facts.notModified) {
        // Unchanged as the previous report, whose body was not sent again: the current report
        // asks for it on its own account.
        RequestReport(ReportFile::Current, hourBefore);
    } else {
        current = std::move(previous);
        current.fileName = kCurrentReportName;
        current.file = ReportFile::Current;
        current.passedOver = clocksCycle;
    }
    current.facts.standsIn = true;

    const std::string before = PreviousCycle(hourBefore);
    frm_.SetStatus(kGreen, "Getting Previous METAR (" + before + ")");
    RequestReport(ReportFile::Previous, before);
    downloads_[1].facts.standsIn = true;
    return true;
}

void Update::Store(Download& download) {
    if (download.stage != DownloadStage::Arrived) {
        return;
    }
    // The folder is read at each write, so an edit during a download takes effect at once.
    if (!frm_.MetarFolder()) {
        Decide(download, Verdict{VerdictKind::Failed, frm_.NoFolderText()});
        frm_.ShowFailure(download.verdict.reason);
        return;
    }
    const Verdict beforeDisk = JudgeReport(download.facts);
    if (beforeDisk.kind != VerdictKind::Written) {
        Decide(download, beforeDisk);
        if (beforeDisk.kind == VerdictKind::NotModified) {
            frm_.record_.updatedAt = frm_.ReferenceNow();
        }
        return;
    }
    const std::string path = PathOf(download);
    download.stage = DownloadStage::Writing;
    // An update nested in a retry's pause may decide the file meanwhile: its verdict stands, and
    // these bytes, fetched earlier, are never judged against its write.
    const Verdict verdict =
        frm_.StringToFile(std::move(download.body), path, [&]() -> std::optional<Verdict> {
            if (download.origin == Origin::Click) {
                return Verdict{VerdictKind::Superseded};
            }
            return JudgeAgainstDisk(download, path);
        });
    if (download.origin == Origin::Click) {
        return;
    }
    if (verdict.kind == VerdictKind::Written) {
        RecordWritten(download, path);
    } else if (verdict.kind == VerdictKind::Failed && !frm_.Closing()) {
        frm_.ShowFailure(verdict.reason);
    }
    Decide(download, verdict);
}

std::optional<Verdict> Update::JudgeAgainstDisk(Download& download, const std::string& path) {
    ReportFacts facts = download.facts;
    facts.diskNewest.reset();
    std::optional<std::chrono::system_clock::time_point> writerTime;
    if (const auto stamp = frm_.services_.reportFiles.Stamp(path)) {
        // The file as this run wrote it: what it holds is known, unless a time was set aside.
        const auto& written = frm_.record_.written[IndexOf(download.file)];
        const bool asWritten = written && written->path == path && written->stamp == stamp;
        // A time the reference has since gone back from was a wrong clock's: it measures nothing.
        if (asWritten && written->arrivedAt <= frm_.ReferenceNow()) {
            writerTime = written->arrivedAt;
        }
        if (asWritten && written->times.ignored == 0) {
            facts.diskNewest = written->times.newest;
        } else if (stamp->size <= kReportReadLimit) {
            const auto bytes = frm_.services_.reportFiles.Read(path, kReportReadLimit);
            if (!bytes) {
                return std::nullopt;
            }
            facts.diskNewest = ReadReportTimes(*bytes, BeliefLimit()).newest;
        }
    }
    facts.stale = IsStaleResponse(download.responseTime, writerTime, facts.diskNewest);
    download.facts = facts;
    return JudgeReport(facts);
}

void Update::RecordWritten(const Download& download, const std::string& path) {
    frm_.record_.written[IndexOf(download.file)] =
        WrittenReport{.url = download.url,
                      .lastModified = download.info.lastModified,
                      .etag = download.info.etag,
                      .compressed = download.info.compressed,
                      .path = path,
                      .stamp = frm_.services_.reportFiles.Stamp(path),
                      .cycle = download.cycle,
                      .times = download.times,
                      .passedOver = download.passedOver,
                      .source = download.source,
                      .noaaFailure = download.source.empty() ? "" : *download.noaaFailure,
                      .arrivedAt = download.arrivedAt};
    frm_.record_.updatedAt = frm_.ReferenceNow();
}

std::chrono::system_clock::time_point Update::BeliefLimit() const {
    return ClampedShift(frm_.ReferenceNow(), kFutureReportSlack);
}

std::string Update::PathOf(const Download& download) const {
    return JoinPath(frm_.MetarFolder().value_or(frm_.controls_.Text1.Text()), download.fileName);
}

Update::Download& Update::DownloadOf(ReportFile file) {
    return downloads_[IndexOf(file)];
}

void Update::Fail(const std::string& text) {
    frm_.ShowFailure(text);
    reasons_.push_back({ReasonRank::Failure, text});
}

void Update::Finish() {
    finished_ = true;
    const auto reference = frm_.ReferenceNow();
    std::vector<Reason> reasons = reasons_;
    bool wroteBoth = true;
    for (const Download& download : downloads_) {
        const bool decided = download.stage == DownloadStage::Decided;
        wroteBoth = wroteBoth && decided && download.verdict.kind == VerdictKind::Written;
        if (decided) {
            const std::string suffix = frm_.TransferFailureText(std::string());
            if (auto reason = ReasonFor(download.verdict, download.facts, suffix, reference)) {
                reasons.push_back(std::move(*reason));
            }
        }
    }
    const Download& current = downloads_[0];
    const auto& written = frm_.record_.written[0];
    if (written && current.stage == DownloadStage::Decided &&
        (current.verdict.kind == VerdictKind::Written ||
         current.verdict.kind == VerdictKind::NotModified)) {
        // Written all the same, since it is the newest there is; the line says how old.
        if (std::string old = OldDataText(*written, reference); !old.empty()) {
            reasons.push_back({ReasonRank::OldData, std::move(old)});
        }
    }
    UpdateResult result = Summarize(std::move(reasons));
    result.wroteBoth = wroteBoth;
    frm_.EndUpdate(std::move(result));
}

}  // namespace nimbrel
