#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#include "util/absolute_folder.h"

namespace nimbrel {
namespace {

using namespace std::string_view_literals;

struct FolderCase {
    std::string_view path;
    bool absolute;
};

class AbsoluteFolder : public ::testing::TestWithParam<FolderCase> {};

TEST_P(AbsoluteFolder, OnlyADriveWithItsRootOrAUncShareNamesOnePlace) {
    EXPECT_EQ(IsAbsoluteFolder(GetParam().path), GetParam().absolute) << GetParam().path;
}

INSTANTIATE_TEST_SUITE_P(
    Table, AbsoluteFolder,
    ::testing::Values(
        FolderCase{"C:\\Fly!\\METAR\\", true}, FolderCase{"d:\\", true},
        FolderCase{"\\\\server\\share\\METAR\\", true}, FolderCase{"\\\\server\\share", true},
        FolderCase{"", false}, FolderCase{"   ", false}, FolderCase{"C:METAR", false},
        FolderCase{"C:", false}, FolderCase{"\\METAR\\", false}, FolderCase{"METAR", false},
        FolderCase{"1:\\x", false}, FolderCase{" C:\\x", false}, FolderCase{"\\\\server", false},
        FolderCase{"\\\\server\\", false}, FolderCase{"\\\\\\share\\x", false},
        FolderCase{"\\\\?\\C:\\x", false}, FolderCase{"\\\\.\\C:\\x", false},
        FolderCase{"\\\\./C:\\x", false}, FolderCase{"\\\\?/C:\\x", false},
        FolderCase{"\\\\server\\/x", false}, FolderCase{"\\\\/server\\x", false},
        FolderCase{"\\\\server/share\\x", true}, FolderCase{"C:\\Fly!\0\\METAR\\"sv, false}));

struct WholeFolderCase {
    std::string_view text;
    std::optional<std::string> folder;
};

class FolderAsUsed : public ::testing::TestWithParam<WholeFolderCase> {};

TEST_P(FolderAsUsed, HasBackslashesOnlyAndOneAtTheEnd) {
    EXPECT_EQ(WholeFolder(GetParam().text), GetParam().folder) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Table, FolderAsUsed,
    ::testing::Values(WholeFolderCase{"C:\\Fly!\\METAR\\", "C:\\Fly!\\METAR\\"},
                      WholeFolderCase{"C:\\Fly!\\METAR", "C:\\Fly!\\METAR\\"},
                      WholeFolderCase{"C:/Fly!/METAR", "C:\\Fly!\\METAR\\"},
                      WholeFolderCase{"C:/Fly!\\METAR/", "C:\\Fly!\\METAR\\"},
                      WholeFolderCase{"//server/share/METAR", "\\\\server\\share\\METAR\\"},
                      WholeFolderCase{"//?/C:/x", std::nullopt},
                      WholeFolderCase{"/METAR/", std::nullopt},
                      WholeFolderCase{"C:METAR", std::nullopt}));

}  // namespace
}  // namespace nimbrel
