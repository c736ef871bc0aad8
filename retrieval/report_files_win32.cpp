#include "retrieval/report_files_win32.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdint>

#include "retrieval/denied_swap.h"
#include "retrieval/temporary_report.h"
#include "util/file_time.h"
#include "util/win32_text.h"
#include "util/windows_functions_win32.h"

namespace nimbrel {

namespace {

ReportWriteFailure FailureOf(DWORD code) {
    ReportWriteFailure failure{ReportWriteFailureKind::Other, SystemErrorText(code)};
    switch (code) {
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            failure.kind = ReportWriteFailureKind::Locked;
            break;
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
            failure.kind = ReportWriteFailureKind::NoFolder;
            break;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            failure.kind = ReportWriteFailureKind::DiskFull;
            break;
        // Creating a file in the folder, or renaming one into it, is refused so for want of
        // permission; a swap over a report is told apart below.
        case ERROR_ACCESS_DENIED:
            failure.kind = ReportWriteFailureKind::NoPermission;
            break;
        default:
            break;
    }
    return failure;
}

ReportWriteFailure LastError() {
    return FailureOf(GetLastError());
}

// A refusal because the file is being deleted: it is gone once its last handle closes.
bool LastFailureWasDeletePending() {
    constexpr LONG kStatusDeletePending = static_cast<LONG>(0xC0000056);
    const auto lastNtStatus = NewerWindowsFunctions().RtlGetLastNtStatus;
    return lastNtStatus && lastNtStatus() == kStatusDeletePending;
}

DeleteAccessProbe ProbeDeleteAccess(const std::wstring& path) {
    const HANDLE file =
        CreateFileW(path.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return DeleteAccessProbe::Opened;
    }
    switch (GetLastError()) {
        case ERROR_SHARING_VIOLATION:
            return DeleteAccessProbe::SharingViolation;
        case ERROR_ACCESS_DENIED:
            return LastFailureWasDeletePending() ? DeleteAccessProbe::DeletePending
                                                 : DeleteAccessProbe::AccessDenied;
        default:
            return DeleteAccessProbe::OtherFailure;
    }
}

std::uint64_t Join(DWORD high, DWORD low) {
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

std::chrono::system_clock::time_point TimePoint(const FILETIME& time) {
    return FileTimeToTimePoint(Join(time.dwHighDateTime, time.dwLowDateTime));
}

// Deletes the temporary files that crashed writes left in the folder of `report`.
void RemoveLeftovers(const std::wstring& report) {
    const std::wstring folder = report.substr(0, report.find_last_of(L"\\/") + 1);
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((folder + L"*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    do {
        const auto age = TimePoint(now) - TimePoint(found.ftLastWriteTime);
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            IsLeftoverTemporaryReport(WideToUtf8(found.cFileName), age)) {
            DeleteFileW((folder + found.cFileName).c_str());
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

// The new report, written beside the old one under a name of its own; deleted again unless it
// took the old one's place.
class TemporaryReport {
  public:
    explicit TemporaryReport(const std::string& reportPath) : reportPath_(reportPath) {}
    ~TemporaryReport() {
        if (!path_.empty()) {
            DeleteFileW(path_.c_str());
        }
    }
    TemporaryReport(const TemporaryReport&) = delete;
    TemporaryReport& operator=(const TemporaryReport&) = delete;

    // Writes all of `bytes` and makes sure they reached the disk.
    std::optional<ReportWriteFailure> Write(std::string_view bytes);
    // Puts the file in the report's place in one step.
    std::optional<ReportWriteFailure> Swap();

  private:
    HANDLE Create();

    std::string reportPath_;
    std::wstring path_;
};

HANDLE TemporaryReport::Create() {
    // The counter keeps nested and successive writes of this process apart, the process ID
    // other processes' writes.
    static std::atomic<std::uint64_t> writes{0};
    for (;;) {
        path_ = Utf8ToWide(TemporaryReportPath(reportPath_, GetCurrentProcessId(), ++writes));
        const HANDLE file = CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        // Only a leftover of an earlier process with the same ID can hold the name.
        if (file != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS) {
            return file;
        }
    }
}

std::optional<ReportWriteFailure> TemporaryReport::Write(std::string_view bytes) {
    const HANDLE file = Create();
    if (file == INVALID_HANDLE_VALUE) {
        const ReportWriteFailure failure = LastError();
        path_.clear();
        return failure;
    }
    std::optional<ReportWriteFailure> failure;
    while (!bytes.empty() && !failure) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), chunk, &written, nullptr) || written == 0) {
            failure = LastError();
        }
        bytes.remove_prefix(written);
    }
    if (!failure && !FlushFileBuffers(file)) {
        failure = LastError();
    }
    if (!CloseHandle(file) && !failure) {
        failure = LastError();
    }
    return failure;
}

std::optional<ReportWriteFailure> TemporaryReport::Swap() {
    const std::wstring report = Utf8ToWide(reportPath_);
    const DWORD attributes = GetFileAttributesW(report.c_str());
    const bool known = attributes != INVALID_FILE_ATTRIBUTES;
    const bool exists = known || ReportExistsDespite(GetLastError());
    // Renaming over a read-only file succeeds on some systems; the simulator's file must not
    // change when the user protected it.
    if (known && (attributes & FILE_ATTRIBUTE_READONLY)) {
        return ReportWriteFailure{ReportWriteFailureKind::ReadOnly, ""};
    }
    if (known && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return ReportWriteFailure{ReportWriteFailureKind::Other, "a folder has that name"};
    }
    if (MoveFileExW(path_.c_str(), report.c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        path_.clear();
        return std::nullopt;
    }
    const DWORD code = GetLastError();
    ReportWriteFailure failure = FailureOf(code);
    // Windows answers so both when a reader holds the report open and when the user may not
    // replace it.
    if (code == ERROR_ACCESS_DENIED && exists) {
        failure.kind = KindOfDeniedSwap(ProbeDeleteAccess(report));
    }
    return failure;
}

}  // namespace

std::optional<ReportWriteFailure> Win32ReportFiles::Replace(const std::string& path,
                                                            std::string_view bytes,
                                                            const SwapRetry& retry) {
    RemoveLeftovers(Utf8ToWide(path));
    TemporaryReport report(path);
    if (auto failure = report.Write(bytes)) {
        return failure;
    }
    for (;;) {
        auto failure = report.Swap();
        if (!failure || !retry(*failure)) {
            return failure;
        }
    }
}

std::optional<FileStamp> Win32ReportFiles::Stamp(const std::string& path) const {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(Utf8ToWide(path).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return std::nullopt;
    }
    return FileStamp{Join(data.nFileSizeHigh, data.nFileSizeLow), TimePoint(data.ftLastWriteTime)};
}

std::optional<std::string> Win32ReportFiles::Read(const std::string& path,
                                                  std::uint64_t limitBytes) const {
    // Shared for writing and deletion too: the simulator or a swap may have it open.
    const HANDLE file = CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    std::optional<std::string> bytes{std::string{}};
    // Held in one piece of the file's size instead of grown: a report is megabytes.
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file, &size) && static_cast<std::uint64_t>(size.QuadPart) <= limitBytes) {
        bytes->reserve(static_cast<std::size_t>(size.QuadPart));
    }
    char chunk[1 << 16];
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, chunk, sizeof chunk, &read, nullptr) ||
            bytes->size() + read > limitBytes) {
            bytes.reset();
            break;
        }
        if (read == 0) {
            break;
        }
        bytes->append(chunk, read);
    }
    CloseHandle(file);
    return bytes;
}

}  // namespace nimbrel
