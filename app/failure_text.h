// The sentences that tell the user why a transfer or a report write failed.
#pragma once

#include <string>

#include "retrieval/http_control.h"
#include "retrieval/report_files.h"

namespace nimbrel {

inline constexpr const char* kNoMetarFolderText =
    "No METAR folder: type the simulator's METAR folder in the box";
// The same for a run without a window, which has no box.
inline constexpr const char* kNoFolderOptionText =
    "No METAR folder: name the simulator's METAR folder with --folder";

std::string DescribeTransferFailure(const TransferFailure& failure);
// The reason, to follow "Could not write <path>: ".
std::string DescribeReportWriteFailure(const ReportWriteFailure& failure);
// The whole sentence for a report at `path` that could not be replaced.
std::string ReportWriteFailureText(const std::string& path, const ReportWriteFailure& failure);

}  // namespace nimbrel
