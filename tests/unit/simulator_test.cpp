#include <gtest/gtest.h>

#include <map>

#include "tests/fake/fake_platform.h"
#include "util/simulator.h"

namespace nimbrel {
namespace {

using fake::kLocalMachine;

constexpr const char* kKey = "SOFTWARE\\Terminal Reality\\Fly!";

constexpr std::int32_t kString = 1;
constexpr std::int32_t kExpandableString = 2;

struct LaunchCase {
    std::string stored;  // the value's bytes
    std::string program;
    std::string folder;
    std::int32_t type = kString;
};

// The simulator's registry value, the user's environment and the program starts, all fake.
template <typename Case>
class SimulatorFakes : public ::testing::TestWithParam<Case> {
  protected:
    fake::FakeRegistry registry;
    fake::FakeMessageBox messageBox;
    fake::FakeEnvironment environment;
    fake::FakeLauncher launcher;
    SimulatorPlaces places{registry, messageBox, environment};
};

using SimulatorLaunch = SimulatorFakes<LaunchCase>;

TEST_P(SimulatorLaunch, StartsTheProgramMaximisedInItsFolder) {
    const LaunchCase& c = GetParam();
    registry.SetRaw(kLocalMachine, kKey, "TargetDir", {c.type, c.stored});
    environment.variables = {{"ProgramFiles", "C:\\Program Files"}};
    launcher.existing.insert(c.program);
    LaunchSimulator(places, launcher);
    ASSERT_EQ(launcher.started.size(), 1u)
        << (messageBox.shown.empty() ? "" : messageBox.shown[0].text);
    EXPECT_EQ(launcher.started[0].program, c.program);
    EXPECT_EQ(launcher.started[0].workingFolder, c.folder);
    EXPECT_EQ(launcher.started[0].state, WindowState::Maximized);
    EXPECT_TRUE(messageBox.shown.empty());
}

const std::string kNul(1, '\0');

INSTANTIATE_TEST_SUITE_P(
    Table, SimulatorLaunch,
    ::testing::Values(LaunchCase{"C:\\Fly!\\" + kNul, "C:\\Fly!\\fly.exe", "C:\\Fly!\\"},
                      LaunchCase{"C:\\Fly!" + kNul, "C:\\Fly!\\fly.exe", "C:\\Fly!"},
                      LaunchCase{"  C:\\Fly!" + kNul, "C:\\Fly!\\fly.exe", "C:\\Fly!"},
                      LaunchCase{"C:\\Fly! " + kNul, "C:\\Fly! \\fly.exe", "C:\\Fly! "},
                      LaunchCase{"C:\\Fly!\\", "C:\\Fly!\\fly.exe", "C:\\Fly!\\"},
                      LaunchCase{"C:\\Fly!", "C:\\Fly!\\fly.exe", "C:\\Fly!"},
                      LaunchCase{"C:\\Fly!" + kNul + "C:\\Old" + kNul, "C:\\Fly!\\fly.exe",
                                 "C:\\Fly!"},
                      LaunchCase{"C:\\Program Files\\Fly!" + kNul,
                                 "C:\\Program Files\\Fly!\\fly.exe", "C:\\Program Files\\Fly!"},
                      // As Windows takes them: expanded when stored so, and with slashes.
                      LaunchCase{"%ProgramFiles%\\Fly!" + kNul, "C:\\Program Files\\Fly!\\fly.exe",
                                 "C:\\Program Files\\Fly!", kExpandableString},
                      LaunchCase{"C:/Fly!/" + kNul, "C:\\Fly!\\fly.exe", "C:\\Fly!\\"}));

// %ProgramFiles% in a folder read from the other registry view means that view's programs' folder.
struct ViewCase {
    const char* name;
    std::map<std::string, std::string> environment;  // this program's
    RegistryView view;
    std::string stored;
    std::string folder;
};

const std::map<std::string, std::string> kSixtyFourBitProgram = {
    {"ProgramFiles", "C:\\Program Files"},
    {"ProgramFiles(x86)", "C:\\Program Files (x86)"},
    {"ProgramW6432", "C:\\Program Files"},
    {"CommonProgramFiles", "C:\\Program Files\\Common Files"},
    {"CommonProgramFiles(x86)", "C:\\Program Files (x86)\\Common Files"},
    {"CommonProgramW6432", "C:\\Program Files\\Common Files"},
    {"SystemDrive", "C:"}};
const std::map<std::string, std::string> kThirtyTwoBitProgram = {
    {"ProgramFiles", "C:\\Program Files (x86)"},
    {"ProgramFiles(x86)", "C:\\Program Files (x86)"},
    {"ProgramW6432", "C:\\Program Files"},
    {"CommonProgramFiles", "C:\\Program Files (x86)\\Common Files"},
    {"CommonProgramFiles(x86)", "C:\\Program Files (x86)\\Common Files"},
    {"CommonProgramW6432", "C:\\Program Files\\Common Files"}};
const std::map<std::string, std::string> kThirtyTwoBitWindows = {
    {"ProgramFiles", "C:\\Program Files"},
    {"CommonProgramFiles", "C:\\Program Files\\Common Files"}};

using ExpandedFolder = SimulatorFakes<ViewCase>;

TEST_P(ExpandedFolder, MeansWhatItsRegistryViewMeans) {
    const ViewCase& c = GetParam();
    registry.SetRaw(kLocalMachine, kKey, "TargetDir", {kExpandableString, c.stored + kNul});
    registry.SetView(kLocalMachine, kKey, c.view);
    environment.variables = c.environment;
    EXPECT_EQ(LookUpSimulatorFolder(places), c.folder);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ExpandedFolder,
    ::testing::Values(
        ViewCase{"x64_reads_32_bit_view", kSixtyFourBitProgram, RegistryView::ThirtyTwoBitFrom64Bit,
                 "%ProgramFiles%\\Fly!", "C:\\Program Files (x86)\\Fly!"},
        ViewCase{"x64_reads_32_bit_view_common", kSixtyFourBitProgram,
                 RegistryView::ThirtyTwoBitFrom64Bit, "%COMMONPROGRAMFILES%\\Fly!",
                 "C:\\Program Files (x86)\\Common Files\\Fly!"},
        ViewCase{"x64_reads_32_bit_view_any_case", kSixtyFourBitProgram,
                 RegistryView::ThirtyTwoBitFrom64Bit, "%programfiles%\\Fly!;%SystemDrive%",
                 "C:\\Program Files (x86)\\Fly!;C:"},
        ViewCase{"x64_reads_32_bit_view_x86_named", kSixtyFourBitProgram,
                 RegistryView::ThirtyTwoBitFrom64Bit, "%ProgramFiles(x86)%\\Fly!",
                 "C:\\Program Files (x86)\\Fly!"},
        ViewCase{"x64_reads_its_own_view", kSixtyFourBitProgram, RegistryView::Own,
                 "%ProgramFiles%\\Fly!", "C:\\Program Files\\Fly!"},
        ViewCase{"x86_reads_64_bit_view", kThirtyTwoBitProgram, RegistryView::SixtyFourBitFrom32Bit,
                 "%ProgramFiles%\\Fly!", "C:\\Program Files\\Fly!"},
        ViewCase{"x86_reads_64_bit_view_common", kThirtyTwoBitProgram,
                 RegistryView::SixtyFourBitFrom32Bit, "%CommonProgramFiles%\\Fly!",
                 "C:\\Program Files\\Common Files\\Fly!"},
        ViewCase{"x86_reads_its_own_view", kThirtyTwoBitProgram, RegistryView::Own,
                 "%ProgramFiles%\\Fly!", "C:\\Program Files (x86)\\Fly!"},
        ViewCase{"32_bit_windows_as_it_stands", kThirtyTwoBitWindows,
                 RegistryView::SixtyFourBitFrom32Bit, "%ProgramFiles%\\Fly!",
                 "C:\\Program Files\\Fly!"}),
    [](const auto& info) { return std::string(info.param.name); });

using SimulatorLaunchFailure = SimulatorLaunch;

TEST_F(SimulatorLaunchFailure, AMissingValueSaysWhatIsMissing) {
    EXPECT_EQ(LaunchSimulator(places, launcher), nullptr);
    EXPECT_TRUE(launcher.started.empty());
    ASSERT_EQ(messageBox.shown.size(), 1u);
    EXPECT_NE(messageBox.shown[0].text.find("TargetDir"), std::string::npos);
    EXPECT_NE(messageBox.shown[0].text.find(kKey), std::string::npos);
    EXPECT_EQ(messageBox.shown[0].icon, MessageBoxIcon::Critical);
}

TEST_F(SimulatorLaunchFailure, AProgramThatCannotStartIsNamedWithTheReason) {
    registry.SetString(kLocalMachine, kKey, "TargetDir", "D:\\Games\\Fly!");
    EXPECT_EQ(LaunchSimulator(places, launcher), nullptr);
    EXPECT_TRUE(launcher.started.empty());
    ASSERT_EQ(messageBox.shown.size(), 1u);
    EXPECT_NE(messageBox.shown[0].text.find("D:\\Games\\Fly!\\fly.exe"), std::string::npos);
    EXPECT_NE(messageBox.shown[0].text.find("cannot find the file"), std::string::npos);
}

TEST_F(SimulatorLaunchFailure, ADeclinedElevationPromptHasItsOwnLine) {
    registry.SetString(kLocalMachine, kKey, "TargetDir", "D:\\Games\\Fly!");
    launcher.existing.insert("D:\\Games\\Fly!\\fly.exe");
    launcher.declined = true;
    EXPECT_EQ(LaunchSimulator(places, launcher), nullptr);
    ASSERT_EQ(messageBox.shown.size(), 1u);
    EXPECT_EQ(messageBox.shown[0].text, kElevationDeclinedText);
}

struct NotFoundCase {
    std::string stored;
    std::int32_t type = kString;
};

using FolderNotFound = SimulatorFakes<NotFoundCase>;

// fly.exe would be started from wherever this program happens to be.
TEST_P(FolderNotFound, IsABlankOrRelativeFolderOnceExpanded) {
    registry.SetRaw(kLocalMachine, kKey, "TargetDir", {GetParam().type, GetParam().stored});
    environment.variables = {{"ProgramFiles", "C:\\Program Files"}};
    EXPECT_EQ(LookUpSimulatorFolder(places), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(Table, FolderNotFound,
                         ::testing::Values(NotFoundCase{kNul}, NotFoundCase{"   " + kNul},
                                           NotFoundCase{" " + kNul + " "},
                                           NotFoundCase{"Fly!" + kNul}, NotFoundCase{"C:Fly!"},
                                           NotFoundCase{"%ProgramFiles%\\Fly!" + kNul},
                                           NotFoundCase{"%Unset%" + kNul, kExpandableString}));

using SimulatorFolder = SimulatorLaunch;

TEST_F(SimulatorFolder, IsReadAfreshEachTime) {
    registry.SetString(kLocalMachine, kKey, "TargetDir", "C:\\A");
    launcher.existing = {"C:\\A\\fly.exe", "C:\\B\\fly.exe"};
    LaunchSimulator(places, launcher);
    registry.SetString(kLocalMachine, kKey, "TargetDir", "C:\\B");
    LaunchSimulator(places, launcher);
    LaunchSimulator(places, launcher);
    ASSERT_EQ(launcher.started.size(), 3u);
    EXPECT_EQ(launcher.started[0].program, "C:\\A\\fly.exe");
    EXPECT_EQ(launcher.started[2].program, "C:\\B\\fly.exe");
}

}  // namespace
}  // namespace nimbrel
