// The sentences that tell the user why a transfer or a report write failed.
#pragma once

#include <string>

#include "retrieval/http_control.h"
#include "retrieval/report_files.h"

namespace nimbrel {

inline constexpr const char* kNoMetarFolderText =
    "No METAR folder: type the simulator's METAR folder in the box";

std::string DescribeTransferFailure(const TransferFailure& failure);
// The reason, to follow "Could not write <path>: ".
std::string DescribeReportWriteFailure(const ReportWriteFailure& failure);

}  // namespace nimbrel
