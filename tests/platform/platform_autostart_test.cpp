#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/atomic_file.h"
#include "platform/autostart.h"
#include "support/temp_dir.h"

namespace korvane::platform {
namespace {

TEST(PlatformAutostartTest, EntryIsPresentExactlyBetweenWriteAndRemove) {
    test::TempDir dir;
    AutostartEntry entry(dir / "config/autostart/korvane.desktop");
    EXPECT_FALSE(entry.Exists());
    entry.Write("/opt/korvane/korvane");
    EXPECT_TRUE(entry.Exists());
    EXPECT_EQ(dir.Read("config/autostart/korvane.desktop"),
              "[Desktop Entry]\n"
              "Type=Application\n"
              "Name=Korvane\n"
              "Exec=/opt/korvane/korvane\n"
              "Terminal=false\n"
              "X-GNOME-Autostart-enabled=true\n");
    entry.Write("/opt/korvane/korvane");  // writing again keeps one entry
    EXPECT_TRUE(entry.Exists());
    entry.Remove();
    EXPECT_FALSE(entry.Exists());
    EXPECT_NO_THROW(entry.Remove());  // removing an absent entry is no error
}

TEST(PlatformAutostartTest, ProgramPathIsOneExecArgument) {
    auto exec = [](const std::string& program) {
        std::string text = AutostartEntryText(program);
        auto begin = text.find("Exec=") + 5;
        return text.substr(begin, text.find('\n', begin) - begin);
    };
    EXPECT_EQ(exec("/opt/my tools/korvane"), "\"/opt/my tools/korvane\"");
    EXPECT_EQ(exec("/opt/100%/korvane"), "/opt/100%%/korvane");
    // quoted, the dollar is escaped once and the escaping backslash once more
    EXPECT_EQ(exec("/opt/$x/korvane"), "\"/opt/\\\\$x/korvane\"");
}

TEST(PlatformAutostartTest, EntryFileFollowsXdgConfigHome) {
    setenv("XDG_CONFIG_HOME", "/home/u/.cfg", 1);
    EXPECT_EQ(AutostartEntryFile(), "/home/u/.cfg/autostart/korvane.desktop");
    unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", "/home/u", 1);
    EXPECT_EQ(AutostartEntryFile(), "/home/u/.config/autostart/korvane.desktop");
}

TEST(PlatformAutostartTest, UnwritableFolderIsAClearError) {
    test::TempDir dir;
    dir.Write("config", "a file, not a folder");
    AutostartEntry entry(dir / "config/autostart/korvane.desktop");
    EXPECT_THROW(entry.Write("/opt/korvane/korvane"), FileError);
    EXPECT_FALSE(entry.Exists());
}

}  // namespace
}  // namespace korvane::platform
