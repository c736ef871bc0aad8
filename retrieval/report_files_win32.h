// Report files on Windows: a temporary file in the same folder, then one atomic rename over the
// report.
#pragma once

#include "retrieval/report_files.h"

namespace nimbrel {

class Win32ReportFiles : public ReportFiles {
  public:
    std::optional<ReportWriteFailure> Replace(const std::string& path, std::string_view bytes,
                                              const SwapRetry& retry) override;
    std::optional<FileStamp> Stamp(const std::string& path) const override;
    std::optional<std::string> Read(const std::string& path,
                                    std::uint64_t limitBytes) const override;
};

}  // namespace nimbrel
