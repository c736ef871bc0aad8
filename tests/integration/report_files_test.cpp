// The Windows report writer on real files in a temporary folder: what a reader holding a report
// does to a write, the failures it reports, and the temporary files it makes and clears away.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "retrieval/report_files_win32.h"
#include "retrieval/temporary_report.h"
#include "util/win32_text.h"

namespace nimbrel {
namespace {

constexpr const char* kCurrent = "CurrentMETAR.txt";
constexpr const char* kPrevious = "PreviousMETAR.txt";

const SwapRetry kNoRetry = [](const ReportWriteFailure&) { return false; };

// Holds a file open as the simulator reads it: others may read it, but not delete or replace it.
class Reader {
  public:
    explicit Reader(const std::string& path)
        : file_(CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~Reader() { LetGo(); }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;

    bool Holds() const { return file_ != INVALID_HANDLE_VALUE; }
    void LetGo() {
        if (Holds()) {
            CloseHandle(file_);
            file_ = INVALID_HANDLE_VALUE;
        }
    }

  private:
    HANDLE file_;
};

class ReportFilesWin32 : public ::testing::Test {
  protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder_ = WideToUtf8(temp) + "nimbrel-report-files-" +
                  std::to_string(GetCurrentProcessId()) + "\\";
        ASSERT_TRUE(CreateDirectoryW(Utf8ToWide(folder_).c_str(), nullptr));
    }

    void TearDown() override {
        for (const std::string& name : Files()) {
            const std::wstring path = Utf8ToWide(Path(name));
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(path.c_str());
        }
        RemoveDirectoryW(Utf8ToWide(folder_).c_str());
    }

    std::string Path(const std::string& name) const { return folder_ + name; }

    void Put(const std::string& name, const std::string& bytes) {
        ASSERT_FALSE(files.Replace(Path(name), bytes, kNoRetry).has_value());
    }

    std::string Read(const std::string& name) const {
        std::string bytes;
        const HANDLE file = CreateFileW(Utf8ToWide(Path(name)).c_str(), GENERIC_READ,
                                        FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            return "(none)";
        }
        char chunk[4096];
        DWORD got = 0;
        while (ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) {
            bytes.append(chunk, got);
        }
        CloseHandle(file);
        return bytes;
    }

    // The folder's files, sorted.
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        WIN32_FIND_DATAW found{};
        const HANDLE search = FindFirstFileW(Utf8ToWide(folder_ + "*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) {
            return names;
        }
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                names.push_back(WideToUtf8(found.cFileName));
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
        std::sort(names.begin(), names.end());
        return names;
    }

    // The temporary files of writes of this process now in the folder.
    std::vector<std::string> OwnTemporaryFiles() const {
        const std::string mark = ".nimbrel-" + std::to_string(GetCurrentProcessId()) + "-";
        std::vector<std::string> names;
        for (const std::string& name : Files()) {
            if (name.find(mark) != std::string::npos && name.ends_with(".tmp")) {
                names.push_back(name);
            }
        }
        return names;
    }

    void MakeOld(const std::string& name, int minutesAgo) {
        const HANDLE file = CreateFileW(Utf8ToWide(Path(name)).c_str(), FILE_WRITE_ATTRIBUTES, 0,
                                        nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        FILETIME now{};
        GetSystemTimeAsFileTime(&now);
        ULARGE_INTEGER ticks{{now.dwLowDateTime, now.dwHighDateTime}};
        ticks.QuadPart -= static_cast<ULONGLONG>(minutesAgo) * 60 * 10'000'000;
        const FILETIME then{ticks.LowPart, ticks.HighPart};
        EXPECT_TRUE(SetFileTime(file, nullptr, nullptr, &then));
        CloseHandle(file);
    }

    Win32ReportFiles files;
    std::string folder_;
};

TEST_F(ReportFilesWin32, ReplacesTheReportByExactlyTheBytesAndLeavesNothingElse) {
    std::string everyByte;
    for (int c = 0; c < 256; ++c) {
        everyByte += static_cast<char>(c);
    }
    Put(kCurrent, "old");
    Put(kCurrent, everyByte + "\n\r\n");
    EXPECT_EQ(Read(kCurrent), everyByte + "\n\r\n");
    EXPECT_EQ(Files(), std::vector<std::string>{kCurrent});
}

TEST_F(ReportFilesWin32, ReadsAReportBackWithinItsLimit) {
    const std::string report = "2026/12/07 14:00\r\nKJFK 071351Z\n";
    Put(kCurrent, report);
    EXPECT_EQ(files.Read(Path(kCurrent), report.size()), report);
    EXPECT_EQ(files.Read(Path(kCurrent), report.size() - 1), std::nullopt);
    EXPECT_EQ(files.Read(Path("NoSuchReport.txt"), 1000), std::nullopt);
}

struct FailureCase {
    const char* name;
    ReportWriteFailureKind kind;
};

class ReportFailure : public ReportFilesWin32, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ReportFailure, KeepsTheOldReportAndLeavesNoOtherFile) {
    Put(kCurrent, "old");
    std::string path = Path(kCurrent);
    Reader reader(path);
    switch (GetParam().kind) {
        case ReportWriteFailureKind::Locked:
            ASSERT_TRUE(reader.Holds());
            break;
        case ReportWriteFailureKind::ReadOnly:
            reader.LetGo();
            ASSERT_TRUE(SetFileAttributesW(Utf8ToWide(path).c_str(), FILE_ATTRIBUTE_READONLY));
            break;
        default:
            reader.LetGo();
            path = Path("Missing\\" + std::string(kCurrent));
            break;
    }
    std::vector<ReportWriteFailureKind> retriesAsked;
    const auto failure = files.Replace(path, "new", [&](const ReportWriteFailure& reason) {
        retriesAsked.push_back(reason.kind);
        return false;
    });
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->kind, GetParam().kind) << failure->systemText;
    EXPECT_EQ(Read(kCurrent), "old");
    EXPECT_EQ(Files(), std::vector<std::string>{kCurrent});
    // A write that cannot even begin has no swap to retry.
    const bool swapTried = GetParam().kind != ReportWriteFailureKind::NoFolder;
    EXPECT_EQ(retriesAsked,
              swapTried ? std::vector{GetParam().kind} : std::vector<ReportWriteFailureKind>{});
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ReportFailure,
    ::testing::Values(FailureCase{"held", ReportWriteFailureKind::Locked},
                      FailureCase{"readonly", ReportWriteFailureKind::ReadOnly},
                      FailureCase{"nofolder", ReportWriteFailureKind::NoFolder}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ReportFilesWin32, HeldReportsLandOnceFreeAndANestedWriteHasATemporaryFileOfItsOwn) {
    Put(kCurrent, "old current");
    Put(kPrevious, "old previous");
    Reader currentReader(Path(kCurrent));
    Reader previousReader(Path(kPrevious));
    std::vector<std::string> whileNested;
    const auto outer = files.Replace(Path(kCurrent), "new current", [&](const ReportWriteFailure&) {
        EXPECT_EQ(OwnTemporaryFiles().size(), 1u);
        const auto nested =
            files.Replace(Path(kPrevious), "new previous", [&](const ReportWriteFailure&) {
                whileNested = OwnTemporaryFiles();
                previousReader.LetGo();
                return true;
            });
        EXPECT_FALSE(nested.has_value());
        currentReader.LetGo();
        return true;
    });
    EXPECT_FALSE(outer.has_value());
    ASSERT_EQ(whileNested.size(), 2u) << "one for each write, told apart by the counter";
    EXPECT_TRUE(whileNested[0].starts_with(kCurrent)) << whileNested[0];
    EXPECT_TRUE(whileNested[1].starts_with(kPrevious)) << whileNested[1];
    EXPECT_EQ(Read(kCurrent), "new current");
    EXPECT_EQ(Read(kPrevious), "new previous");
    EXPECT_EQ(Files(), (std::vector<std::string>{kCurrent, kPrevious}));
}

TEST_F(ReportFilesWin32, AWriteRemovesTheTemporaryFilesThatCrashesLeftAndNothingElse) {
    const std::string crashed = TemporaryReportPath(kPrevious, 77, 1);
    const std::string underWay = TemporaryReportPath(kCurrent, 78, 1);
    const std::string foreign = "rf25a9.tmp";
    for (const std::string& name : {crashed, underWay, foreign}) {
        Put(name, "x");
    }
    MakeOld(crashed, 11);
    MakeOld(underWay, 1);
    MakeOld(foreign, 60);
    Put(kCurrent, "new");
    std::vector<std::string> expected{kCurrent, underWay, foreign};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Files(), expected);
}

}  // namespace
}  // namespace nimbrel
