#include <gtest/gtest.h>

#include "tests/fake/fake_platform.h"
#include "util/reg_utils.h"

namespace nimbrel {
namespace {

using fake::kLocalMachine;

class RegistryReader : public ::testing::Test {
  protected:
    std::string Read(const std::string& hive, const std::string& key, const std::string& value) {
        return kvoGetRegEntry(registry, messageBox, hive, key, value, valueType);
    }

    fake::FakeRegistry registry;
    fake::FakeMessageBox messageBox;
    std::int32_t valueType = 2;
};

TEST_F(RegistryReader, ReturnsAStringValueWithItsStoredNul) {
    registry.SetString(kLocalMachine, "SOFTWARE\\Terminal Reality\\Fly!", "TargetDir", "C:\\Fly!");
    const std::string text =
        Read("HKEY_LOCAL_MACHINE", "SOFTWARE\\Terminal Reality\\Fly!", "TargetDir");
    EXPECT_EQ(text, std::string("C:\\Fly!\0", 8));
    EXPECT_EQ(valueType, 1);
    EXPECT_TRUE(messageBox.shown.empty());
    EXPECT_EQ(registry.openKeys, 0) << "the key must be closed again";
    EXPECT_EQ(registry.accessRequested, std::vector<std::uint32_t>{0x20019});
}

TEST_F(RegistryReader, GivesValuesExactlyAsStored) {
    registry.SetRaw(kLocalMachine, "K", "NoNul", {1, "C:\\Fly!"});
    registry.SetRaw(kLocalMachine, "K", "Empty", {1, std::string(1, '\0')});
    registry.SetRaw(kLocalMachine, "K", "Dword", {4, std::string("\x01\x00\x00\x80", 4)});
    EXPECT_EQ(Read("HKEY_LOCAL_MACHINE", "K", "NoNul"), "C:\\Fly!");
    EXPECT_EQ(Read("HKEY_LOCAL_MACHINE", "K", "Empty"), std::string(1, '\0'));
    EXPECT_EQ(Read("HKEY_LOCAL_MACHINE", "K", "Dword"), std::string("\x01\x00\x00\x80", 4));
    EXPECT_EQ(valueType, 4);
}

TEST_F(RegistryReader, EachHiveNameSelectsItsRootKey) {
    const std::pair<const char*, RegistryKey> hives[] = {
        {"HKEY_CLASSES_ROOT", 0x80000000},  {"HKEY_CURRENT_CONFIG", 0x80000005},
        {"HKEY_CURRENT_USER", 0x80000001},  {"HKEY_DYN_DATA", 0x80000006},
        {"HKEY_LOCAL_MACHINE", 0x80000002}, {"HKEY_PERFORMANCE_DATA", 0x80000004},
        {"HKEY_USERS", 0x80000003},
    };
    for (const auto& [name, root] : hives) {
        registry.SetString(root, "K", "V", name);
        EXPECT_EQ(Read(name, "K", "V"), std::string(name) + '\0') << name;
    }
}

TEST_F(RegistryReader, NothingToReadGivesEmptyTextAndLeavesTheTypeAlone) {
    registry.SetString(kLocalMachine, "SOFTWARE\\Terminal Reality\\Fly!", "Other", "x");
    struct Case {
        const char* hive;
        const char* key;
        const char* value;
    } cases[] = {
        {"hkey_local_machine", "SOFTWARE\\Terminal Reality\\Fly!", "Other"},
        {"HKEY_LOCAL_MACHINE ", "SOFTWARE\\Terminal Reality\\Fly!", "Other"},
        {"HKEY_LOCAL_MACHINE", "SOFTWARE\\Missing", "Other"},
        {"HKEY_LOCAL_MACHINE", "SOFTWARE\\Terminal Reality\\Fly!", "TargetDir"},
    };
    for (const Case& c : cases) {
        valueType = 2;
        EXPECT_EQ(Read(c.hive, c.key, c.value), "") << c.hive << " " << c.key << " " << c.value;
        EXPECT_EQ(valueType, 2);
    }
    EXPECT_TRUE(messageBox.shown.empty());
    EXPECT_EQ(registry.openKeys, 0);
}

TEST_F(RegistryReader, AFailedCloseMarksTheTypeButKeepsTheData) {
    registry.SetString(kLocalMachine, "K", "V", "data");
    registry.closeResult = 6;
    EXPECT_EQ(Read("HKEY_LOCAL_MACHINE", "K", "V"), std::string("data\0", 5));
    EXPECT_EQ(valueType, -1);
    EXPECT_TRUE(messageBox.shown.empty());
}

TEST_F(RegistryReader, ARunTimeErrorIsShownOnceAndGivesEmptyText) {
    registry.SetString(kLocalMachine, "K", "V", "data");
    registry.failQueries = true;
    EXPECT_EQ(Read("HKEY_LOCAL_MACHINE", "K", "V"), "");
    EXPECT_EQ(valueType, -1);
    ASSERT_EQ(messageBox.shown.size(), 1u);
    EXPECT_EQ(messageBox.shown[0].text,
              "453>  Can't find DLL entry point RegQueryValueExA in advapi32");
    EXPECT_EQ(messageBox.shown[0].title, "GenUtils/kvoGetRegEntry");
    EXPECT_EQ(messageBox.shown[0].icon, MessageBoxIcon::Critical);
}

}  // namespace
}  // namespace nimbrel
