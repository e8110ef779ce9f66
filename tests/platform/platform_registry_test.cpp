#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "platform/registry.h"
#include "support/temp_dir.h"

namespace korvane::platform {
namespace {

using test::TempDir;
constexpr Hive kMachine = Hive::LocalMachine;
constexpr Hive kUser = Hive::CurrentUser;

// Counts how often a file in `folder` is replaced by a rename (one per hive rewrite).
class RewriteCounter {
  public:
    explicit RewriteCounter(const std::filesystem::path& folder) : fd_(inotify_init1(IN_NONBLOCK)) {
        inotify_add_watch(fd_, folder.c_str(), IN_MOVED_TO);
    }
    ~RewriteCounter() { close(fd_); }
    int Count() {
        alignas(inotify_event) char buffer[4096];
        ssize_t n;
        while ((n = read(fd_, buffer, sizeof buffer)) > 0) {
            for (char* p = buffer; p < buffer + n;) {
                auto* event = reinterpret_cast<inotify_event*>(p);
                if (std::string(event->name).ends_with(".reg")) ++count_;
                p += sizeof(inotify_event) + event->len;
            }
        }
        return count_;
    }

  private:
    int fd_;
    int count_ = 0;
};

TEST(RegistryTest, ValuesSurviveTheFileRoundTrip) {
    TempDir dir;
    {
        Registry registry(dir.path());
        registry.WriteString(kMachine, "Software\\Korvane", "ListURL", "http://example.net/a.lst");
        registry.WriteString(kMachine, "Software\\Korvane", "Path", "C:\\dir\\\"quoted\"");
        registry.WriteString(kMachine, "Software\\Korvane", "Memo", "line one\r\nline two\n");
        registry.WriteString(kMachine, "Software\\Korvane", "", "default");
        registry.WriteString(kMachine, "Software\\Korvane", "Пароль", "тест");
        registry.WriteDword(kMachine, "Software\\Korvane", "Period", 10);
        registry.WriteDword(kMachine, "Software\\Korvane", "Max", 0xFFFFFFFFu);
        registry.WriteString(kUser, "Software\\Run", "Korvane", "/opt/korvane");
    }
    Registry fresh(dir.path());
    EXPECT_EQ(fresh.ReadString(kMachine, "Software\\Korvane", "ListURL"),
              "http://example.net/a.lst");
    EXPECT_EQ(fresh.ReadString(kMachine, "Software\\Korvane", "Path"), "C:\\dir\\\"quoted\"");
    EXPECT_EQ(fresh.ReadString(kMachine, "Software\\Korvane", "Memo"), "line one\r\nline two\n");
    EXPECT_EQ(fresh.ReadString(kMachine, "Software\\Korvane", ""), "default");
    EXPECT_EQ(fresh.ReadString(kMachine, "Software\\Korvane", "Пароль"), "тест");
    EXPECT_EQ(fresh.ReadDword(kMachine, "Software\\Korvane", "Period"), 10u);
    EXPECT_EQ(fresh.ReadDword(kMachine, "Software\\Korvane", "Max"), 0xFFFFFFFFu);
    EXPECT_EQ(fresh.ReadString(kUser, "Software\\Run", "Korvane"), "/opt/korvane");
    EXPECT_FALSE(fresh.ValueExists(kUser, "Software\\Korvane", "Period"));  // hives are apart

    // A value of the other type reads as missing.
    EXPECT_EQ(fresh.ReadString(kMachine, "Software\\Korvane", "Period"), std::nullopt);
    EXPECT_EQ(fresh.ReadDword(kMachine, "Software\\Korvane", "Path"), std::nullopt);

    const std::string text = dir.Read("HKEY_LOCAL_MACHINE.reg");
    EXPECT_TRUE(text.starts_with("REGEDIT4\n")) << text;
    EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\Software\\Korvane]\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Path\"=\"C:\\\\dir\\\\\\\"quoted\\\"\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Period\"=dword:0000000a\n"), std::string::npos) << text;
    EXPECT_NE(text.find("@=\"default\"\n"), std::string::npos) << text;
}

TEST(RegistryTest, PathsAndNamesIgnoreCaseAndKeepTheirFirstSpelling) {
    TempDir dir;
    Registry registry(dir.path());
    registry.WriteDword(kMachine, "Software\\Korvane\\Plugins\\Grouplink", "Activated", 1);
    registry.WriteString(kMachine, "SOFTWARE\\korvane\\PLUGINS\\grouplink", "IPAddressGroup", "G");
    registry.WriteDword(kMachine, "software\\KORVANE\\plugins\\GROUPLINK", "ACTIVATED", 0);

    EXPECT_EQ(registry.ReadDword(kMachine, "SOFTWARE\\Korvane\\Plugins\\Grouplink", "activated"),
              0u);
    EXPECT_TRUE(registry.KeyExists(kMachine, "\\software\\korvane\\"));
    EXPECT_EQ(registry.SubkeyNames(kMachine, "SOFTWARE\\KORVANE\\PLUGINS"),
              std::vector<std::string>{"Grouplink"});
    EXPECT_EQ(registry.ValueNames(kMachine, "software\\korvane\\plugins\\grouplink"),
              (std::vector<std::string>{"Activated", "IPAddressGroup"}));

    const std::string text = dir.Read("HKEY_LOCAL_MACHINE.reg");
    EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\Software\\Korvane\\Plugins\\Grouplink]\n"
                        "\"Activated\"=dword:00000000\n\"IPAddressGroup\"=\"G\"\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("SOFTWARE"), std::string::npos) << text;
}

TEST(RegistryTest, OpenKeyWithAndWithoutCreating) {
    TempDir dir;
    Registry registry(dir.path());
    EXPECT_FALSE(RegistryKey::Open(registry, kMachine, "Software\\Korvane", false));
    EXPECT_FALSE(std::filesystem::exists(registry.HiveFile(kMachine)));  // reads write nothing

    auto created = RegistryKey::Open(registry, kMachine, "Software\\Korvane", true);
    ASSERT_TRUE(created);
    EXPECT_TRUE(Registry(dir.path()).KeyExists(kMachine, "Software\\Korvane"));  // in the file
    created->WriteString("Version", "1.2b");

    auto opened = RegistryKey::Open(registry, kMachine, "software\\korvane", false);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->ReadString("VERSION"), "1.2b");
    EXPECT_TRUE(opened->DeleteValue("version"));
    EXPECT_FALSE(opened->DeleteValue("version"));
    EXPECT_FALSE(opened->ValueExists("Version"));
    EXPECT_TRUE(registry.KeyExists(kMachine, "Software\\Korvane"));  // the key stays
}

TEST(RegistryTest, DeleteKeyTreeRemovesTheKeyAndEverythingBelowOnly) {
    TempDir dir;
    Registry registry(dir.path());
    registry.WriteDword(kMachine, "A\\B\\C\\D", "x", 1);
    registry.WriteDword(kMachine, "A\\B", "y", 2);
    registry.WriteDword(kMachine, "A\\B2", "z", 3);
    registry.WriteDword(kMachine, "A\\B C", "w", 4);

    EXPECT_TRUE(registry.DeleteKeyTree(kMachine, "a\\b"));
    EXPECT_FALSE(registry.DeleteKeyTree(kMachine, "a\\b"));

    Registry fresh(dir.path());
    EXPECT_FALSE(fresh.KeyExists(kMachine, "A\\B"));
    EXPECT_FALSE(fresh.KeyExists(kMachine, "A\\B\\C"));
    EXPECT_FALSE(fresh.KeyExists(kMachine, "A\\B\\C\\D"));
    EXPECT_EQ(fresh.ReadDword(kMachine, "A\\B2", "z"), 3u);
    EXPECT_EQ(fresh.ReadDword(kMachine, "A\\B C", "w"), 4u);
    EXPECT_EQ(fresh.SubkeyNames(kMachine, "A"), (std::vector<std::string>{"B C", "B2"}));
}

TEST(RegistryTest, ReadsSeeWritesOfOtherInstancesAndWritesKeepThem) {
    TempDir dir;
    Registry host(dir.path());
    Registry plugin(dir.path());
    host.WriteDword(kMachine, "Software\\Korvane", "A", 1);
    EXPECT_EQ(plugin.ReadDword(kMachine, "Software\\Korvane", "A"), 1u);  // now cached

    host.WriteDword(kMachine, "Software\\Korvane", "A", 2);
    EXPECT_EQ(plugin.ReadDword(kMachine, "Software\\Korvane", "A"), 2u);

    // The plug-in's write goes onto the host's latest file, not onto its own older copy.
    host.WriteDword(kMachine, "Software\\Korvane", "B", 3);
    plugin.WriteDword(kMachine, "Software\\Korvane", "C", 4);
    Registry fresh(dir.path());
    EXPECT_EQ(fresh.ReadDword(kMachine, "Software\\Korvane", "A"), 2u);
    EXPECT_EQ(fresh.ReadDword(kMachine, "Software\\Korvane", "B"), 3u);
    EXPECT_EQ(fresh.ReadDword(kMachine, "Software\\Korvane", "C"), 4u);
}

TEST(RegistryTest, TwoProcessesWritingOneKeyAtOnceLoseNothing) {
    TempDir dir;
    constexpr int kWrites = 150;
    Registry(dir.path()).CreateKey(kMachine, "Software\\Korvane");

    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t children[2];
    for (int child = 0; child < 2; ++child) {
        children[child] = fork();
        ASSERT_GE(children[child], 0);
        if (children[child] == 0) {
            char go;
            close(ready[1]);
            if (read(ready[0], &go, 1) != 0) _exit(3);  // both start when the pipe closes
            Registry registry(dir.path());
            try {
                for (int i = 0; i < kWrites; ++i) {
                    const std::string n = std::to_string(i);
                    registry.WriteDword(kMachine, "Software\\Korvane",
                                        "P" + std::to_string(child) + "_" + n, i);
                    registry.WriteString(kMachine, "Software\\Korvane", "Shared",
                                         std::to_string(child));
                }
            } catch (...) {
                _exit(2);
            }
            _exit(0);
        }
    }
    close(ready[0]);
    close(ready[1]);
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }

    Registry registry(dir.path());
    for (int child = 0; child < 2; ++child)
        for (int i = 0; i < kWrites; ++i)
            EXPECT_EQ(registry.ReadDword(kMachine, "Software\\Korvane",
                                         "P" + std::to_string(child) + "_" + std::to_string(i)),
                      static_cast<std::uint32_t>(i));
    EXPECT_EQ(registry.ValueNames(kMachine, "Software\\Korvane").size(), 2u * kWrites + 1);
}

TEST(RegistryTest, ABatchOfTenThousandWritesRewritesTheFileOnce) {
    TempDir dir;
    Registry registry(dir.path());
    registry.WriteDword(kMachine, "Software\\Korvane", "Kept", 7);
    const std::string key =
        "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\PersistentRoutes";

    RewriteCounter rewrites(dir.path());
    RegistryBatch batch;
    for (int i = 0; i < 10000; ++i)
        batch.WriteString(key,
                          "10." + std::to_string(i / 256) + "." + std::to_string(i % 256) +
                              ".0,255.255.255.0,192.168.1.1,1",
                          "");
    registry.Apply(kMachine, batch);
    EXPECT_EQ(rewrites.Count(), 1);

    registry.Apply(kMachine, batch);  // nothing changes: no rewrite
    EXPECT_EQ(rewrites.Count(), 1);

    Registry fresh(dir.path());
    EXPECT_EQ(fresh.ValueNames(kMachine, key).size(), 10000u);
    EXPECT_TRUE(fresh.ValueExists(kMachine, key, "10.39.15.0,255.255.255.0,192.168.1.1,1"));
    EXPECT_EQ(fresh.ReadDword(kMachine, "Software\\Korvane", "Kept"), 7u);

    RegistryBatch removal;
    for (int i = 0; i < 10000; i += 2)
        removal.DeleteValue(key, "10." + std::to_string(i / 256) + "." + std::to_string(i % 256) +
                                     ".0,255.255.255.0,192.168.1.1,1");
    fresh.Apply(kMachine, removal);
    EXPECT_EQ(rewrites.Count(), 2);
    EXPECT_EQ(registry.ValueNames(kMachine, key).size(), 5000u);
}

TEST(RegistryTest, HandWrittenFilesWithEitherLineEndAreRead) {
    const std::string lines[] = {
        "REGEDIT4",
        "",
        "; a comment",
        "[HKEY_CURRENT_USER\\Software\\Korvane]",
        "@=\"default\"",
        "\"Count\"=DWORD:0000001F",
        "\"Note\" = \"a \\\"b\\\" c\"",
        "\"Memo\"=hex(1):61,0d,0a,\\",
        "  62,00",
        "",
        "[hkey_current_user\\Software\\Korvane\\Sub]",
    };
    for (const char* end : {"\n", "\r\n"}) {
        TempDir dir;
        std::string text;
        for (const std::string& line : lines) text += line + end;
        dir.Write("HKEY_CURRENT_USER.reg", text);
        Registry registry(dir.path());
        EXPECT_EQ(registry.ReadString(kUser, "Software\\Korvane", ""), "default");
        EXPECT_EQ(registry.ReadDword(kUser, "Software\\Korvane", "count"), 31u);
        EXPECT_EQ(registry.ReadString(kUser, "Software\\Korvane", "Note"), "a \"b\" c");
        EXPECT_EQ(registry.ReadString(kUser, "Software\\Korvane", "Memo"), "a\r\nb");
        EXPECT_TRUE(registry.KeyExists(kUser, "Software\\Korvane\\Sub"));
    }
}

TEST(RegistryTest, ACorruptHiveFileIsReportedWithItsLineAndKept) {
    struct Case {
        std::string text;
        int line;
    };
    const Case cases[] = {
        {"[HKEY_LOCAL_MACHINE\\Software]\n", 1},                          // no header
        {"REGEDIT4\n\n\"Orphan\"=\"x\"\n", 3},                            // value before a key
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software]\n\"A\"=\"open\n", 3},  // unclosed text
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software]\n\"A\"=dword:xyz\n", 3},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software]\n\"A\"=dword:123456789\n", 3},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software]\n\"A\"=hex:01,02\n", 3},
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\Software\n", 2},
        {"REGEDIT4\r\n[HKEY_CURRENT_USER\\Software]\r\n", 2},  // another hive's key
        {"REGEDIT4\n[HKEY_LOCAL_MACHINE\\A]\n\x01\xff\xfe junk\n", 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TempDir dir;
        const auto file = dir.Write("HKEY_LOCAL_MACHINE.reg", c.text);
        Registry registry(dir.path());
        const std::string where = "\"" + file.string() + "\", line " + std::to_string(c.line);
        try {
            registry.ReadString(kMachine, "Software", "A");
            ADD_FAILURE() << "no error";
        } catch (const RegistryError& e) {
            EXPECT_NE(std::string(e.what()).find(where), std::string::npos) << e.what();
        }
        EXPECT_THROW(registry.WriteDword(kMachine, "Software", "B", 1), RegistryError);
        EXPECT_THROW(RegistryKey::Open(registry, kMachine, "Software", true), RegistryError);
        EXPECT_EQ(dir.Read("HKEY_LOCAL_MACHINE.reg"), c.text);
    }
}

TEST(RegistryTest, AFailedBatchChangesNothing) {
    TempDir dir;
    Registry registry(dir.path());
    registry.WriteDword(kMachine, "Software\\Korvane", "A", 1);
    const std::string before = dir.Read("HKEY_LOCAL_MACHINE.reg");

    RegistryBatch batch;
    batch.WriteDword("Software\\Korvane", "A", 2);
    batch.WriteString("Software\\Korvane", "bad\nname", "x");  // no REGEDIT4 line can hold it
    EXPECT_THROW(registry.Apply(kMachine, batch), RegistryError);
    EXPECT_EQ(dir.Read("HKEY_LOCAL_MACHINE.reg"), before);
    EXPECT_EQ(registry.ReadDword(kMachine, "Software\\Korvane", "A"), 1u);
}

TEST(RegistryTest, AnUnwritableFolderGivesAClearError) {
    TempDir dir;
    const auto blocker = dir.Write("not-a-folder", "x");
    Registry registry(blocker / "registry");
    try {
        registry.WriteDword(kMachine, "Software", "A", 1);
        ADD_FAILURE() << "no error";
    } catch (const RegistryError& e) {
        EXPECT_NE(std::string(e.what()).find("HKEY_LOCAL_MACHINE.reg"), std::string::npos)
            << e.what();
    }
}

TEST(RegistryTest, FoldersComeFromTheEnvironment) {
    const auto hiveFolders = [] {
        const Registry registry = Registry::FromEnvironment();
        return std::make_pair(registry.HiveFile(kMachine), registry.HiveFile(kUser));
    };
    setenv("KORVANE_REGISTRY_DIR", "/tmp/reg", 1);
    EXPECT_EQ(hiveFolders(),
              std::make_pair(std::filesystem::path("/tmp/reg/HKEY_LOCAL_MACHINE.reg"),
                             std::filesystem::path("/tmp/reg/HKEY_CURRENT_USER.reg")));
    unsetenv("KORVANE_REGISTRY_DIR");
    setenv("XDG_CONFIG_HOME", "/tmp/config", 1);
    EXPECT_EQ(hiveFolders(),
              std::make_pair(std::filesystem::path("/var/lib/korvane/HKEY_LOCAL_MACHINE.reg"),
                             std::filesystem::path("/tmp/config/korvane/HKEY_CURRENT_USER.reg")));
    unsetenv("XDG_CONFIG_HOME");
    setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(hiveFolders().second,
              std::filesystem::path("/home/someone/.config/korvane/HKEY_CURRENT_USER.reg"));
}

}  // namespace
}  // namespace korvane::platform
