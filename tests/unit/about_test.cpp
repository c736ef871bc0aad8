#include <gtest/gtest.h>

#include <string>

#include "app/about_nimbrel.h"
#include "tests/fake/fake_controls.h"
#include "tests/fake/fake_platform.h"
#include "tests/fake/fake_system.h"

namespace nimbrel {
namespace {

class CountingWindow : public Window {
  public:
    void Repaint() override { ++repaints; }
    void Unload() override { ++unloads; }

    int repaints = 0;
    int unloads = 0;
};

class AboutTest : public ::testing::Test {
  protected:
    CountingWindow window;
    fake::FakeForm form{8175, 7035};
    fake::FakeScreen screen{15360, 11520};
    fake::FakeShell shell;
    AboutNimbrel about{{form, window}, screen, shell};
};

TEST_F(AboutTest, LoadCentresTheBoxOnTheScreen) {
    about.Form_Load();
    EXPECT_FLOAT_EQ(form.left, 3592.5f);
    EXPECT_FLOAT_EQ(form.top, 2242.5f);
    EXPECT_EQ(window.unloads, 0);
    EXPECT_TRUE(shell.opened.empty());
}

TEST_F(AboutTest, OkUnloadsTheBox) {
    about.Command1_Click();
    EXPECT_EQ(window.unloads, 1);
    EXPECT_TRUE(shell.opened.empty());
}

TEST_F(AboutTest, TheLinkOpensTheMakersPageFromTheProgramFolderAndTheBoxStays) {
    shell.programFolder = "D:\\Tools\\Nimbrel";
    about.Label3_Click();
    ASSERT_EQ(shell.opened.size(), 1u);
    EXPECT_EQ(shell.opened[0].file, std::string(kMakerAddress) + "/");
    EXPECT_EQ(shell.opened[0].parameters, "");
    EXPECT_EQ(shell.opened[0].directory, "D:\\Tools\\Nimbrel");
    EXPECT_EQ(shell.opened[0].state, WindowState::Normal);
    EXPECT_EQ(window.unloads, 0);
}

TEST_F(AboutTest, EachClickOnTheLinkOpensThePageAnew) {
    about.Label3_Click();
    about.Label3_Click();
    ASSERT_EQ(shell.opened.size(), 2u);
    EXPECT_EQ(shell.opened[1].file, shell.opened[0].file);
}

TEST(MakerAddress, IsAWholeHttpAddressWithoutATrailingSlash) {
    const std::string address = kMakerAddress;
    EXPECT_EQ(address.rfind("http://", 0), 0u) << address;
    EXPECT_GT(address.size(), std::string("http://").size());
    EXPECT_NE(address.back(), '/');
    EXPECT_EQ(address.find_first_of(" \\"), std::string::npos);
}

TEST(HelpAbout, ACountdownThatRunsOutWhileTheBoxIsOpenUpdatesBehindIt) {
    fake::FakePlatform p;
    p.frm.SetTimer();
    const int requestsBefore = static_cast<int>(p.server.requests.size());
    p.windows.whileAboutOpen = [&p] { p.loop.RunFor(std::chrono::minutes(16)); };
    p.frm.Command2_Click();
    EXPECT_EQ(p.windows.aboutShown, 1);
    ASSERT_GT(static_cast<int>(p.server.requests.size()), requestsBefore);
    EXPECT_EQ(p.server.requests.front(), "http://noaa.test/weather/metar.shtml");
}

}  // namespace
}  // namespace nimbrel
