// Which hour's file each report holds. NOAA deletes the file of the clock's hour before its cycle
// and begins it again, so until it has reports the hour before is the current report, standing
// in, and the hour before that the previous one.
#pragma once

#include <optional>

#include "app/report_verdict.h"

namespace nimbrel {

// How far a report's download has come.
enum class DownloadStage { Requested, Arrived, Writing, Decided };

// Everything known that decides the turn of the hour.
struct HourFacts {
    // The cycle chosen is the clock's hour: no listing said its file had not begun.
    bool clocksHour = false;
    DownloadStage clocksHourStage = DownloadStage::Requested;
    // The clock's hour's file as its transfer ended (a 404, an empty body, an older day's reports),
    // the listing's advice and the hour before's newest report among them.
    ReportFacts clocksHourFile{};
    DownloadStage hourBeforeStage = DownloadStage::Requested;
};

enum class HourCall {
    Stays,  // the clock's hour's file is the current report
    Open,   // what is still to come may turn the hour: nothing is written yet
    Turns,  // the hour before stands in
};

struct HourDecision {
    HourCall call = HourCall::Stays;
    Verdict why{};  // for Turns: why the clock's hour's file gives way
};

HourDecision DecideTheHour(const HourFacts& facts);

}  // namespace nimbrel
