#include <gtest/gtest.h>

#include "tests/fake/fake_platform.h"

namespace nimbrel {
namespace {

using fake::kLocalMachine;
using std::chrono::milliseconds;

constexpr const char* kKey = "SOFTWARE\\Terminal Reality\\Fly!";

TEST(StartUp, CentresShowsTheSplashThenShowsTheFolderAndWaits) {
    fake::FakePlatform p;
    p.registry.SetString(kLocalMachine, kKey, "TargetDir", "C:\\Fly!");
    p.text1.text = "E:\\FLY\\METAR\\";
    p.frm.Form_Load();

    EXPECT_FLOAT_EQ(p.form.left, (12000 - 6810) / 2.0f);
    EXPECT_FLOAT_EQ(p.form.top, (9000 - 2130) / 2.0f);
    EXPECT_EQ(p.windows.splashShown, 1);
    EXPECT_EQ(p.loop.Now(), milliseconds(2500)) << "start-up waits for the splash screen";
    EXPECT_EQ(p.text1.text, "C:\\Fly!\\METAR\\");
    EXPECT_EQ(p.lblStatus.colour, kBlue);
    EXPECT_EQ(p.frm.StatusText, "Waiting");
    EXPECT_FALSE(p.timer1.Enabled());
    EXPECT_EQ(p.frm.MinutesLeft, 0);
}

// The main window waits hidden behind the splash screen, where nobody would see it animate.
TEST(StartUp, TheStatusLineRestsBehindTheSplashAndAnimatesOnceTheWindowIsSeen) {
    fake::FakePlatform p;
    p.frm.Form_Load();
    EXPECT_EQ(p.lblStatus.caption, "Waiting.");
    p.frm.Form_Seen(true);
    p.loop.RunFor(std::chrono::milliseconds(300));
    EXPECT_EQ(p.lblStatus.caption, "Waiting..");
}

TEST(StartUp, DownloadsNothingUntilTheFirstClick) {
    fake::FakePlatform p;
    p.registry.SetString(kLocalMachine, kKey, "TargetDir", "C:\\Fly!");
    p.frm.Form_Load();
    p.loop.RunFor(std::chrono::hours(2));
    EXPECT_TRUE(p.server.requests.empty());
    EXPECT_EQ(p.frm.StatusText, "Waiting");
    EXPECT_EQ(p.lblStatus.caption.rfind("Waiting.", 0), 0u);
}

struct FolderCase {
    std::optional<std::string> stored;  // the value's bytes; nullopt for no value at all
    std::string shown;
};

class StartUpFolder : public ::testing::TestWithParam<FolderCase> {};

TEST_P(StartUpFolder, ShowsTheMetarFolderOfTheInstallation) {
    fake::FakePlatform p;
    if (GetParam().stored) {
        p.registry.SetRaw(kLocalMachine, kKey, "TargetDir", {1, *GetParam().stored});
    }
    p.frm.Form_Load();
    EXPECT_EQ(p.text1.text, GetParam().shown);
    EXPECT_EQ(p.frm.StatusText, "Waiting");
    EXPECT_TRUE(p.messageBox.shown.empty());
}

const std::string kNul(1, '\0');

INSTANTIATE_TEST_SUITE_P(Table, StartUpFolder,
                         ::testing::Values(FolderCase{"C:\\Fly!\\" + kNul, "C:\\Fly!\\METAR\\"},
                                           FolderCase{"C:\\Fly!" + kNul, "C:\\Fly!\\METAR\\"},
                                           FolderCase{"   C:\\Fly!" + kNul, "C:\\Fly!\\METAR\\"},
                                           FolderCase{"C:\\Fly!  " + kNul, "C:\\Fly!  \\METAR\\"},
                                           FolderCase{"C:\\Fly!", "C:\\Fly!\\METAR\\"},
                                           FolderCase{kNul, "\\METAR\\"},
                                           // Not a whole path: the simulator is not found.
                                           FolderCase{"Fly!" + kNul, "\\METAR\\"},
                                           FolderCase{std::nullopt, "\\METAR\\"}));

TEST(StartUp, AFailedRegistryReadIsReportedAndStartUpGoesOn) {
    fake::FakePlatform p;
    p.registry.SetString(kLocalMachine, kKey, "TargetDir", "C:\\Fly!");
    p.registry.failQueries = true;
    p.frm.Form_Load();
    EXPECT_EQ(p.messageBox.shown.size(), 1u);
    EXPECT_EQ(p.text1.text, "\\METAR\\");
    EXPECT_EQ(p.lblStatus.colour, kBlue);
    EXPECT_EQ(p.frm.StatusText, "Waiting");
}

}  // namespace
}  // namespace nimbrel
