// The real plug-in host over a program folder of test libraries (and the real Grouplink.so):
// each library records its loading, unloading and calls into a log file.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "core/controls.h"
#include "platform/messages.h"
#include "platform/registry.h"
#include "plugins/plugin_host.h"
#include "support/temp_dir.h"

namespace korvane::plugins {
namespace {

namespace fs = std::filesystem;
using platform::Hive;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr const char* kLogVariable = "KORVANE_TEST_PLUGIN_LOG";
constexpr uid_t kNobody = 65534;

fs::path MakeFolder(const fs::path& folder) {
    fs::create_directories(folder);
    fs::permissions(folder, fs::perms(0755));
    return folder;
}

std::vector<std::string> FileNames(const TDLLModuleList& modules) {
    std::vector<std::string> names;
    for (const TDLLModule& module : modules) names.push_back(module.FileName);
    return names;
}

class PluginsHostTest : public ::testing::Test {
  protected:
    PluginsHostTest() { setenv(kLogVariable, logFile.c_str(), 1); }
    ~PluginsHostTest() override { unsetenv(kLogVariable); }

    // Copies a test library (or any file) into the program folder as fileName.
    fs::path Install(const fs::path& library, const std::string& fileName) {
        fs::path target = folder / fileName;
        fs::copy_file(library, target, fs::copy_options::overwrite_existing);
        fs::permissions(target, fs::perms(0755));
        return target;
    }
    fs::path InstallTest(const std::string& library, const std::string& fileName = "") {
        return Install(fs::path(KORVANE_TEST_LIBRARY_DIR) / (library + ".so"),
                       fileName.empty() ? library + ".so" : fileName);
    }

    std::vector<std::string> Log() const {
        std::vector<std::string> lines;
        std::ifstream in(logFile);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    void ClearLog() const { fs::remove(logFile); }

    void WriteFlag(const std::string& keyPath, std::uint32_t value) {
        registry.WriteDword(Hive::LocalMachine, keyPath, "Activated", value);
    }
    std::optional<std::uint32_t> Flag(const std::string& name) const {
        return registry.ReadDword(Hive::LocalMachine, PluginKeyPath(name), "Activated");
    }

    test::TempDir temp;
    fs::path folder = MakeFolder(temp / "bin");
    fs::path logFile = temp / "calls.log";
    platform::Registry registry{MakeFolder(temp / "registry")};
    platform::ScriptedMessages messages;
    core::Controls controls;
    PluginHost host{folder, registry, messages, controls};
};

TEST_F(PluginsHostTest, ScanKeepsPluginsInNameOrderAndSkipsOtherFilesSilently) {
    InstallTest("beta");
    InstallTest("alpha");
    InstallTest("unrelated");
    InstallTest("no_author");
    InstallTest("null_name");
    InstallTest("bad_name");
    temp.Write("bin/garbage.so", "not a library");
    Install(fs::path(KORVANE_TEST_LIBRARY_DIR) / "alpha.so", "alpha.so.1");
    fs::create_directory(folder / "folder.so");

    host.ScanPlugins();

    EXPECT_THAT(FileNames(host.Modules()), ElementsAre("alpha.so", "beta.so"));
    const TDLLModule& alpha = host.Modules()[0];
    EXPECT_EQ(alpha.Name, "Alpha");
    EXPECT_EQ(alpha.Version, "1.0 Alpha");
    EXPECT_EQ(alpha.DateTime, "Dec 11 2026 04:00:00");
    EXPECT_EQ(alpha.Author, "Author of Alpha");
    EXPECT_EQ(alpha.Description, "Description of Alpha");
    EXPECT_THAT(controls.listboxPlugins, ElementsAre("Alpha", "Beta"));
    EXPECT_THAT(controls.listboxPluginsChecked, ElementsAre(false, false));
    EXPECT_EQ(controls.listboxPluginsItemIndex, -1);
    EXPECT_FALSE(controls.btnPluginConfigEnabled);
    EXPECT_FALSE(controls.btnPluginHelpEnabled);
    EXPECT_THAT(messages.shown, IsEmpty());
    // Every library is loaded once and freed before the next one is loaded.
    EXPECT_THAT(Log(),
                ElementsAre("alpha.so load", "alpha.so unload", "bad_name.so load",
                            "bad_name.so unload", "beta.so load", "beta.so unload",
                            "no_author.so load", "no_author.so unload", "null_name.so load",
                            "null_name.so unload", "unrelated.so load", "unrelated.so unload"));
}

TEST_F(PluginsHostTest, EmptyFolderLeavesAnEmptyPageWithoutMessages) {
    temp.Write("bin/readme.txt", "no plug-ins here");
    controls.listboxPluginsItemIndex = 0;
    host.ScanPlugins();
    EXPECT_THAT(host.Modules(), IsEmpty());
    EXPECT_THAT(controls.listboxPlugins, IsEmpty());
    EXPECT_EQ(controls.listboxPluginsItemIndex, -1);
    EXPECT_FALSE(controls.btnPluginConfigEnabled);
    EXPECT_THAT(messages.shown, IsEmpty());
}

TEST_F(PluginsHostTest, EnableFlagsRoundTripThroughTheRegistry) {
    InstallTest("alpha");
    InstallTest("beta");
    InstallTest("no_turn_on");
    host.ScanPlugins();
    // The plug-in library spells the key in capitals; it is the same key.
    WriteFlag("SOFTWARE\\KORVANE\\PLUGINS\\beta", 7);
    registry.WriteString(Hive::LocalMachine, PluginKeyPath("NoTurnOn"), "Activated", "1");

    controls.listboxPluginsChecked = {true, true, true};
    host.LoadEnableFlags();

    // Missing value: unchecked, key created; nonzero: checked; not an integer: unchecked.
    EXPECT_THAT(controls.listboxPluginsChecked, ElementsAre(false, true, false));
    EXPECT_TRUE(registry.KeyExists(Hive::LocalMachine, PluginKeyPath("Alpha")));
    EXPECT_FALSE(Flag("Alpha").has_value());

    controls.listboxPluginsChecked = {true, false, true};
    host.SaveEnableFlags();
    EXPECT_EQ(Flag("Alpha"), 1u);
    EXPECT_EQ(Flag("Beta"), 0u);
    EXPECT_EQ(Flag("NoTurnOn"), 1u);

    core::Controls restarted;
    PluginHost next(folder, registry, messages, restarted);
    next.ScanPlugins();
    next.LoadEnableFlags();
    EXPECT_THAT(restarted.listboxPluginsChecked, ElementsAre(true, false, true));
    EXPECT_THAT(messages.shown, IsEmpty());
}

TEST_F(PluginsHostTest, PluginsWithTheSameNameShareOneFlag) {
    InstallTest("alpha");
    InstallTest("alpha", "alpha_twin.so");
    host.ScanPlugins();
    ASSERT_THAT(controls.listboxPlugins, ElementsAre("Alpha", "Alpha"));

    WriteFlag(PluginKeyPath("Alpha"), 1);
    host.LoadEnableFlags();
    EXPECT_THAT(controls.listboxPluginsChecked, ElementsAre(true, true));

    // The later line's mark is the one kept.
    controls.listboxPluginsChecked = {true, false};
    host.SaveEnableFlags();
    EXPECT_EQ(Flag("Alpha"), 0u);
    controls.listboxPluginsChecked = {false, true};
    host.SaveEnableFlags();
    EXPECT_EQ(Flag("Alpha"), 1u);
}

struct SwitchCase {
    PluginEntry entry;
    bool whiteListOn;
    std::string adapterAddress;
    std::string recorded;  // what the plug-in saw
};

TEST_F(PluginsHostTest, CallsCheckedPluginsInOrderWithTheirArguments) {
    InstallTest("alpha");
    InstallTest("beta");
    InstallTest("alpha", "charlie.so");
    InstallTest("unrelated");
    host.ScanPlugins();
    const std::vector<SwitchCase> cases = {
        {PluginEntry::TurnWorldOff, true, "10.1.2.3", "TurnWorldOff 1 [10.1.2.3]"},
        {PluginEntry::TurnWorldOff, false, "", "TurnWorldOff 0 []"},
        {PluginEntry::TurnWorldOn, true, "192.168.0.7", "TurnWorldOn 1 [192.168.0.7]"},
        {PluginEntry::TurnWorldOn, false, "", "TurnWorldOn 0 null"},
    };
    for (const SwitchCase& c : cases) {
        SCOPED_TRACE(c.recorded);
        ClearLog();
        controls.listboxPluginsChecked = {true, false, true};
        host.CallEnabledPlugins(c.entry, c.whiteListOn, c.adapterAddress);
        EXPECT_THAT(
            Log(), ElementsAre("alpha.so load", "alpha.so " + c.recorded, "alpha.so unload",
                               "charlie.so load", "charlie.so " + c.recorded, "charlie.so unload"));
    }
    EXPECT_THAT(messages.shown, IsEmpty());
}

TEST_F(PluginsHostTest, NothingIsCalledWhenNoLineIsChecked) {
    InstallTest("alpha");
    host.ScanPlugins();
    ClearLog();
    host.CallEnabledPlugins(PluginEntry::TurnWorldOff, true, "10.0.0.1");
    EXPECT_THAT(Log(), IsEmpty());
}

TEST_F(PluginsHostTest, PluginLackingTurnWorldOnIsReportedAndTheNextOneStillCalled) {
    InstallTest("no_turn_on", "a_no_turn_on.so");
    InstallTest("alpha");
    host.ScanPlugins();
    ASSERT_THAT(controls.listboxPlugins, ElementsAre("NoTurnOn", "Alpha"));
    controls.listboxPluginsChecked = {true, true};
    ClearLog();

    host.CallEnabledPlugins(PluginEntry::TurnWorldOn, true, "10.0.0.1");

    EXPECT_THAT(Log(),
                ElementsAre("a_no_turn_on.so load", "a_no_turn_on.so unload", "alpha.so load",
                            "alpha.so TurnWorldOn 1 [10.0.0.1]", "alpha.so unload"));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Ошибка");
    EXPECT_EQ(messages.shown[0].icon, platform::MessageIcon::Error);
    EXPECT_EQ(messages.shown[0].text,
              "Плагин NoTurnOn (a_no_turn_on.so) не вызван: в библиотеке нет функции "
              "TurnWorldOn.");

    // Its TurnWorldOff is there and is called.
    ClearLog();
    host.CallEnabledPlugins(PluginEntry::TurnWorldOff, false, "10.0.0.1");
    EXPECT_THAT(Log(),
                ElementsAre("a_no_turn_on.so load", "a_no_turn_on.so TurnWorldOff 0 [10.0.0.1]",
                            "a_no_turn_on.so unload", "alpha.so load",
                            "alpha.so TurnWorldOff 0 [10.0.0.1]", "alpha.so unload"));
    EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(PluginsHostTest, FailingCallIsReportedAndTheLibraryFreed) {
    InstallTest("throwing");
    InstallTest("alpha", "zulu.so");
    host.ScanPlugins();
    controls.listboxPluginsChecked = {true, true};
    ClearLog();

    host.CallEnabledPlugins(PluginEntry::TurnWorldOff, true, "10.0.0.1");

    EXPECT_THAT(Log(), ElementsAre("throwing.so load", "throwing.so TurnWorldOff 1 [10.0.0.1]",
                                   "throwing.so unload", "zulu.so load",
                                   "zulu.so TurnWorldOff 1 [10.0.0.1]", "zulu.so unload"));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text,
              "Плагин Throwing (throwing.so): вызов TurnWorldOff завершился ошибкой: plug-in "
              "failure.");
}

// A listed library changed after the scan: it is not loaded (or cannot be), the user is told,
// and the plug-ins after it are still called.
struct ChangedAfterScan {
    const char* name;
    std::function<void(const fs::path& library)> change;
    std::string expectedText;
};

TEST_F(PluginsHostTest, LibraryChangedAfterTheScanIsReportedAndSkipped) {
    const std::vector<ChangedAfterScan> cases = {
        {"removed", [](const fs::path& library) { fs::remove(library); },
         "Плагин Alpha (alpha.so) не вызван: файл не удалось проверить: No such file or "
         "directory."},
        {"no longer a library",
         [](const fs::path& library) { std::ofstream(library, std::ios::trunc) << "junk"; },
         "Плагин Alpha (alpha.so) не вызван: не удалось загрузить библиотеку: "},
        {"made writable by others",
         [](const fs::path& library) { fs::permissions(library, fs::perms(0666)); },
         "Плагин Alpha (alpha.so) не вызван: файл доступен для записи другим пользователям."},
    };
    for (const ChangedAfterScan& c : cases) {
        SCOPED_TRACE(c.name);
        fs::path library = InstallTest("alpha");
        InstallTest("beta");
        core::Controls pageControls;
        platform::ScriptedMessages shown;
        PluginHost scanned(folder, registry, shown, pageControls);
        scanned.ScanPlugins();
        pageControls.listboxPluginsChecked = {true, true};
        c.change(library);
        ClearLog();

        scanned.CallEnabledPlugins(PluginEntry::TurnWorldOff, false, "10.0.0.1");

        EXPECT_THAT(Log(), ElementsAre("beta.so load", "beta.so TurnWorldOff 0 [10.0.0.1]",
                                       "beta.so unload"));
        ASSERT_EQ(shown.shown.size(), 1u);
        EXPECT_THAT(shown.shown[0].text, ::testing::StartsWith(c.expectedText));
        EXPECT_EQ(shown.shown[0].caption, "Ошибка");
    }
}

TEST_F(PluginsHostTest, DetailsFollowTheSelectedLine) {
    InstallTest("alpha");
    InstallTest("beta");
    host.ScanPlugins();

    controls.listboxPluginsItemIndex = 1;
    host.listboxPluginsClick();
    EXPECT_EQ(controls.editPluginVersion, "1.0 Beta");
    EXPECT_EQ(controls.editPluginDateTime, "Dec 11 2026 04:00:00");
    EXPECT_EQ(controls.editPluginAuthor, "Author of Beta");
    EXPECT_EQ(controls.memoPluginDescription, "Description of Beta");
    EXPECT_TRUE(controls.btnPluginConfigEnabled);
    EXPECT_TRUE(controls.btnPluginHelpEnabled);

    for (int none : {-1, 2}) {
        controls.listboxPluginsItemIndex = none;
        host.listboxPluginsClick();
        EXPECT_EQ(controls.editPluginVersion, "");
        EXPECT_EQ(controls.editPluginDateTime, "");
        EXPECT_EQ(controls.editPluginAuthor, "");
        EXPECT_EQ(controls.memoPluginDescription, "");
        EXPECT_FALSE(controls.btnPluginConfigEnabled);
        EXPECT_FALSE(controls.btnPluginHelpEnabled);
    }
}

TEST_F(PluginsHostTest, ConfigAndHelpCallTheSelectedPlugin) {
    InstallTest("alpha");
    InstallTest("beta");
    InstallTest("no_turn_on");
    host.ScanPlugins();
    ClearLog();

    controls.listboxPluginsItemIndex = 1;
    host.btnPluginConfigClick();
    host.btnPluginHelpClick();
    EXPECT_THAT(Log(), ElementsAre("beta.so load", "beta.so Config", "beta.so unload",
                                   "beta.so load", "beta.so Help", "beta.so unload"));
    EXPECT_THAT(messages.shown, IsEmpty());

    ClearLog();
    controls.listboxPluginsItemIndex = -1;
    host.btnPluginConfigClick();
    host.btnPluginHelpClick();
    EXPECT_THAT(Log(), IsEmpty());

    controls.listboxPluginsItemIndex = 2;
    host.btnPluginConfigClick();
    host.btnPluginHelpClick();
    EXPECT_THAT(Log(), ElementsAre("no_turn_on.so load", "no_turn_on.so unload",
                                   "no_turn_on.so load", "no_turn_on.so unload"));
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].text,
              "Плагин NoTurnOn (no_turn_on.so) не вызван: в библиотеке нет функции Config.");
    EXPECT_EQ(messages.shown[1].text,
              "Плагин NoTurnOn (no_turn_on.so) не вызван: в библиотеке нет функции Help.");
}

// Unsafe places at the scan: the library is skipped without being loaded, and one message
// says which file and why.
struct UnsafeCase {
    const char* name;
    std::function<void(const fs::path& folder, const fs::path& beta)> spoil;
    std::vector<std::string> expectedFiles;
    std::string expectedText;  // "%F" stands for the program folder
    bool needsRoot = false;
};

void PrintTo(const UnsafeCase& c, std::ostream* out) { *out << c.name; }

class PluginsHostUnsafeTest : public PluginsHostTest,
                              public ::testing::WithParamInterface<UnsafeCase> {};

TEST_P(PluginsHostUnsafeTest, UnsafeLibrariesAreSkippedAndReported) {
    const UnsafeCase& c = GetParam();
    if (c.needsRoot && geteuid() != 0) GTEST_SKIP() << "changing a file's owner needs root";
    InstallTest("alpha");
    fs::path beta = InstallTest("beta");
    c.spoil(folder, beta);

    host.ScanPlugins();

    std::string expectedText = c.expectedText;
    if (auto at = expectedText.find("%F"); at != std::string::npos) {
        expectedText.replace(at, 2, folder.string());
    }
    EXPECT_THAT(FileNames(host.Modules()), ::testing::ContainerEq(c.expectedFiles));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Ошибка");
    EXPECT_EQ(messages.shown[0].text, expectedText);
    for (const std::string& line : Log()) EXPECT_THAT(line, ::testing::Not(HasSubstr("beta.so")));
}

void Chown(const fs::path& path, uid_t owner) {
    ASSERT_EQ(lchown(path.c_str(), owner, static_cast<gid_t>(-1)), 0) << path;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PluginsHostUnsafeTest,
    ::testing::Values(
        UnsafeCase{
            "file_world_writable",
            [](const fs::path&, const fs::path& beta) { fs::permissions(beta, fs::perms(0757)); },
            {"alpha.so"},
            "Плагин beta.so не загружен: файл доступен для записи другим пользователям."},
        UnsafeCase{
            "file_group_writable",
            [](const fs::path&, const fs::path& beta) { fs::permissions(beta, fs::perms(0775)); },
            {"alpha.so"},
            "Плагин beta.so не загружен: файл доступен для записи другим пользователям."},
        UnsafeCase{"file_of_another_user",
                   [](const fs::path&, const fs::path& beta) { Chown(beta, kNobody); },
                   {"alpha.so"},
                   "Плагин beta.so не загружен: файл принадлежит другому пользователю.",
                   true},
        UnsafeCase{"symlink_out_of_the_folder",
                   [](const fs::path& folder, const fs::path& beta) {
                       fs::path outside = folder.parent_path() / "elsewhere.so";
                       fs::rename(beta, outside);
                       fs::create_symlink(outside, beta);
                   },
                   {"alpha.so"},
                   "Плагин beta.so не загружен: это не обычный файл."},
        UnsafeCase{"folder_world_writable",
                   [](const fs::path& folder, const fs::path&) {
                       fs::permissions(folder, fs::perms(0777));
                   },
                   {},
                   "Плагины не загружены: папка программы доступна для записи другим "
                   "пользователям (%F)."},
        UnsafeCase{"folder_group_writable",
                   [](const fs::path& folder, const fs::path&) {
                       fs::permissions(folder, fs::perms(0775));
                   },
                   {},
                   "Плагины не загружены: папка программы доступна для записи другим "
                   "пользователям (%F)."},
        UnsafeCase{"folder_of_another_user",
                   [](const fs::path& folder, const fs::path&) { Chown(folder, kNobody); },
                   {},
                   "Плагины не загружены: папка программы принадлежит другому пользователю "
                   "(%F).",
                   true}));

// The delivered plug-in beside a test plug-in, sharing the host's registry, with no display.
class PluginsHostGrouplinkTest : public PluginsHostTest {
  protected:
    void SetUp() override {
        const fs::path grouplink = fs::path(KORVANE_PROGRAM_DIR) / "Grouplink.so";
        if (!fs::exists(grouplink)) GTEST_SKIP() << grouplink << " is not built";
        Install(grouplink, "Grouplink.so");
        InstallTest("alpha", "zulu.so");
        setenv("KORVANE_REGISTRY_DIR", registry.HiveFile(Hive::LocalMachine).parent_path().c_str(),
               1);
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        host.ScanPlugins();
        ASSERT_THAT(FileNames(host.Modules()), ElementsAre("Grouplink.so", "zulu.so"));
        host.LoadEnableFlags();
        controls.listboxPluginsChecked = {true, true};
        ClearLog();
    }
    void TearDown() override { unsetenv("KORVANE_REGISTRY_DIR"); }

    // Both switches reach the plug-in after Grouplink, whatever Grouplink did.
    void ExpectZuluCalledAfterIt(const std::string& turnWorldOff, const std::string& turnWorldOn) {
        EXPECT_THAT(Log(), ElementsAre("zulu.so load", "zulu.so " + turnWorldOff, "zulu.so unload",
                                       "zulu.so load", "zulu.so " + turnWorldOn, "zulu.so unload"));
    }
};

TEST_F(PluginsHostGrouplinkTest, DescribesItselfAndSwitchesHeadlessWithoutAListFile) {
    const TDLLModule& grouplink = host.Modules()[0];
    EXPECT_EQ(grouplink.Name, "Grouplink");
    EXPECT_EQ(controls.listboxPlugins[0], "Grouplink");
    EXPECT_FALSE(grouplink.Version.empty());
    EXPECT_FALSE(grouplink.DateTime.empty());
    EXPECT_FALSE(grouplink.Description.empty());
    EXPECT_TRUE(registry.KeyExists(Hive::LocalMachine, PluginKeyPath("Grouplink")));

    host.CallEnabledPlugins(PluginEntry::TurnWorldOff, true, "10.0.0.1");
    host.CallEnabledPlugins(PluginEntry::TurnWorldOn, false, "");

    // Grouplink tells its own failure (no list file) on standard error; the host has nothing
    // to report.
    EXPECT_THAT(messages.shown, IsEmpty());
    ExpectZuluCalledAfterIt("TurnWorldOff 1 [10.0.0.1]", "TurnWorldOn 0 null");
}

TEST_F(PluginsHostGrouplinkTest, UpdatesTheFilterSetNamedInTheKeyItSharesWithTheHost) {
    const fs::path filterSet = temp / "filters.tmf";
    temp.Write("filters.tmf", "<TrafficMonitor>\r\n</TrafficMonitor>\r\n");
    registry.WriteString(Hive::LocalMachine, PluginKeyPath("Grouplink"), "OutIPListFName",
                         filterSet.string());
    registry.WriteString(Hive::LocalMachine, PluginKeyPath("Grouplink"), "IPAddressGroup",
                         "Exchange");

    temp.Write("bin/Lists/tarvel-list.lst", "10.0.0.0/8\r\n");
    host.CallEnabledPlugins(PluginEntry::TurnWorldOff, true, "10.0.0.1");
    EXPECT_THAT(temp.Read("filters.tmf"), HasSubstr("<Descr>Exchange</Descr>"));
    EXPECT_THAT(temp.Read("filters.tmf"), HasSubstr("<Addr>10.0.0.0,10.255.255.255</Addr>"));

    // TurnWorldOn gets a null address here and updates all the same.
    temp.Write("bin/Lists/tarvel-list.lst", "192.168.0.0/16\r\n");
    host.CallEnabledPlugins(PluginEntry::TurnWorldOn, false, "");
    const std::string updated = temp.Read("filters.tmf");
    EXPECT_THAT(updated, HasSubstr("<Addr>192.168.0.0,192.168.255.255</Addr>"));
    EXPECT_THAT(updated, ::testing::Not(HasSubstr("10.0.0.0")));
    EXPECT_EQ(temp.Read("filters.reload"), updated);

    EXPECT_EQ(Flag("Grouplink"), std::nullopt);  // Grouplink leaves the enable flag alone
    EXPECT_THAT(messages.shown, IsEmpty());
    ExpectZuluCalledAfterIt("TurnWorldOff 1 [10.0.0.1]", "TurnWorldOn 0 null");
}

}  // namespace
}  // namespace korvane::plugins
