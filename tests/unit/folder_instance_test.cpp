#include <gtest/gtest.h>

#include "app/folder_instance.h"
#include "tests/fake/fake_platform.h"

namespace nimbrel {
namespace {

TEST(FolderInstance, IsOneWhateverTheCaseSlashesOrFinalBackslash) {
    const std::string name = FolderInstanceName("C:\\Fly!\\METAR\\");
    EXPECT_EQ(name.rfind("Local\\Nimbrel.", 0), 0u) << name;
    EXPECT_EQ(name.find('\\', 6), std::string::npos) << "no backslash after Local\\";
    for (const char* same : {"c:/fly!/metar", "C:\\FLY!\\METAR", "C:\\Fly!\\METAR\\\\"}) {
        EXPECT_EQ(FolderInstanceName(same), name) << same;
    }
    EXPECT_NE(FolderInstanceName("D:\\Fly!\\METAR\\"), name);
}

TEST(FolderInstance, HandsOverLaunchUpdateNowAndAnIntervalGivenOnly) {
    EXPECT_EQ(HandedOverArguments(ParseCommandLine({"--Launch", "/interval:10", "--folder", "D:\\M",
                                                    "--minimized", "--update-now"})),
              (std::vector<std::string>{"--launch", "--update-now", "--interval", "10"}));
    EXPECT_EQ(HandedOverArguments(ParseCommandLine({"--interval", "15"})),
              (std::vector<std::string>{"--interval", "15"}));
    EXPECT_TRUE(HandedOverArguments(ParseCommandLine({})).empty());
    EXPECT_EQ(ReadHandedOver(HandedOverText(ParseCommandLine({"/launch", "--interval=20"})))
                  .intervalMinutes,
              20);
}

TEST(FolderInstance, TheFirstTakesTheIntervalAndUpdatesAsAskedBySecondStart) {
    fake::FakePlatform p;
    p.frm.Form_HandedOver(ParseCommandLine({"--update-now"}));
    EXPECT_TRUE(p.server.requests.empty()) << "before its window is up, the first goes on alone";
    p.frm.Form_Shown();
    p.frm.SetTimer();
    p.frm.Form_HandedOver(ParseCommandLine({"--interval", "10", "--update-now"}));
    EXPECT_EQ(p.server.requests.size(), 1u);
    EXPECT_EQ(p.frm.MinutesLeft, 10);
    p.frm.Form_HandedOver(ParseCommandLine({"--update-now", "--bogus"}));
    EXPECT_EQ(p.server.requests.size(), 1u) << "options that do not parse are ignored";
}

}  // namespace
}  // namespace nimbrel
