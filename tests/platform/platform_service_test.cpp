#include <gtest/gtest.h>

#include "platform/service.h"
#include "support/temp_dir.h"

namespace korvane::platform {
namespace {

using Calls = std::vector<std::vector<std::string>>;

// systemctl as a recorder: never the real one. `failOn` names a verb that fails.
struct FakeSystemctl {
    SystemctlRunner Runner() {
        return [this](const std::vector<std::string>& arguments) {
            calls.push_back(arguments);
            return arguments.front() == failOn ? 1 : 0;
        };
    }
    Calls calls;
    std::string failOn;
};

TEST(PlatformServiceTest, SwitchesAreWholeArgumentsWithAPrefixInAnyCase) {
    struct Case {
        std::vector<std::string> arguments;
        bool install, uninstall, silent;
    };
    const Case cases[] = {
        {{}, false, false, false},
        {{"-install"}, true, false, false},
        {{"/INSTALL", "-Silent"}, true, false, true},
        {{"\\uninstall"}, false, true, false},
        {{"install"}, false, false, false},
        {{"--install"}, false, false, false},
        {{"-installer"}, false, false, false},
        {{"-silent"}, false, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.empty() ? "" : c.arguments.front());
        ServiceSwitches switches = ParseServiceSwitches(c.arguments);
        EXPECT_EQ(switches.install, c.install);
        EXPECT_EQ(switches.uninstall, c.uninstall);
        EXPECT_EQ(switches.silent, c.silent);
    }
}

TEST(PlatformServiceTest, ServiceNameReplacesBlanks) {
    EXPECT_EQ(ServiceNameOf("Korvane"), "Korvane");
    EXPECT_EQ(ServiceNameOf("Korvane wall 2"), "Korvane_wall_2");
}

TEST(PlatformServiceTest, UnitStartsTheProgramAtBootAsRoot) {
    EXPECT_EQ(ServiceUnitText("Korvane", "/opt/korvane/korvane"),
              "[Unit]\n"
              "Description=Korvane\n"
              "After=network.target\n"
              "\n"
              "[Service]\n"
              "Type=simple\n"
              "ExecStart=/opt/korvane/korvane\n"
              "User=root\n"
              "Restart=no\n"
              "\n"
              "[Install]\n"
              "WantedBy=multi-user.target\n");
}

TEST(PlatformServiceTest, ProgramPathIsOneWordOfExecStart) {
    auto execStart = [](const std::string& program) {
        std::string text = ServiceUnitText("Korvane", program);
        auto begin = text.find("ExecStart=") + 10;
        return text.substr(begin, text.find('\n', begin) - begin);
    };
    EXPECT_EQ(execStart("/opt/my tools/korvane"), "\"/opt/my tools/korvane\"");
    EXPECT_EQ(execStart("/opt/100%/$HOME/korvane"), "/opt/100%%/$$HOME/korvane");
    EXPECT_EQ(execStart("/opt/a\"b\\c/korvane"), "\"/opt/a\\\"b\\\\c/korvane\"");
}

class ServiceInstallTest : public ::testing::Test {
  protected:
    std::filesystem::path folder() const { return dir / "systemd"; }
    SystemdService Service() { return SystemdService("Korvane", folder(), systemctl.Runner()); }

    test::TempDir dir;
    FakeSystemctl systemctl;
    ScriptedMessages messages;
};

TEST_F(ServiceInstallTest, InstallWritesTheUnitAndEnablesIt) {
    SystemdService service = Service();
    EXPECT_FALSE(service.Account());
    service.Install("/opt/korvane/korvane");
    EXPECT_EQ(service.UnitFile(), folder() / "Korvane.service");
    EXPECT_EQ(dir.Read("systemd/Korvane.service"),
              ServiceUnitText("Korvane", "/opt/korvane/korvane"));
    EXPECT_EQ(systemctl.calls, (Calls{{"daemon-reload"}, {"enable", "Korvane.service"}}));
    EXPECT_EQ(service.Account(), "root");
}

TEST_F(ServiceInstallTest, UninstallDisablesAndRemovesTheUnit) {
    SystemdService service = Service();
    service.Install("/opt/korvane/korvane");
    systemctl.calls.clear();
    service.Uninstall();
    EXPECT_FALSE(std::filesystem::exists(service.UnitFile()));
    EXPECT_EQ(systemctl.calls, (Calls{{"disable", "Korvane.service"}, {"daemon-reload"}}));
    EXPECT_FALSE(service.Account());
}

TEST_F(ServiceInstallTest, FailedEnableLeavesNoUnitBehind) {
    systemctl.failOn = "enable";
    SystemdService service = Service();
    EXPECT_THROW(service.Install("/opt/korvane/korvane"), ServiceError);
    EXPECT_FALSE(std::filesystem::exists(service.UnitFile()));
}

TEST_F(ServiceInstallTest, WithoutSystemctlOnlyTheUnitFileIsWritten) {
    SystemdService service("Korvane", folder(), {});
    service.Install("/opt/korvane/korvane");
    EXPECT_EQ(service.Account(), "root");
    service.Uninstall();
    EXPECT_FALSE(std::filesystem::exists(service.UnitFile()));
}

TEST_F(ServiceInstallTest, SwitchesReportTheirOutcome) {
    SystemdService service = Service();
    const std::string program = "/opt/korvane/korvane";
    EXPECT_FALSE(RunServiceSwitches({}, service, program, messages));
    EXPECT_TRUE(messages.shown.empty());

    EXPECT_TRUE(RunServiceSwitches({.install = true}, service, program, messages));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Service installed successfully");
    EXPECT_EQ(messages.shown[0].caption, "Korvane");

    // a second install fails: reported even when silent, the unit stays as it was
    EXPECT_TRUE(RunServiceSwitches({.install = true, .silent = true}, service, "/other", messages));
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(
        messages.shown[1].text.rfind("Service \"Korvane\" failed to install with error: \"", 0), 0u)
        << messages.shown[1].text;
    EXPECT_EQ(messages.shown[1].icon, MessageIcon::Error);
    EXPECT_EQ(dir.Read("systemd/Korvane.service"), ServiceUnitText("Korvane", program));

    EXPECT_TRUE(
        RunServiceSwitches({.uninstall = true, .silent = true}, service, program, messages));
    EXPECT_EQ(messages.shown.size(), 2u);
    EXPECT_FALSE(std::filesystem::exists(service.UnitFile()));

    EXPECT_TRUE(RunServiceSwitches({.uninstall = true}, service, program, messages));
    ASSERT_EQ(messages.shown.size(), 3u);
    EXPECT_EQ(
        messages.shown[2].text.rfind("Service \"Korvane\" failed to uninstall with error: \"", 0),
        0u)
        << messages.shown[2].text;
}

TEST_F(ServiceInstallTest, ServiceModeWhenSwitchedOrRunningAsTheServiceAccount) {
    SystemdService service = Service();
    EXPECT_TRUE(DetectServiceMode({.install = true}, service, "alice"));
    EXPECT_TRUE(DetectServiceMode({.uninstall = true}, service, "alice"));
    EXPECT_FALSE(DetectServiceMode({}, service, "root"));  // not installed

    service.Install("/opt/korvane/korvane");
    EXPECT_TRUE(DetectServiceMode({}, service, "root"));
    EXPECT_TRUE(DetectServiceMode({}, service, "ROOT"));
    EXPECT_FALSE(DetectServiceMode({}, service, "alice"));

    dir.Write("systemd/Korvane.service", "[Service]\nExecStart=/opt/korvane/korvane\nUser=alice\n");
    EXPECT_TRUE(DetectServiceMode({}, service, "alice"));
    EXPECT_FALSE(DetectServiceMode({}, service, "root"));
}

}  // namespace
}  // namespace korvane::platform
