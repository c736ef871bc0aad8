// Where the report files go: replaced whole, never left half written.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace nimbrel {

class ReportFiles {
  public:
    virtual ~ReportFiles() = default;

    // Replaces the file at `path` by exactly `bytes`. A reader sees the old file or the new one,
    // never a mixture; on failure the old file is left as it was and the reason is returned.
    virtual std::optional<std::string> Replace(const std::string& path, std::string_view bytes) = 0;
};

}  // namespace nimbrel
