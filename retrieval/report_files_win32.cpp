#include "retrieval/report_files_win32.h"

#include <windows.h>

#include <algorithm>

#include "util/file_time.h"
#include "util/win32_text.h"

namespace nimbrel {

namespace {

ReportWriteFailure LastError() {
    const DWORD code = GetLastError();
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
        default:
            break;
    }
    return failure;
}

// Writes all of `bytes` to a new file and makes sure they reached the disk.
std::optional<ReportWriteFailure> WriteNewFile(const std::wstring& path, std::string_view bytes) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return LastError();
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

}  // namespace

std::optional<ReportWriteFailure> Win32ReportFiles::Replace(const std::string& path,
                                                            std::string_view bytes) {
    const std::wstring target = Utf8ToWide(path);
    const DWORD attributes = GetFileAttributesW(target.c_str());
    const bool exists = attributes != INVALID_FILE_ATTRIBUTES;
    // Renaming over a read-only file succeeds on some systems; the simulator's file must not
    // change when the user protected it.
    if (exists && (attributes & FILE_ATTRIBUTE_READONLY)) {
        return ReportWriteFailure{ReportWriteFailureKind::ReadOnly, ""};
    }
    if (exists && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return ReportWriteFailure{ReportWriteFailureKind::Other, "a folder has that name"};
    }
    const std::wstring temporary = target + L".nimbrel-" + std::to_wstring(GetCurrentProcessId());
    if (auto failure = WriteNewFile(temporary, bytes)) {
        DeleteFileW(temporary.c_str());
        return failure;
    }
    bool replaced = exists && ReplaceFileW(target.c_str(), temporary.c_str(), nullptr,
                                           REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr);
    if (!replaced) {
        replaced = MoveFileExW(temporary.c_str(), target.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    }
    if (!replaced) {
        const ReportWriteFailure failure = LastError();
        DeleteFileW(temporary.c_str());
        return failure;
    }
    return std::nullopt;
}

std::optional<FileStamp> Win32ReportFiles::Stamp(const std::string& path) const {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(Utf8ToWide(path).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        return std::nullopt;
    }
    const auto join = [](DWORD high, DWORD low) {
        return (static_cast<std::uint64_t>(high) << 32) | low;
    };
    return FileStamp{join(data.nFileSizeHigh, data.nFileSizeLow),
                     FileTimeToTimePoint(join(data.ftLastWriteTime.dwHighDateTime,
                                              data.ftLastWriteTime.dwLowDateTime))};
}

}  // namespace nimbrel
