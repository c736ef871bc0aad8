#include "app/update_result.h"

#include <algorithm>

#include "app/data_age.h"

namespace nimbrel {

namespace {

// "an HTML page of 312 bytes"
std::string DescribeBody(const ReportFacts& facts) {
    if (facts.content == BodyContent::Empty) {
        return "an empty file";
    }
    const std::string size =
        std::to_string(facts.bodyBytes) + (facts.bodyBytes == 1 ? " byte" : " bytes");
    return facts.content == BodyContent::Page ? "an HTML page of " + size
                                              : size + " without a dated report";
}

// "NOAA sent an older 14Z (newest 14:41 UTC) than the report in the folder (14:44 UTC); kept"
std::string OlderText(const ReportFacts& facts, std::chrono::system_clock::time_point reference) {
    const bool older = *facts.bodyNewest < *facts.diskNewest;
    return (facts.source.empty() ? "NOAA" : facts.source) + " sent " +
           (older ? "an older " : "no newer ") + facts.cycle + " (newest " +
           ReportTimeText(*facts.bodyNewest, reference) + ") than the report in the folder (" +
           ReportTimeText(*facts.diskNewest, reference) + "); kept";
}

// The reason a verdict gives of its own body, whichever source sent it.
std::optional<Reason> BodyReasonFor(const Verdict& verdict, const ReportFacts& facts,
                                    const std::string& serverSuffix,
                                    std::chrono::system_clock::time_point reference) {
    switch (verdict.kind) {
        case VerdictKind::Written:
        case VerdictKind::NotModified:
        case VerdictKind::UpToDate:
        case VerdictKind::Superseded:
            return std::nullopt;
        case VerdictKind::NotYetBegun:
            return Reason{ReasonRank::Note, facts.cycle + " not yet begun"};
        case VerdictKind::NotCurrent:
            return Reason{ReasonRank::Note, facts.cycle + " still holds an older day's reports"};
        case VerdictKind::NoReports:
            return Reason{ReasonRank::Failure, "The server sent no reports for " + facts.cycle +
                                                   " (" + DescribeBody(facts) + ")" + serverSuffix};
        case VerdictKind::Older:
            return Reason{ReasonRank::Failure, OlderText(facts, reference)};
        case VerdictKind::Stale:
            return Reason{ReasonRank::Failure,
                          (facts.source.empty() ? "The server's " : facts.source + "'s ") +
                              facts.cycle +
                              " is older than the report in the folder (a cache's copy?); kept" +
                              (facts.source.empty() ? serverSuffix : "")};
        case VerdictKind::Failed:
            return Reason{ReasonRank::Failure, verdict.reason};
    }
    return std::nullopt;
}

}  // namespace

std::optional<Reason> ReasonFor(const Verdict& verdict, const ReportFacts& facts,
                                const std::string& serverSuffix,
                                std::chrono::system_clock::time_point reference) {
    auto reason = BodyReasonFor(verdict, facts, serverSuffix, reference);
    if (reason && reason->rank == ReasonRank::Failure && facts.noaaFailure) {
        // The second source was asked because NOAA failed: both failures stay told.
        reason->text = *facts.noaaFailure + "; " + reason->text;
    }
    return reason;
}

int UpdateResult::ExitCode() const {
    switch (outcome) {
        case UpdateOutcome::Written:
            return kOnceWritten;
        case UpdateOutcome::OldData:
            return kOnceOldData;
        case UpdateOutcome::None:
        case UpdateOutcome::Failed:
            break;
    }
    return kOnceFailed;
}

const std::string* UpdateResult::Alarm() const {
    return outcome == UpdateOutcome::Written || reasons.empty() ? nullptr : &reasons.front().text;
}

std::string UpdateResult::ReasonLines() const {
    std::string lines;
    for (const Reason& reason : reasons) {
        lines += (lines.empty() ? "" : "\n") + reason.text;
    }
    return lines;
}

std::string UpdateResult::Notes() const {
    std::string notes;
    for (const Reason& reason : reasons) {
        if (reason.rank == ReasonRank::Note) {
            notes += (notes.empty() ? "" : "; ") + reason.text;
        }
    }
    return notes;
}

UpdateResult Summarize(std::vector<Reason> reasons) {
    std::vector<Reason> unique;
    for (Reason& reason : reasons) {
        if (std::find(unique.begin(), unique.end(), reason) == unique.end()) {
            unique.push_back(std::move(reason));
        }
    }
    std::stable_sort(unique.begin(), unique.end(),
                     [](const Reason& a, const Reason& b) { return a.rank > b.rank; });
    UpdateResult result{UpdateOutcome::Written, std::move(unique)};
    if (!result.reasons.empty()) {
        switch (result.reasons.front().rank) {
            case ReasonRank::Failure:
                result.outcome = UpdateOutcome::Failed;
                break;
            case ReasonRank::OldData:
                result.outcome = UpdateOutcome::OldData;
                break;
            case ReasonRank::Note:
                break;
        }
    }
    return result;
}

}  // namespace nimbrel
