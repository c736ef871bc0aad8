#include <gtest/gtest.h>

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

}  // namespace
}  // namespace nimbrel
