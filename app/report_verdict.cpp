#include "app/report_verdict.h"

#include "retrieval/utc_fields.h"

namespace nimbrel {

Verdict JudgeReport(const ReportFacts& facts) {
    if (facts.failure) {
        // NOAA answers 404 for the clock's hour's file from its deletion until it begins it again;
        // only a listing could tell that from a fault.
        const bool begunAgain = facts.notFound && facts.clocksHourFile && !facts.listingRead;
        return {begunAgain ? VerdictKind::NotYetBegun : VerdictKind::Failed, *facts.failure};
    }
    if (facts.notModified) {
        return {VerdictKind::NotModified};
    }
    if (facts.stale) {
        return {VerdictKind::Stale};
    }
    if (facts.content != BodyContent::Reports) {
        const bool begunAgain = facts.content == BodyContent::Empty && facts.clocksHourFile;
        return {begunAgain ? VerdictKind::NotYetBegun : VerdictKind::NoReports};
    }
    // Without a listing to say so, yesterday's file of the hour, not yet deleted, is no alarm.
    if (facts.clocksHourFile && !facts.listingRead && facts.bodyNewest && facts.hourBeforeNewest &&
        *facts.bodyNewest < *facts.hourBeforeNewest) {
        return {VerdictKind::NotCurrent};
    }
    if (facts.bodyNewest && facts.diskNewest) {
        // The second source's slice holds only some stations: as new is not new enough.
        if (!facts.source.empty() && *facts.bodyNewest <= *facts.diskNewest) {
            return {VerdictKind::Older};
        }
        if (facts.standsIn && *facts.diskNewest >= *facts.bodyNewest) {
            return {VerdictKind::UpToDate};
        }
        if (*facts.bodyNewest < *facts.diskNewest) {
            return {VerdictKind::Older};
        }
    }
    return {VerdictKind::Written};
}

bool IsStaleResponse(std::optional<std::chrono::system_clock::time_point> responseTime,
                     std::optional<std::chrono::system_clock::time_point> writtenAt,
                     std::optional<std::chrono::system_clock::time_point> diskNewest) {
    if (!responseTime) {
        return false;
    }
    if (writtenAt && *responseTime < *writtenAt) {
        return true;
    }
    return diskNewest && *responseTime < ClampedShift(*diskNewest, -kStaleSlack);
}

BodyContent ContentOf(std::string_view body, std::size_t reports) {
    if (reports > 0) {
        return BodyContent::Reports;
    }
    if (body.empty()) {
        return BodyContent::Empty;
    }
    const std::size_t start = body.find_first_not_of(" \t\r\n");
    return start != std::string_view::npos && body[start] == '<' ? BodyContent::Page
                                                                 : BodyContent::Junk;
}

}  // namespace nimbrel
