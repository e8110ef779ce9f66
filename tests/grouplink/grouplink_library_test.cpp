// The real Grouplink.so, loaded the way the host loads it: headless, once per call.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <functional>
#include <regex>

#include "platform/registry.h"
#include "plugins/korvane_plugin.h"
#include "support/temp_dir.h"

namespace korvane::grouplink {
namespace {

namespace fs = std::filesystem;
using platform::Hive;

class GrouplinkLibraryTest : public testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(dir_ / "bin");
        fs::copy_file(fs::path(KORVANE_PROGRAM_DIR) / "Grouplink.so", dir_ / "bin/Grouplink.so");
        dir_.Write("bin/Lists/tarvel-list.lst", "10.0.0.0/24\r\n10.0.1.0/24\r\n");
        setenv("KORVANE_REGISTRY_DIR", (dir_ / "registry").c_str(), 1);
    }

    void Configure(const std::string& group) {
        platform::Registry registry(dir_ / "registry");
        registry.WriteString(Hive::LocalMachine, "Software\\Korvane\\Plugins\\Grouplink",
                             "OutIPListFName", (dir_ / "set.tmf").string());
        registry.WriteString(Hive::LocalMachine, "Software\\Korvane\\Plugins\\Grouplink",
                             "IPAddressGroup", group);
    }

    // Loads the library, looks the entry point up, calls it and frees the library again.
    template <typename Function, typename... Args>
    auto Call(const std::string& file, const char* entry, Args... args) {
        void* library = dlopen((dir_ / "bin" / file).c_str(), RTLD_NOW | RTLD_LOCAL);
        EXPECT_NE(library, nullptr) << dlerror();
        auto* function = reinterpret_cast<Function*>(dlsym(library, entry));
        EXPECT_NE(function, nullptr) << entry;
        auto result = function(args...);
        using Result = decltype(result);
        if constexpr (std::is_same_v<Result, const char*>) {
            std::string copy = result ? result : "(null)";
            dlclose(library);
            return copy;
        } else {
            dlclose(library);
            return result;
        }
    }
    std::string Text(const char* entry, const std::string& file = "Grouplink.so") {
        return Call<const char*()>(file, entry);
    }

    test::TempDir dir_;
};

TEST_F(GrouplinkLibraryTest, DescribesItself) {
    EXPECT_EQ(Text("GetName"), "Grouplink");
    EXPECT_EQ(Text("GetVersion"), "1, 5, 0, 0");
    EXPECT_NE(Text("GetDescription").find("\"A specific IP Address Group\""), std::string::npos);
    EXPECT_NE(Text("GetAuthor").find("Copyright"), std::string::npos);
    EXPECT_TRUE(std::regex_match(
        Text("GetDateTime"),
        std::regex("[A-Z][a-z]{2} [1-9][0-9]? [0-9]{4} [0-9]{2}:[0-9]{2}:[0-9]{2}")))
        << Text("GetDateTime");
}

TEST_F(GrouplinkLibraryTest, BothSwitchesUpdateAlikeAndSettingsAreReadAtEveryLoad) {
    dir_.Write("set.tmf", "<TrafficMonitor>\r\n</TrafficMonitor>");
    Configure("First");
    EXPECT_EQ((Call<int32_t(uint8_t, const char*)>("Grouplink.so", "TurnWorldOff", uint8_t{1}, "")),
              1);
    const std::string afterOff = dir_.Read("set.tmf");
    EXPECT_NE(afterOff.find("<Descr>First</Descr>\r\n\t\t<Addr>10.0.0.0,10.0.1.255</Addr>"),
              std::string::npos)
        << afterOff;
    EXPECT_EQ((Call<int32_t(uint8_t, const char*)>("Grouplink.so", "TurnWorldOn", uint8_t{0},
                                                   static_cast<const char*>(nullptr))),
              1);
    EXPECT_EQ(dir_.Read("set.tmf"), afterOff);
    EXPECT_EQ(dir_.Read("set.reload"), afterOff);

    Configure("Second");
    EXPECT_EQ(
        (Call<int32_t(uint8_t, const char*)>("Grouplink.so", "TurnWorldOn", uint8_t{1}, "1.2.3.4")),
        1);
    EXPECT_NE(dir_.Read("set.tmf").find("<Descr>Second</Descr>"), std::string::npos);
}

TEST_F(GrouplinkLibraryTest, CopyUnderAnotherNameHasItsOwnKeyAndDefaults) {
    fs::copy_file(dir_ / "bin/Grouplink.so", dir_ / "bin/Copy.so");
    Configure("First");
    EXPECT_EQ(Text("GetName", "Copy.so"), "Copy");
    testing::internal::CaptureStderr();
    EXPECT_EQ((Call<int32_t(uint8_t, const char*)>("Copy.so", "TurnWorldOff", uint8_t{1}, "")), 0);
    const std::string shown = testing::internal::GetCapturedStderr();
    EXPECT_NE(shown.find("Copy: Cannot open \"/opt/TMeter/FilterSets/default.tmf\""),
              std::string::npos)
        << shown;
}

TEST_F(GrouplinkLibraryTest, WithoutADisplayMessagesGoToStandardError) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(Call<int32_t()>("Grouplink.so", "Config"), 1);
    EXPECT_EQ(Call<int32_t()>("Grouplink.so", "Help"), 1);
    const std::string shown = testing::internal::GetCapturedStderr();
    EXPECT_NE(shown.find("Grouplink Config... needs a display"), std::string::npos) << shown;
    EXPECT_NE(shown.find("Grouplink: No Help available et!"), std::string::npos) << shown;
    EXPECT_FALSE(fs::exists(dir_ / "registry/HKEY_LOCAL_MACHINE.reg"));  // Config saved nothing
}

}  // namespace
}  // namespace korvane::grouplink
