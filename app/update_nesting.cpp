// A click during an update: the update nested in the wait decides the cycle, the turn of the hour
// and both reports, for itself and for the update it is nested in.
#include <algorithm>

#include "app/update.h"

namespace nimbrel {

void Update::TakenOver(Transfer transfer) {
    switch (transfer) {
        case Transfer::Cycle:
            cycleTakenOver_ = !cycleEnded_;
            return;
        case Transfer::Current:
        case Transfer::Previous:
            return;  // the nested update decides the reports when it ends
        case Transfer::SecondSource:
            second_.takenOver = second_.asked;
            return;
    }
}

void Update::NestedEnded(const Update& nested) {
    const bool decidedReports =
        std::all_of(nested.downloads_.begin(), nested.downloads_.end(),
                    [](const Download& theirs) { return theirs.stage == DownloadStage::Decided; });
    if ((cycleTakenOver_ && !cycleEnded_) || decidedReports) {
        // The nested update found the cycle, and turned the hour, for both.
        cycleEnded_ = true;
        choice_ = nested.choice_;
        reasons_ = nested.reasons_;
    }
    if (decidedReports) {
        for (Download& download : downloads_) {
            Supersede(download, nested.downloads_[IndexOf(download.file)]);
        }
    }
    const bool anyAwaitsSecondSource =
        std::any_of(downloads_.begin(), downloads_.end(),
                    [](const Download& download) { return download.noaaFailure.has_value(); });
    if (second_.asked && !second_.ended && (second_.takenOver || !anyAwaitsSecondSource)) {
        // Every report that asked for it has been decided by the nested update.
        Release(Transfer::SecondSource);
        second_.ended = true;
    }
}

void Update::Supersede(Download& download, const Download& theirs) {
    const bool ownWrite =
        download.stage == DownloadStage::Writing ||
        (download.stage == DownloadStage::Decided && download.verdict.kind == VerdictKind::Written);
    if (theirs.verdict.kind == VerdictKind::Failed && ownWrite) {
        return;  // written, or being written, by this update: it stays
    }
    Download adopted{download.fileName, download.file};
    adopted.cycle = theirs.cycle;
    adopted.stage = DownloadStage::Decided;
    adopted.origin = Origin::Click;
    adopted.facts = theirs.facts;
    adopted.verdict = theirs.verdict;
    download = std::move(adopted);
}

const Update::Download* Update::HeldWhole(const std::string& cycle) const {
    for (const Update* outer = outer_; outer; outer = outer->outer_) {
        for (const Download& held : outer->downloads_) {
            if (held.stage == DownloadStage::Arrived && held.origin == Origin::Noaa &&
                held.cycle == cycle && !held.facts.failure && !held.info.notModified) {
                return &held;
            }
        }
    }
    return nullptr;
}

}  // namespace nimbrel
