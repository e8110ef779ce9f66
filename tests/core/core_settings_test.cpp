#include <gtest/gtest.h>

#include <variant>

#include "core_rig.h"
#include "lists/list_sources.h"
#include "platform/atomic_file.h"

namespace korvane::test {
namespace {

using platform::MessageAnswer;
using platform::RegistryValue;

RegistryValue Text(const std::string& text) { return RegistryValue(text); }
RegistryValue Number(std::uint32_t number) { return RegistryValue(number); }

TEST(CoreSettings, FirstStartWritesEveryDefaultAndAsksNothing) {
    CoreRig rig;
    ASSERT_TRUE(rig.Start());

    const std::vector<std::pair<std::string, RegistryValue>> expected = {
        {"Version", Text("1.2b")},
        {"GatewayAddress", Text("192.0.2.1")},
        {"ForeignGatewayAddress", Text("192.168.0.1")},
        {"TarvelListURL", Text(std::string(lists::kDefaultListURL))},
        {"UseVPN", Number(0)},
        {"LanMode", Number(0)},
        {"EnablePopupsOnUpdate", Number(1)},
        {"BlockByLoopback", Number(0)},
        {"Tarvel_Adapter", Text("eth0")},
        {"ActivateOnStartup", Number(0)},
        {"MonitorClipboard", Number(0)},
        {"UseStaticRoutes", Number(1)},
        {"DontDeleteStaticRoutes", Number(0)},
        {"EnableBalloons", Number(0)},
        {"BalloonsShowTime", Number(15)},
        {"RoundTimeRefresh", Number(0)},
        {"ListAutoRefresh", Number(1)},
        {"TrayDoubleClick", Number(0)},
        {"EnableWhiteList", Number(0)},
        {"MonitorDefaultGateway", Number(1)},
        {"MonitorDefaultGatewayPeriod", Number(10)},
        {"DisableAutorefreshOnErrors", Number(1)},
        {"ConnectTriesBeforeStop", Number(10)},
    };
    for (const auto& [name, value] : expected) {
        EXPECT_EQ(rig.Value(name), value) << name;
    }
    for (const char* absent : {"Loopback_Adapter", "VPNServer", "VPNServerAddress", "Password"}) {
        EXPECT_FALSE(rig.Value(absent)) << absent;
    }
    EXPECT_TRUE(rig.messages.shown.empty()) << rig.messages.shown.front().text;
    EXPECT_FALSE(
        rig.registry.ValueExists(platform::Hive::CurrentUser, core::kRunKey, core::kRunValue));

    const core::Controls& controls = rig.core->controls();
    EXPECT_EQ(controls.LabelVersion, "1.2b");
    EXPECT_FALSE(controls.CheckBoxAutorun);
    EXPECT_FALSE(controls.CheckBoxPassword);
    EXPECT_EQ(controls.ComboBoxRefreshList, 1);
    EXPECT_EQ(controls.comboAdapters.itemIndex, 0);
    EXPECT_EQ(rig.core->wallState().ExchangeAdapterName, "eth0");
    EXPECT_EQ(rig.balloonTimer.Interval(), 15000);
    EXPECT_EQ(rig.renewTimer.Interval(), 10000);
    EXPECT_TRUE(rig.renewTimer.Enabled());
    EXPECT_EQ(rig.shell.firstPageSelections, 1);
    EXPECT_FALSE(rig.refreshTimer.Enabled() && rig.refreshTimer.Interval() == 10);
}

struct OldVersionCase {
    const char* name;
    std::optional<std::string> version;  // nothing: the value is missing
    bool asked;
};

class CoreOldVersion : public ::testing::TestWithParam<OldVersionCase> {};

TEST_P(CoreOldVersion, AskedExactlyForVersionsBelow098) {
    CoreRig rig;
    rig.Put("GatewayAddress", "10.20.30.1");
    if (GetParam().version) rig.Put("Version", *GetParam().version);
    rig.messages.answers = {MessageAnswer::No};

    ASSERT_TRUE(rig.Start());
    const bool asked = !rig.messages.shown.empty() &&
                       rig.messages.shown.front().caption == "Найдена старая версия Korvane";
    EXPECT_EQ(asked, GetParam().asked);
    EXPECT_EQ(rig.Value("Version"), Text("1.2b"));
    EXPECT_EQ(rig.Value("GatewayAddress"), Text("10.20.30.1"));
    EXPECT_EQ(rig.shell.firstPageSelections, asked ? 0 : 1);

    // The question does not come back.
    rig.messages.shown.clear();
    ASSERT_TRUE(rig.Start());
    EXPECT_TRUE(rig.messages.shown.empty());
}

INSTANTIATE_TEST_SUITE_P(Versions, CoreOldVersion,
                         ::testing::Values(OldVersionCase{"v097b", "0.97b", true},
                                           OldVersionCase{"missing", {}, true},
                                           OldVersionCase{"v098", "0.98", false},
                                           OldVersionCase{"v12b", "1.2b", false},
                                           OldVersionCase{"v10", "1.0", false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CoreSettings, OldVersionAnsweredYesDeletesTheKeyAndEnds) {
    CoreRig rig;
    rig.Put("Version", "0.97");
    rig.registry.WriteDword(platform::Hive::LocalMachine, "Software\\Korvane\\Plugins\\X",
                            "Activated", 1);
    rig.messages.answers = {MessageAnswer::Yes};

    EXPECT_FALSE(rig.Start());
    EXPECT_EQ(rig.shell.programEnds, 1);
    EXPECT_FALSE(rig.registry.KeyExists(platform::Hive::LocalMachine, core::kSettingsKey));
    const auto& question = rig.messages.shown.front();
    EXPECT_EQ(question.buttons, platform::MessageButtons::YesNo);
    EXPECT_EQ(question.icon, platform::MessageIcon::None);
    EXPECT_FALSE(rig.renewTimer.Enabled());
}

TEST(CoreSettings, InvalidGatewayEndsTheProgramWithoutRepairingIt) {
    CoreRig rig;
    rig.Put("Version", "1.2b");
    rig.Put("GatewayAddress", "10.20.30");

    EXPECT_FALSE(rig.Start());
    EXPECT_EQ(rig.shell.programEnds, 1);
    ASSERT_EQ(rig.messages.shown.size(), 1u);
    EXPECT_EQ(rig.messages.shown[0].caption, "Ошибка");
    EXPECT_EQ(rig.messages.shown[0].text,
              "Основной шлюз имеет неверный формат (процесс настройки шлюза описан в "
              "документации)\n\nПрограмма будет завершена.");
    EXPECT_EQ(rig.Value("GatewayAddress"), Text("10.20.30"));
}

struct BlockingCase {
    const char* name;
    std::uint32_t stored;
    const char* secondAdapter;  // "Loopback_Adapter", or nullptr
    std::uint32_t kept;
    bool blackListTab;
};

class CoreBlockingMethod : public ::testing::TestWithParam<BlockingCase> {};

TEST_P(CoreBlockingMethod, RewrittenToZeroWithoutASecondAdapterBelowThree) {
    CoreRig rig;
    rig.Put("Version", "1.2b");
    rig.Put("BlockByLoopback", GetParam().stored);
    if (GetParam().secondAdapter) rig.Put("Loopback_Adapter", GetParam().secondAdapter);

    ASSERT_TRUE(rig.Start());
    EXPECT_EQ(rig.Value("BlockByLoopback"), Number(GetParam().kept));
    const core::Controls& controls = rig.core->controls();
    EXPECT_EQ(controls.comboBlockByLoopback.itemIndex, static_cast<int>(GetParam().kept));
    EXPECT_EQ(controls.blackListTabVisible, GetParam().blackListTab);
    EXPECT_EQ(controls.comboLoopbackAdapter.enabled, GetParam().kept > 0);
}

INSTANTIATE_TEST_SUITE_P(
    Methods, CoreBlockingMethod,
    ::testing::Values(BlockingCase{"twoWithoutAdapter", 2, nullptr, 0, false},
                      BlockingCase{"twoWithUnknownAdapter", 2, "eth9", 0, false},
                      BlockingCase{"oneWithoutAdapter", 1, nullptr, 0, false},
                      BlockingCase{"twoWithAdapter", 2, "eth1", 2, true},
                      BlockingCase{"threeWithoutAdapter", 3, nullptr, 3, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CoreSettings, OutOfRangeNumbersShowAsTheSpinEditsBoundsAndAreSavedSo) {
    CoreRig rig;
    rig.Put("Version", "1.2b");
    rig.Put("BalloonsShowTime", 40u);
    rig.Put("MonitorDefaultGatewayPeriod", 0u);
    rig.Put("ConnectTriesBeforeStop", 1000u);
    rig.Put("TrayDoubleClick", 7u);

    ASSERT_TRUE(rig.Start());
    const core::Controls& controls = rig.core->controls();
    EXPECT_EQ(controls.EditBaloonShowTime, 15);
    EXPECT_EQ(rig.balloonTimer.Interval(), 15000);
    EXPECT_EQ(controls.editRenewPeriod, 1);
    EXPECT_EQ(rig.renewTimer.Interval(), 1000);
    EXPECT_EQ(controls.EditRefreshTries, 255);
    EXPECT_EQ(controls.ComboBoxTrayDoubleClick, -1);

    rig.core->SaveSettings();
    EXPECT_EQ(rig.Value("BalloonsShowTime"), Number(15));
    EXPECT_EQ(rig.Value("MonitorDefaultGatewayPeriod"), Number(1));
    EXPECT_EQ(rig.Value("ConnectTriesBeforeStop"), Number(255));
}

TEST(CoreSettings, EmptyStoredPasswordTicksTheBoxButNeverPromptsAndIsDeletedOnSave) {
    CoreRig rig;
    rig.Put("Version", "1.2b");
    rig.Put("Password", "");

    ASSERT_TRUE(rig.Start());
    EXPECT_TRUE(rig.core->controls().CheckBoxPassword);
    EXPECT_EQ(rig.core->PasswordDigest(), "");
    rig.core->RunMenuCommand(routing::TrayMenuItem::Settings);
    EXPECT_EQ(rig.shell.passwordPrompts, 0);
    EXPECT_TRUE(rig.shell.visible);

    rig.core->SaveSettings();
    EXPECT_FALSE(rig.Value("Password"));
}

TEST(CoreSettings, ChangingTheListUrlResetsTheFailureCountOnSave) {
    CoreRig rig;
    ASSERT_TRUE(rig.Start());
    lists::ListUpdater& updater = rig.core->listUpdater();
    updater.ListUpdateFailed(lists::kReasonNoConnection);
    updater.ListUpdateFailed(lists::kReasonNoConnection);
    ASSERT_EQ(updater.FailedTries(), 2);

    rig.core->SaveSettings();
    EXPECT_EQ(updater.FailedTries(), 2);

    const std::string other(lists::kListSourcePresets[1]);
    rig.core->controls().ComboBoxTarvelListURL.text = other;
    rig.core->SaveSettings();
    EXPECT_EQ(updater.FailedTries(), 0);
    EXPECT_EQ(updater.CurrentListURL(), other);
    EXPECT_EQ(rig.Value("TarvelListURL"), Text(other));
}

TEST(CoreSettings, SavedControlsComeBackAtTheNextStart) {
    CoreRig rig;
    ASSERT_TRUE(rig.Start());
    core::Controls& controls = rig.core->controls();
    controls.CheckBoxAutoLock = true;
    controls.ComboBoxRefreshList = 3;
    controls.ComboBoxTrayDoubleClick = 2;
    controls.CheckBoxClipboardMonitor = true;
    controls.CheckBoxEnableBalloons = true;
    controls.EditBaloonShowTime = 7;
    controls.checkBoxLanMode = true;
    controls.editGateway = "10.20.30.1";
    controls.comboLoopbackAdapter.itemIndex = 1;
    controls.comboBlockByLoopback.itemIndex = 2;
    controls.CheckBoxTries = false;
    controls.EditRefreshTries = 4;
    controls.MemoWhiteList = {"8.8.8.8"};
    rig.core->ButtonApplyClick();
    EXPECT_EQ(rig.balloonTimer.Interval(), 7000);

    ASSERT_TRUE(rig.Start());
    const core::Controls& loaded = rig.core->controls();
    EXPECT_TRUE(loaded.CheckBoxAutoLock);
    EXPECT_EQ(loaded.ComboBoxRefreshList, 3);
    EXPECT_EQ(loaded.ComboBoxTrayDoubleClick, 2);
    EXPECT_TRUE(loaded.CheckBoxClipboardMonitor);
    EXPECT_TRUE(loaded.CheckBoxEnableBalloons);
    EXPECT_EQ(loaded.EditBaloonShowTime, 7);
    EXPECT_TRUE(loaded.checkBoxLanMode);
    EXPECT_EQ(loaded.editGateway, "10.20.30.1");
    EXPECT_EQ(loaded.comboBlockByLoopback.itemIndex, 2);
    EXPECT_EQ(rig.core->wallState().SecondAdapterName, "eth1");
    EXPECT_FALSE(loaded.CheckBoxTries);
    EXPECT_EQ(loaded.EditRefreshTries, 4);
    EXPECT_EQ(loaded.MemoWhiteList, std::vector<std::string>{"8.8.8.8"});
    // "Активировать стену при запуске": Activate is marked and the start-up tick is armed.
    EXPECT_TRUE(rig.Activated());
    EXPECT_TRUE(rig.refreshTimer.Enabled());
    EXPECT_EQ(rig.refreshTimer.Interval(), 10);
}

TEST(CoreSettings, ApplyRefusesAnEmptyOrMalformedGatewayAndSavesNothing) {
    for (const char* gateway : {"", "10.20.30.300"}) {
        CoreRig rig;
        ASSERT_TRUE(rig.Start());
        rig.core->controls().CheckBoxAutoLock = true;
        rig.core->controls().editGateway = gateway;
        rig.core->ButtonApplyClick();
        ASSERT_EQ(rig.messages.shown.size(), 1u) << gateway;
        EXPECT_EQ(rig.Value("ActivateOnStartup"), Number(0)) << gateway;
        rig.core->ButtonOKClick();
        EXPECT_EQ(rig.Value("ActivateOnStartup"), Number(0)) << gateway;
    }
    CoreRig rig;
    ASSERT_TRUE(rig.Start());
    rig.core->controls().editGateway = "";
    rig.core->ButtonApplyClick();
    EXPECT_EQ(rig.MessageTexts(), std::vector<std::string>{"Не введен шлюз по умолчанию"});
}

TEST(CoreSettings, ApplyReappliesAnActivatedWall) {
    CoreRig rig;
    rig.Put("GatewayAddress", "10.20.30.1");
    rig.Put("Version", "1.2b");
    rig.WriteSubnetList();
    ASSERT_TRUE(rig.Start());
    rig.core->RunMenuCommand(routing::TrayMenuItem::Activate);
    ASSERT_TRUE(rig.Activated());
    rig.core->controls().MemoWhiteList = {"203.0.113.7"};
    rig.core->controls().CheckBoxUseWhiteList = true;
    rig.core->ButtonApplyClick();
    const auto rows = rig.ipHelper.RouteTexts();
    EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [](const std::string& row) {
        return row.starts_with("203.0.113.7/255.255.255.255 via 10.20.30.1");
    }));
}

TEST(CoreSettings, OkAfterAnAdapterChoiceSavesAndEndsWithTheWallUntouched) {
    CoreRig rig;
    ASSERT_TRUE(rig.Start());
    const auto rowsBefore = rig.ipHelper.RouteTexts();
    rig.shell.visible = true;
    rig.core->controls().comboAdapters.itemIndex = 1;
    rig.core->comboAdaptersSelect();

    rig.core->ButtonApplyClick();
    EXPECT_EQ(rig.Value("Tarvel_Adapter"), Text("eth1"));
    EXPECT_EQ(rig.shell.programEnds, 0);

    rig.core->ButtonOKClick();
    EXPECT_EQ(rig.MessageTexts().back(), "Вам необходимо перезапустить korvane");
    EXPECT_EQ(rig.shell.programEnds, 1);
    EXPECT_EQ(rig.ipHelper.RouteTexts(), rowsBefore);
}

TEST(CoreSettings, OkWithoutRestartAppliesAndHidesTheWindow) {
    CoreRig rig;
    ASSERT_TRUE(rig.Start());
    rig.shell.visible = true;
    rig.core->controls().ComboBoxTrayDoubleClick = 3;
    rig.core->ButtonOKClick();
    EXPECT_FALSE(rig.shell.visible);
    EXPECT_EQ(rig.Value("TrayDoubleClick"), Number(3));
    EXPECT_EQ(rig.shell.programEnds, 0);
}

TEST(CoreSettings, AutostartEntryFollowsTheBoxOutsideServiceMode) {
    CoreRig rig;
    ASSERT_TRUE(rig.Start());
    rig.core->controls().CheckBoxAutorun = true;
    rig.core->SaveSettings();
    EXPECT_EQ(rig.registry.ReadString(platform::Hive::CurrentUser, core::kRunKey, "Korvane"),
              (rig.dir.path() / "program/korvane").string());
    ASSERT_TRUE(rig.Start());
    EXPECT_TRUE(rig.core->controls().CheckBoxAutorun);

    rig.core->controls().CheckBoxAutorun = false;
    rig.core->SaveSettings();
    EXPECT_FALSE(rig.registry.ValueExists(platform::Hive::CurrentUser, core::kRunKey, "Korvane"));

    rig.serviceMode = true;
    rig.registry.WriteString(platform::Hive::CurrentUser, core::kRunKey, "Korvane", "x");
    ASSERT_TRUE(rig.Start());
    EXPECT_TRUE(rig.core->controls().CheckBoxAutorun);
    EXPECT_FALSE(rig.core->controls().CheckBoxAutorunEnabled);
    rig.core->SaveSettings();
    EXPECT_FALSE(rig.registry.ValueExists(platform::Hive::CurrentUser, core::kRunKey, "Korvane"));
}

TEST(CoreSettings, AutostartEntryFileWhenTheProgramNamesOne) {
    CoreRig rig;
    rig.autostartEntry = rig.dir.path() / "autostart/korvane.desktop";
    ASSERT_TRUE(rig.Start());
    EXPECT_FALSE(rig.core->controls().CheckBoxAutorun);
    rig.core->controls().CheckBoxAutorun = true;
    rig.core->SaveSettings();
    ASSERT_TRUE(std::filesystem::exists(rig.autostartEntry));
    EXPECT_NE(platform::ReadWholeFile(rig.autostartEntry)
                  .find((rig.dir.path() / "program/korvane").string()),
              std::string::npos);
    EXPECT_FALSE(rig.registry.ValueExists(platform::Hive::CurrentUser, core::kRunKey, "Korvane"));

    ASSERT_TRUE(rig.Start());
    EXPECT_TRUE(rig.core->controls().CheckBoxAutorun);
    rig.core->controls().CheckBoxAutorun = false;
    rig.core->SaveSettings();
    EXPECT_FALSE(std::filesystem::exists(rig.autostartEntry));
}

TEST(CoreSettings, NoAdapterAtFirstStartIsReportedAndLeavesNoExchangeAdapter) {
    CoreRig rig("");
    ASSERT_TRUE(rig.Start());
    const auto texts = rig.MessageTexts();
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Ни одного адаптера не найдено"), texts.end());
    EXPECT_FALSE(rig.Value("Tarvel_Adapter"));
    EXPECT_TRUE(rig.core->trayStatus().ActivationImpossible());
}

TEST(CoreSettings, UnreadableSettingsHiveLeavesInitialStatesAndStillRuns) {
    CoreRig rig;
    rig.dir.Write("registry/HKEY_LOCAL_MACHINE.reg", "not a registry file\n");
    ASSERT_TRUE(rig.Start());
    EXPECT_EQ(rig.core->controls().editGateway, "255.255.255.255");
    EXPECT_EQ(rig.core->controls().EditBaloonShowTime, 10);
}

TEST(CoreSettings, VpnServerResolvesAtStartFallsBackToTheStoredAddressAndSavesBoth) {
    CoreRig rig;
    rig.Put("Version", "1.2b");
    rig.Put("UseVPN", 1u);
    rig.Put("VPNServer", "vpn.test");
    rig.Put("VPNServerAddress", "198.51.100.9");
    rig.resolver.addresses["vpn.test"] = "198.51.100.7";
    ASSERT_TRUE(rig.Start());
    EXPECT_EQ(rig.core->wallState().VpnServerAddress, "198.51.100.7");
    EXPECT_TRUE(rig.core->controls().comboVPNServer.enabled);

    rig.resolver.addresses.clear();
    ASSERT_TRUE(rig.Start());
    EXPECT_EQ(rig.core->wallState().VpnServerAddress, "198.51.100.9");
    EXPECT_TRUE(rig.core->wallState().UseVpn);

    rig.core->controls().comboVPNServer.text = "other.test";
    rig.resolver.addresses["other.test"] = "198.51.100.8";
    rig.core->SaveSettings();
    EXPECT_EQ(rig.Value("VPNServer"), Text("other.test"));
    EXPECT_EQ(rig.Value("VPNServerAddress"), Text("198.51.100.8"));

    // Neither the name nor a stored address: VPN mode is switched off and its controls too.
    rig.Put("VPNServerAddress", "");
    rig.resolver.addresses.clear();
    ASSERT_TRUE(rig.Start());
    EXPECT_FALSE(rig.core->controls().checkUseVPN);
    EXPECT_FALSE(rig.core->controls().comboVPNServer.enabled);
    EXPECT_FALSE(rig.core->controls().btnCheckVPNServerEnabled);
}

TEST(CoreSettings, FailingAdapterEnumerationAtStartIsShownAndTheProgramRunsOn) {
    CoreRig rig;
    rig.Put("Version", "1.2b");
    rig.Put("Tarvel_Adapter", "eth0");
    rig.ipHelper.FailNext(platform::SimOperation::GetAdaptersInfo, 31);
    ASSERT_TRUE(rig.Start());
    ASSERT_FALSE(rig.messages.shown.empty());
    EXPECT_EQ(rig.messages.shown.front().caption, "Ошибка");
    EXPECT_EQ(rig.core->wallState().Adapters.Count(), 0u);
    EXPECT_TRUE(rig.core->trayStatus().ActivationImpossible());
    EXPECT_TRUE(rig.renewTimer.Enabled());
}

}  // namespace
}  // namespace korvane::test
