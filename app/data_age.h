// How fresh the weather in the report files is: the summary the user reads, and the age at which
// NOAA's data counts as old.
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "app/written_report.h"

namespace nimbrel {

// Report times further than this ahead of the server's clock are mistakes, and are not believed.
inline constexpr std::chrono::hours kFutureReportSlack{2};

// "14:52 UTC", or "10:44 UTC on 6 Dec" when not of the day of `serverNow`.
std::string ReportTimeText(std::chrono::system_clock::time_point time,
                           std::chrono::system_clock::time_point serverNow);

// Newer reports than this behind the server's clock are normal; older ones mean NOAA is stuck.
inline constexpr std::chrono::hours kOldDataAge{3};

// "14Z not yet published; used 13Z and 12Z · CurrentMETAR.txt: 13Z, 2,341 reports, newest
// 13:52 UTC · PreviousMETAR.txt: 12Z, ... · updated 14:03 UTC", of the reports written so far;
// empty when none was.
std::string SummarizeReports(const std::optional<WrittenReport>& current,
                             const std::optional<WrittenReport>& previous,
                             std::chrono::system_clock::time_point updatedAt,
                             std::chrono::system_clock::time_point serverNow);

// "NOAA's newest report is 5 hours old (14Z)", or the second source's, when the current report's
// newest is more than kOldDataAge behind `serverNow`; empty when its data is fresh enough, or no
// time is believed.
std::string OldDataText(const WrittenReport& current,
                        std::chrono::system_clock::time_point serverNow);

}  // namespace nimbrel
