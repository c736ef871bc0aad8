#include <gtest/gtest.h>

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

class SimulatorLaunch : public ::testing::TestWithParam<LaunchCase> {
  protected:
    fake::FakeRegistry registry;
    fake::FakeMessageBox messageBox;
    fake::FakeEnvironment environment;
    fake::FakeLauncher launcher;
    SimulatorPlaces places{registry, messageBox, environment};
};

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
                      LaunchCase{"%ProgramFiles%\\Fly!" + kNul, "%ProgramFiles%\\Fly!\\fly.exe",
                                 "%ProgramFiles%\\Fly!"},
                      LaunchCase{"C:/Fly!/" + kNul, "C:\\Fly!\\fly.exe", "C:\\Fly!\\"}));

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
