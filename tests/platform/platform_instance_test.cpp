#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>

#include "platform/instance.h"
#include "platform/runtime_folder.h"
#include "support/temp_dir.h"

namespace korvane::platform {
namespace {

// Whether a freshly forked process may start as the only copy.
bool OtherProcessMayStart(const std::filesystem::path& folder) {
    pid_t child = fork();
    if (child == 0) _exit(SingleInstance(folder).IsOnlyCopy() ? 0 : 1);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status));
    return WEXITSTATUS(status) == 0;
}

TEST(PlatformInstanceTest, SecondProcessIsRefusedWhileTheFirstRuns) {
    test::TempDir dir;
    std::optional<SingleInstance> first(std::in_place, dir.path());
    ASSERT_TRUE(first->IsOnlyCopy()) << first->Problem();
    EXPECT_TRUE(std::filesystem::exists(dir / "KORVANEUniqString.lock"));
    EXPECT_FALSE(OtherProcessMayStart(dir.path()));

    first.reset();  // the first copy ends
    EXPECT_TRUE(OtherProcessMayStart(dir.path()));
}

TEST(PlatformInstanceTest, SecondCopyInTheSameProcessIsRefused) {
    test::TempDir dir;
    SingleInstance first(dir.path());
    SingleInstance second(dir.path());
    EXPECT_TRUE(first.IsOnlyCopy());
    EXPECT_FALSE(second.IsOnlyCopy());
    EXPECT_NE(second.Problem().find("another copy"), std::string::npos) << second.Problem();
}

TEST(PlatformInstanceTest, CopiesInDifferentRuntimeFoldersDoNotMeet) {
    test::TempDir dir;
    SingleInstance first(dir / "user1");
    ASSERT_TRUE(first.IsOnlyCopy()) << first.Problem();
    EXPECT_TRUE(OtherProcessMayStart(dir / "user2"));
}

TEST(PlatformInstanceTest, MissingRuntimeFolderIsCreated) {
    test::TempDir dir;
    SingleInstance only(dir / "run" / "korvane");
    EXPECT_TRUE(only.IsOnlyCopy()) << only.Problem();
    EXPECT_TRUE(std::filesystem::is_directory(dir / "run" / "korvane"));
}

TEST(PlatformInstanceTest, UnusableRuntimeFolderRefusesTheStartWithItsReason) {
    test::TempDir dir;
    dir.Write("file", "not a folder");
    SingleInstance copy(dir / "file" / "korvane");
    EXPECT_FALSE(copy.IsOnlyCopy());
    EXPECT_NE(copy.Problem().find((dir / "file").string()), std::string::npos) << copy.Problem();
}

TEST(PlatformInstanceTest, RuntimeFolderComesFromTheEnvironmentFirst) {
    const char* saved = std::getenv("KORVANE_RUNTIME_DIR");
    std::string savedValue = saved ? saved : "";
    setenv("KORVANE_RUNTIME_DIR", "/tmp/korvane-sandbox", 1);
    EXPECT_EQ(RuntimeFolder(), "/tmp/korvane-sandbox");
    unsetenv("KORVANE_RUNTIME_DIR");
    if (geteuid() == 0) {
        EXPECT_EQ(RuntimeFolder(), "/run/korvane");
    } else {
        setenv("XDG_RUNTIME_DIR", "/run/user/1000", 1);
        EXPECT_EQ(RuntimeFolder(), "/run/user/1000/korvane");
    }
    if (saved) setenv("KORVANE_RUNTIME_DIR", savedValue.c_str(), 1);
}

}  // namespace
}  // namespace korvane::platform
