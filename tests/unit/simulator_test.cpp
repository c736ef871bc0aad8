#include <gtest/gtest.h>

#include "tests/fake/fake_platform.h"
#include "util/simulator.h"

namespace nimbrel {
namespace {

using fake::kLocalMachine;

constexpr const char* kKey = "SOFTWARE\\Terminal Reality\\Fly!";

struct LaunchCase {
    std::string stored;  // the value's bytes
    std::string program;
    std::string folder;
};

class SimulatorLaunch : public ::testing::TestWithParam<LaunchCase> {
  protected:
    fake::FakeRegistry registry;
    fake::FakeMessageBox messageBox;
    fake::FakeLauncher launcher;
};

TEST_P(SimulatorLaunch, StartsTheProgramMaximisedInItsFolder) {
    const LaunchCase& c = GetParam();
    registry.SetRaw(kLocalMachine, kKey, "TargetDir", {1, c.stored});
    launcher.existing.insert(c.program);
    LaunchSimulator(registry, messageBox, launcher);
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
                                 "C:\\Program Files\\Fly!\\fly.exe", "C:\\Program Files\\Fly!"}));

TEST(SimulatorLaunchFailure, AMissingValueSaysWhatIsMissing) {
    fake::FakeRegistry registry;
    fake::FakeMessageBox messageBox;
    fake::FakeLauncher launcher;
    LaunchSimulator(registry, messageBox, launcher);
    EXPECT_TRUE(launcher.started.empty());
    ASSERT_EQ(messageBox.shown.size(), 1u);
    EXPECT_NE(messageBox.shown[0].text.find("TargetDir"), std::string::npos);
    EXPECT_NE(messageBox.shown[0].text.find(kKey), std::string::npos);
    EXPECT_EQ(messageBox.shown[0].icon, MessageBoxIcon::Critical);
}

TEST(SimulatorLaunchFailure, AProgramThatCannotStartIsNamedWithTheReason) {
    fake::FakeRegistry registry;
    fake::FakeMessageBox messageBox;
    fake::FakeLauncher launcher;
    registry.SetString(kLocalMachine, kKey, "TargetDir", "D:\\Games\\Fly!");
    LaunchSimulator(registry, messageBox, launcher);
    EXPECT_TRUE(launcher.started.empty());
    ASSERT_EQ(messageBox.shown.size(), 1u);
    EXPECT_NE(messageBox.shown[0].text.find("D:\\Games\\Fly!\\fly.exe"), std::string::npos);
    EXPECT_NE(messageBox.shown[0].text.find("cannot find the file"), std::string::npos);
}

TEST(SimulatorFolder, IsReadAfreshEachTime) {
    fake::FakeRegistry registry;
    fake::FakeMessageBox messageBox;
    fake::FakeLauncher launcher;
    registry.SetString(kLocalMachine, kKey, "TargetDir", "C:\\A");
    launcher.existing = {"C:\\A\\fly.exe", "C:\\B\\fly.exe"};
    LaunchSimulator(registry, messageBox, launcher);
    registry.SetString(kLocalMachine, kKey, "TargetDir", "C:\\B");
    LaunchSimulator(registry, messageBox, launcher);
    LaunchSimulator(registry, messageBox, launcher);
    ASSERT_EQ(launcher.started.size(), 3u);
    EXPECT_EQ(launcher.started[0].program, "C:\\A\\fly.exe");
    EXPECT_EQ(launcher.started[2].program, "C:\\B\\fly.exe");
}

}  // namespace
}  // namespace nimbrel
