#include <gtest/gtest.h>

#include "grouplink/library_info.h"
#include "grouplink/plugin_settings.h"
#include "platform/registry.h"
#include "support/temp_dir.h"

namespace korvane::grouplink {
namespace {

using platform::Hive;

class PluginSettingsTest : public testing::Test {
  protected:
    test::TempDir dir_;
    platform::Registry registry_{dir_.path()};
    const std::string key_ = SettingsKeyPath("Grouplink");
};

TEST_F(PluginSettingsTest, MissingKeyGivesTheDefaultsAndWritesNothing) {
    EXPECT_EQ(key_, "SOFTWARE\\Korvane\\Plugins\\Grouplink");
    const PluginSettings settings = LoadSettings(registry_, key_);
    EXPECT_EQ(settings.OutIPListFName, "/opt/TMeter/FilterSets/default.tmf");
    EXPECT_EQ(settings.IPAddressGroup, "Tarvel");
    EXPECT_FALSE(registry_.KeyExists(Hive::LocalMachine, key_));
}

TEST_F(PluginSettingsTest, SavedSettingsShareTheHostsKeyAndReadBackInFull) {
    registry_.WriteDword(Hive::LocalMachine, "Software\\Korvane\\Plugins\\Grouplink", "Activated",
                         1);
    const PluginSettings saved{"/srv/tmeter/" + std::string(300, 'n') + ".tmf", "Exchange"};
    SaveSettings(registry_, key_, saved);

    platform::Registry reopened(dir_.path());
    EXPECT_EQ(LoadSettings(reopened, key_), saved);
    EXPECT_EQ(reopened.ReadDword(Hive::LocalMachine, key_, "Activated"), 1u);
    EXPECT_EQ(reopened.SubkeyNames(Hive::LocalMachine, "SOFTWARE\\Korvane\\Plugins").size(), 1u);
}

TEST_F(PluginSettingsTest, ValueOfAnotherTypeKeepsItsDefault) {
    registry_.WriteDword(Hive::LocalMachine, key_, "IPAddressGroup", 5);
    registry_.WriteString(Hive::LocalMachine, key_, "OutIPListFName", "/x.tmf");
    const PluginSettings settings = LoadSettings(registry_, key_);
    EXPECT_EQ(settings.OutIPListFName, "/x.tmf");
    EXPECT_EQ(settings.IPAddressGroup, "Tarvel");
}

TEST_F(PluginSettingsTest, UnreadableHiveGivesTheDefaults) {
    dir_.Write("HKEY_LOCAL_MACHINE.reg", "this is not a registry file\n[broken\n");
    platform::Registry broken(dir_.path());
    EXPECT_EQ(LoadSettings(broken, key_), PluginSettings{});
}

TEST(GroupNameTest, IsStrippedAndCut) {
    EXPECT_EQ(TakeOverGroupName("  Tarvel \t"), "Tarvel");
    EXPECT_EQ(TakeOverGroupName("\tA  B\r\n"), "A  B");
    EXPECT_EQ(TakeOverGroupName(std::string(300, 'g')), std::string(255, 'g'));
    EXPECT_EQ(TakeOverGroupName(" " + std::string(255, 'g') + " "), std::string(255, 'g'));
    EXPECT_FALSE(TakeOverGroupName(""));
    EXPECT_FALSE(TakeOverGroupName(" \t \r\n"));
}

TEST(LibraryInfoTest, NameAndFolderFollowTheFile) {
    const LibraryInfo info = DescribeLibrary("/opt/korvane/Grouplink.so");
    EXPECT_EQ(info.folder, "/opt/korvane/");
    EXPECT_EQ(info.name, "Grouplink");
    EXPECT_EQ(DescribeLibrary("/opt/korvane/Copy of it.so").name, "Copy of it");
    EXPECT_EQ(DescribeLibrary("/x.d/libgroup.so.1").name, "libgroup.so");
    EXPECT_EQ(DescribeLibrary("/x.d/noext").name, "noext");
    const LibraryInfo bare = DescribeLibrary("Grouplink.so");
    EXPECT_EQ(bare.folder, "");
    EXPECT_EQ(bare.name, "Grouplink");
    EXPECT_EQ(DescribeLibrary("").name, "");
}

TEST(LibraryInfoTest, BuildStamp) {
    EXPECT_EQ(BuildStamp("May 15 2006", "21:44:30"), "May 15 2006 21:44:30");
    EXPECT_EQ(BuildStamp("Dec  1 2026", "01:02:03"), "Dec 1 2026 01:02:03");
}

}  // namespace
}  // namespace korvane::grouplink
