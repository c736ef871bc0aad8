// Where the report files go: replaced whole, never left half written.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace nimbrel {

// Why a report file could not be replaced.
enum class ReportWriteFailureKind {
    Locked,        // another program has the file open
    NoPermission,  // Windows does not let this user replace the file or write in its folder
    ReadOnly,      // the file is marked read-only
    NoFolder,      // the folder does not exist
    DiskFull,
    Other,
};

struct ReportWriteFailure {
    ReportWriteFailureKind kind = ReportWriteFailureKind::Other;
    std::string systemText{};  // the platform's own words
};

// Enough of a file's state to tell whether anything wrote it since it was last looked at.
struct FileStamp {
    std::uint64_t size = 0;
    std::chrono::system_clock::time_point lastWrite{};

    bool operator==(const FileStamp&) const = default;
};

// Asked with the reason after each failed swap of the new report for the old one: true to try the
// swap again. It may wait before it answers.
using SwapRetry = std::function<bool(const ReportWriteFailure& failure)>;

class ReportFiles {
  public:
    virtual ~ReportFiles() = default;

    // Replaces the file at `path` by exactly `bytes`, which must stay as they are until it
    // returns, retries included. A reader sees the old file or the new one, never a mixture. On
    // failure the old file is left as it was, no file of the write remains, and the reason is
    // returned.
    virtual std::optional<ReportWriteFailure> Replace(const std::string& path,
                                                      std::string_view bytes,
                                                      const SwapRetry& retry) = 0;
    // The file's size and last-write time; nullopt when there is no such file.
    virtual std::optional<FileStamp> Stamp(const std::string& path) const = 0;
    // The file's bytes, at most `limitBytes` of them; nullopt when it cannot be read.
    virtual std::optional<std::string> Read(const std::string& path,
                                            std::uint64_t limitBytes) const = 0;
};

}  // namespace nimbrel
