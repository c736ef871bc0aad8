#include "app/hour_turn.h"

namespace nimbrel {

HourDecision DecideTheHour(const HourFacts& facts) {
    if (!facts.clocksHour || facts.clocksHourStage == DownloadStage::Writing ||
        facts.clocksHourStage == DownloadStage::Decided) {
        return {};
    }
    if (facts.clocksHourStage == DownloadStage::Requested) {
        return {HourCall::Open};
    }
    const Verdict verdict = JudgeReport(facts.clocksHourFile);
    if (verdict.kind == VerdictKind::NotYetBegun || verdict.kind == VerdictKind::NotCurrent) {
        return {HourCall::Turns, verdict};
    }
    // Without a listing, only the hour before's newest report tells an older day's file.
    if (!facts.clocksHourFile.listingRead && facts.hourBeforeStage == DownloadStage::Requested) {
        return {HourCall::Open};
    }
    return {};
}

}  // namespace nimbrel
