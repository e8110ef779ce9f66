#include <gtest/gtest.h>

#include <algorithm>

#include "core/password.h"
#include "core_rig.h"
#include "lists/list_sources.h"

namespace korvane::test {
namespace {

using platform::MessageAnswer;
using routing::TrayMenuItem;

// A started core over the sim network with the real gateway and a one-line subnet list.
class CoreCommands : public ::testing::Test {
  protected:
    void SetUp() override {
        rig.Put("Version", "1.2b");
        rig.Put("GatewayAddress", "10.20.30.1");
        rig.Put("EnableBalloons", 1u);
        rig.WriteSubnetList();
        ASSERT_TRUE(rig.Start());
        rig.messages.shown.clear();
    }
    core::KorvaneCore& core() { return *rig.core; }
    void SetPassword(const std::string& password) {
        core().controls().CheckBoxPassword = true;
        rig.shell.newPasswords = {password};
        core().CheckBoxPasswordClick();
    }
    bool HasRow(const std::string& prefix) const {
        const auto rows = rig.ipHelper.RouteTexts();
        return std::any_of(rows.begin(), rows.end(),
                           [&](const std::string& row) { return row.starts_with(prefix); });
    }
    bool ExchangeDefaultRoute() const { return HasRow("0.0.0.0/0.0.0.0 via 10.20.30.1"); }

    CoreRig rig;
};

TEST(CorePassword, DigestIsUpperCaseMd5OfTheBytes) {
    EXPECT_EQ(core::PasswordDigestText(""), "D41D8CD98F00B204E9800998ECF8427E");
    EXPECT_EQ(core::PasswordDigestText("abc"), "900150983CD24FB0D6963F7D28E17F72");
    EXPECT_NE(core::PasswordDigestText("Abc"), core::PasswordDigestText("abc"));
}

TEST(CorePassword, NewPasswordDialogChecksBothEdits) {
    platform::ScriptedMessages messages;
    EXPECT_EQ(core::CheckNewPassword("a", "b", messages), core::NewPasswordResult::Mismatch);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Пароли не совпадают");
    EXPECT_EQ(messages.shown[0].caption, "Ошибка");
    EXPECT_EQ(core::CheckNewPassword("", "", messages), core::NewPasswordResult::Cancelled);
    EXPECT_EQ(core::CheckNewPassword("x", "x", messages), core::NewPasswordResult::Accepted);
    EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(CoreCommands, PasswordBoxSetsKeepsAndRemovesTheDigest) {
    core().controls().CheckBoxPassword = true;  // ticked, dialog cancelled
    core().CheckBoxPasswordClick();
    EXPECT_FALSE(core().controls().CheckBoxPassword);
    EXPECT_EQ(core().PasswordDigest(), "");
    EXPECT_EQ(rig.shell.newPasswordDialogs, 1);

    SetPassword("secret");
    EXPECT_TRUE(core().controls().CheckBoxPassword);
    EXPECT_EQ(core().PasswordDigest(), core::PasswordDigestText("secret"));
    core().SaveSettings();
    EXPECT_EQ(rig.Value("Password"), platform::RegistryValue(core::PasswordDigestText("secret")));

    core().controls().CheckBoxPassword = false;  // unticked, answered No
    rig.messages.answers = {MessageAnswer::No};
    core().CheckBoxPasswordClick();
    EXPECT_TRUE(core().controls().CheckBoxPassword);
    EXPECT_EQ(core().PasswordDigest(), core::PasswordDigestText("secret"));
    EXPECT_EQ(rig.messages.shown.back().caption, "Сброс пароля");
    EXPECT_EQ(rig.messages.shown.back().defaultButton, MessageAnswer::No);
    EXPECT_EQ(rig.shell.newPasswordDialogs, 2);

    core().controls().CheckBoxPassword = false;  // unticked, answered Yes
    rig.messages.answers = {MessageAnswer::Yes};
    core().CheckBoxPasswordClick();
    EXPECT_EQ(core().PasswordDigest(), "");
    core().SaveSettings();
    EXPECT_FALSE(rig.Value("Password"));
}

TEST_F(CoreCommands, DeactivationAsksThePasswordActivationNever) {
    SetPassword("secret");
    core().RunMenuCommand(TrayMenuItem::Activate);
    EXPECT_EQ(rig.shell.passwordPrompts, 0);
    ASSERT_TRUE(rig.Activated());
    EXPECT_FALSE(ExchangeDefaultRoute());

    rig.shell.typedPasswords = {"Secret"};
    core().RunMenuCommand(TrayMenuItem::Deactivate);
    EXPECT_TRUE(rig.Activated());
    rig.shell.typedPasswords = {std::nullopt};
    core().RunMenuCommand(TrayMenuItem::Deactivate);
    EXPECT_TRUE(rig.Activated());

    rig.shell.typedPasswords = {"secret"};
    core().RunMenuCommand(TrayMenuItem::Deactivate);
    EXPECT_FALSE(rig.Activated());
    EXPECT_TRUE(ExchangeDefaultRoute());
    EXPECT_EQ(rig.shell.passwordPrompts, 3);
    EXPECT_EQ(rig.tray.balloons.back().title, "Korvane (деактивирована)");
}

TEST_F(CoreCommands, SettingsCommandShowsTheFirstPageBehindThePassword) {
    SetPassword("secret");
    const int selections = rig.shell.firstPageSelections;
    rig.shell.typedPasswords = {"wrong"};
    core().RunMenuCommand(TrayMenuItem::Settings);
    EXPECT_FALSE(rig.shell.visible);
    rig.shell.typedPasswords = {"secret"};
    core().RunMenuCommand(TrayMenuItem::Settings);
    EXPECT_TRUE(rig.shell.visible);
    EXPECT_EQ(rig.shell.firstPageSelections, selections + 1);
}

TEST_F(CoreCommands, DisabledItemsIgnoreEveryWayIn) {
    rig.tray.SetEnabled(TrayMenuItem::Activate, false);
    core().RunMenuCommand(TrayMenuItem::Activate);
    core().controls().ComboBoxTrayDoubleClick = 3;
    core().TrayIconDblClick();
    EXPECT_EQ(core().HandleControlMessage(core::kRequestActivate),
              (core::ControlAnswer{core::kAnswerActivated, 0}));
    EXPECT_FALSE(rig.Activated());
    EXPECT_TRUE(rig.tray.balloons.empty());
    EXPECT_EQ(core().log().Lines().back(), "Активация по запросу внешнего приложения");
    // Not selected: the selection stays where it was.
    EXPECT_NE(core().log().SelectedIndex(), static_cast<int>(core().log().Lines().size()) - 1);
}

TEST_F(CoreCommands, ActivationWithAnImpossibleWallOnlyShowsTheBalloon) {
    rig.ipHelper.RemoveAdapter(2);
    rig.renewTimer.Fire();  // the monitor sees the exchange adapter gone
    ASSERT_TRUE(core().trayStatus().ActivationImpossible());
    rig.tray.balloons.clear();
    core().ActivateClick();
    ASSERT_EQ(rig.tray.balloons.size(), 1u);
    EXPECT_EQ(rig.tray.balloons[0].title, "Korvane (активирована)");
}

TEST_F(CoreCommands, DoubleClickActions) {
    core::Controls& controls = core().controls();
    controls.ComboBoxTrayDoubleClick = 0;
    core().TrayIconDblClick();
    controls.ComboBoxTrayDoubleClick = -1;
    core().TrayIconDblClick();
    EXPECT_FALSE(rig.shell.visible);
    EXPECT_FALSE(core().checkAddressForm().controls.visible);

    controls.ComboBoxTrayDoubleClick = 1;
    core().TrayIconDblClick();
    EXPECT_TRUE(core().checkAddressForm().controls.visible);

    SetPassword("secret");
    controls.ComboBoxTrayDoubleClick = 2;
    rig.shell.typedPasswords = {"secret"};
    core().TrayIconDblClick();
    EXPECT_TRUE(rig.shell.visible);
    EXPECT_EQ(rig.shell.passwordPrompts, 1);
    core().TrayIconDblClick();  // shown: raised, no prompt
    EXPECT_EQ(rig.shell.passwordPrompts, 1);
    EXPECT_EQ(rig.shell.broughtToFront, 1);

    controls.ComboBoxTrayDoubleClick = 3;
    core().TrayIconDblClick();
    EXPECT_TRUE(rig.Activated());
    rig.shell.typedPasswords = {"secret"};
    core().TrayIconDblClick();
    EXPECT_FALSE(rig.Activated());
}

TEST_F(CoreCommands, WhiteListFromTheTrayReappliesOnlyAnActivatedWall) {
    core().controls().MemoWhiteList = {"203.0.113.7"};
    const std::string whiteRow = "203.0.113.7/255.255.255.255 via 10.20.30.1";

    core().RunMenuCommand(TrayMenuItem::WhiteListOn);
    EXPECT_TRUE(core().controls().CheckBoxUseWhiteList);
    EXPECT_TRUE(rig.tray.Checked(TrayMenuItem::WhiteListOn));
    EXPECT_FALSE(rig.tray.Checked(TrayMenuItem::WhiteListOff));
    EXPECT_FALSE(HasRow(whiteRow));

    core().RunMenuCommand(TrayMenuItem::Activate);
    EXPECT_TRUE(HasRow(whiteRow));
    core().RunMenuCommand(TrayMenuItem::WhiteListOff);
    EXPECT_FALSE(core().controls().CheckBoxUseWhiteList);
    EXPECT_TRUE(rig.tray.Checked(TrayMenuItem::WhiteListOff));
    EXPECT_FALSE(HasRow(whiteRow));
}

TEST_F(CoreCommands, StateBitsFollowTheMenuMarks) {
    EXPECT_EQ(core().HandleControlRequest("27991"), "27992 0");
    core().RunMenuCommand(TrayMenuItem::WhiteListOn);
    core().RunMenuCommand(TrayMenuItem::Activate);
    EXPECT_EQ(core().HandleControlMessage(core::kRequestState),
              (core::ControlAnswer{core::kAnswerState, 3}));
    core().RunMenuCommand(TrayMenuItem::WhiteListOff);
    rig.ipHelper.RemoveAdapter(2);
    rig.renewTimer.Fire();
    EXPECT_EQ(core().StateBits(), 5u);
}

TEST_F(CoreCommands, DeactivateRequestWithACancelledPromptKeepsTheWallAndAnswers) {
    core().RunMenuCommand(TrayMenuItem::Activate);
    SetPassword("secret");
    EXPECT_EQ(core().HandleControlRequest("27972"), "27982 0");
    EXPECT_TRUE(rig.Activated());
    EXPECT_EQ(rig.shell.passwordPrompts, 1);
    EXPECT_EQ(core().log().Lines().back(), "Деативация по запросу внешнего приложения");
}

TEST_F(CoreCommands, IntraSegmentRequestSwitchesTheListAndActivatesAtOnce) {
    core().listUpdater().ListUpdateFailed(lists::kReasonNoConnection);
    EXPECT_EQ(core().HandleControlRequest("27995"), "27996 0");
    const std::string intra(lists::kIntraSegmentListURL);
    EXPECT_TRUE(rig.Activated());
    EXPECT_EQ(core().listUpdater().FailedTries(), 0);
    EXPECT_EQ(core().controls().ComboBoxTarvelListURL.text, intra);
    ASSERT_NE(rig.http, nullptr);
    EXPECT_EQ(rig.http->requested.back(), intra);
    EXPECT_EQ(core().log().Lines().back(),
              "Активация с переключением на внутрисегментный список адресов");
    EXPECT_FALSE(rig.Value("TarvelListURL") == platform::RegistryValue(intra));

    rig.http->Finish("10.60.0.0/16\r\n");  // the accepted list re-applies the wall
    EXPECT_TRUE(HasRow("10.60.0.0/255.255.0.0 via 10.20.30.1"));
}

TEST_F(CoreCommands, RequestLinesOtherThanTheFourNumbersGetNoAnswer) {
    for (const char* line : {"", "27971x", "12345", "-27971", " 27971"}) {
        EXPECT_EQ(core().HandleControlRequest(line), "") << line;
    }
    EXPECT_FALSE(rig.Activated());
    EXPECT_EQ(core().HandleControlRequest("KORVANEUniqString"), "0");
    EXPECT_EQ(rig.shell.broughtToFront, 1);
    EXPECT_EQ(core().HandleControlRequest("27971"), "27981 0");
    EXPECT_TRUE(rig.Activated());
}

struct ExitCase {
    const char* name;
    MessageAnswer answer;
    bool startActivated;
    bool ends;
    bool exchangeDefaultRoute;  // after the answer
};

class CoreExit : public CoreCommands, public ::testing::WithParamInterface<ExitCase> {};

TEST_P(CoreExit, AnswerSwitchesTheWallThenSavesAndEnds) {
    if (GetParam().startActivated) core().RunMenuCommand(TrayMenuItem::Activate);
    core().controls().ComboBoxTrayDoubleClick = 2;
    rig.messages.answers = {GetParam().answer};
    core().RunMenuCommand(TrayMenuItem::MenuExit);

    const platform::Message& question = rig.messages.shown.back();
    EXPECT_EQ(question.caption, "Завершение работы Korvane");
    EXPECT_EQ(question.buttons, platform::MessageButtons::YesNoCancel);
    EXPECT_EQ(question.icon, platform::MessageIcon::Question);
    EXPECT_EQ(question.text,
              "Деактивировать ли Korvane при выходе?\n\r\rНажмите \"Да\" чтобы выйти с "
              "деактивацией стены, \"Нет\" чтобы оставить забугор отключенным.\n\r\"Отмена\" - "
              "не закрывать Korvane\n\r\r");
    EXPECT_EQ(rig.shell.programEnds, GetParam().ends ? 1 : 0);
    EXPECT_EQ(ExchangeDefaultRoute(), GetParam().exchangeDefaultRoute);
    EXPECT_EQ(rig.Value("TrayDoubleClick") == platform::RegistryValue(std::uint32_t{2}),
              GetParam().ends);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, CoreExit,
    ::testing::Values(ExitCase{"yesWhileOn", MessageAnswer::Yes, true, true, true},
                      ExitCase{"noWhileOff", MessageAnswer::No, false, true, false},
                      ExitCase{"cancelWhileOn", MessageAnswer::Cancel, true, false, false},
                      ExitCase{"cancelWhileOff", MessageAnswer::Cancel, false, false, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CoreCommands, ExitFromTheTrayAsksThePasswordFromTheWindowNot) {
    SetPassword("secret");
    rig.shell.typedPasswords = {"wrong"};
    core().RunMenuCommand(TrayMenuItem::MenuExit);
    EXPECT_TRUE(rig.messages.shown.empty());
    EXPECT_EQ(rig.shell.programEnds, 0);

    rig.shell.visible = true;
    rig.messages.answers = {MessageAnswer::Cancel};
    core().ButtonExitClick();
    EXPECT_EQ(rig.shell.passwordPrompts, 1);
    EXPECT_EQ(rig.messages.shown.size(), 1u);
}

}  // namespace
}  // namespace korvane::test

namespace korvane::test {
namespace {

TEST(CoreStart, ActivateOnStartupSwitchesTheWallOnAtTheFirstTick) {
    CoreRig rig;
    rig.Put("Version", "1.2b");
    rig.Put("GatewayAddress", "10.20.30.1");
    rig.Put("ActivateOnStartup", 1u);
    rig.WriteSubnetList();
    ASSERT_TRUE(rig.Start());
    EXPECT_TRUE(rig.Activated());
    EXPECT_FALSE(rig.tray.Checked(routing::TrayMenuItem::Deactivate));
    const auto before = rig.ipHelper.RouteTexts();
    EXPECT_EQ(std::count_if(before.begin(), before.end(),
                            [](const std::string& row) { return row.starts_with("10.50.0.0/"); }),
              0);

    rig.refreshTimer.Fire();
    const auto after = rig.ipHelper.RouteTexts();
    EXPECT_EQ(std::count_if(after.begin(), after.end(),
                            [](const std::string& row) {
                                return row.starts_with("10.50.0.0/255.255.0.0 via 10.20.30.1");
                            }),
              1);
    EXPECT_EQ(rig.refreshTimer.Interval(), 30000);  // the first fetch follows
}

}  // namespace
}  // namespace korvane::test
