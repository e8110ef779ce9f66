// The whole program on screen, offscreen: the settings window over the core on a simulated
// network and a private registry. The widgets must show the core's controls and hand edits back.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>

#include "core/password.h"
#include "platform/iphelper.h"
#include "platform/registry.h"
#include "platform/resolver.h"
#include "support/temp_dir.h"
#include "ui/shell.h"

namespace korvane::ui {
namespace {

constexpr char kNetwork[] =
    "adapter 2 eth0 10.20.30.41 255.255.255.0 gateway 10.20.30.1 description Exchange link\n"
    "adapter 3 wlan0 192.168.7.23 255.255.255.0 gateway 192.168.7.1 description Foreign link\n"
    "route 0.0.0.0 0.0.0.0 10.20.30.1 2 metric 1\n";

class ShellTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "ui_shell_test";
        static char* argv[] = {name, nullptr};
        // Never destroyed: QTest's input devices are torn down at exit after it otherwise.
        static QApplication* app = new QApplication(argc, argv);
        (void)app;
    }

    ShellTest()
        : ipHelper_(platform::CreateIpHelper("sim", dir_.Write("network.txt", kNetwork).string())),
          registry_(dir_ / "registry") {
        dir_.Write("program/Lists/tarvel-list.lst", "10.1.0.0/16\r\n62.80.160.0/19\r\n");
    }

    Shell& StartedShell() {
        shell_ = std::make_unique<Shell>(ShellPlatform{
            .ipHelper = *ipHelper_,
            .registry = registry_,
            .resolver = resolver_,
            .programFolder = dir_ / "program/",
            .programFile = dir_ / "program/korvane",
            .autostartEntry = dir_ / "autostart/korvane.desktop",
            .messages = &messages_,
        });
        EXPECT_TRUE(shell_->Start());
        return *shell_;
    }
    template <typename T>
    T* Child(const char* name) {
        T* child = shell_->mainWindow().findChild<T*>(name);
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    std::optional<std::uint32_t> Setting(const char* name) {
        return registry_.ReadDword(platform::Hive::LocalMachine, "Software\\Korvane", name);
    }

    test::TempDir dir_;
    std::unique_ptr<platform::IpHelper> ipHelper_;
    platform::Registry registry_;
    platform::FakeResolver resolver_;
    platform::ScriptedMessages messages_;
    std::unique_ptr<Shell> shell_;
};

TEST_F(ShellTest, TheWindowShowsTheSettingsTheCoreLoaded) {
    Shell& shell = StartedShell();
    const core::Controls& controls = shell.core().controls();
    EXPECT_FALSE(shell.mainWindow().isVisible());  // the program starts as a tray icon
    EXPECT_EQ(shell.mainWindow().windowTitle(), "Korvane");

    auto* pages = Child<QTabWidget>("PageControl1");
    QStringList titles;
    for (int i = 0; i < pages->count(); ++i) titles << pages->tabText(i);
    EXPECT_EQ(titles, QStringList({"Параметры", "Адаптеры", "Список подсетей", "Белый список",
                                   "Плагины", "Черный список", "О программе"}));
    EXPECT_EQ(pages->currentIndex(), 0);
    EXPECT_EQ(pages->isTabVisible(5), controls.blackListTabVisible);

    EXPECT_EQ(Child<QLineEdit>("editGateway")->text().toStdString(), controls.editGateway);
    EXPECT_EQ(Child<QLineEdit>("editForeignGateway")->text(), "192.168.0.1");
    EXPECT_EQ(Child<QComboBox>("ComboBoxRefreshList")->currentIndex(), 1);
    EXPECT_EQ(Child<QComboBox>("ComboBoxRefreshList")->currentText(), "Ежедневно");
    EXPECT_EQ(Child<QComboBox>("ComboBoxTrayDoubleClick")->currentIndex(), 0);
    EXPECT_TRUE(Child<QCheckBox>("CheckBoxGatewayMonitor")->isChecked());
    EXPECT_EQ(Child<QSpinBox>("editRenewPeriod")->value(), 10);
    EXPECT_EQ(Child<QLabel>("LabelVersion")->text(), "1.2b");
    EXPECT_EQ(Child<QLabel>("LabelSubnetsCount")->text().toStdString(), controls.LabelSubnetsCount);

    auto* adapters = Child<QComboBox>("comboAdapters");
    ASSERT_EQ(adapters->count(), static_cast<int>(controls.comboAdapters.items.size()));
    EXPECT_GT(adapters->count(), 0);
    EXPECT_EQ(adapters->currentIndex(), controls.comboAdapters.itemIndex);

    EXPECT_EQ(Child<QPushButton>("ButtonOK")->text(), "ОК");
    EXPECT_TRUE(messages_.shown.empty()) << messages_.shown.front().text;
}

TEST_F(ShellTest, EditsReachTheCoreAndApplyStoresThem) {
    Shell& shell = StartedShell();
    core::Controls& controls = shell.core().controls();

    Child<QCheckBox>("CheckBoxAutoLock")->click();
    EXPECT_TRUE(controls.CheckBoxAutoLock);
    Child<QSpinBox>("editRenewPeriod")->setValue(42);
    EXPECT_EQ(controls.editRenewPeriod, 42);
    Child<QComboBox>("ComboBoxTrayDoubleClick")->setCurrentIndex(2);
    EXPECT_EQ(controls.ComboBoxTrayDoubleClick, 2);

    // Handlers that change other controls: the balloon box is usable only while the clipboard
    // is monitored, and the balloon time follows the balloon box.
    ASSERT_FALSE(controls.CheckBoxClipboardMonitor);
    EXPECT_FALSE(Child<QCheckBox>("CheckBoxEnableBalloons")->isEnabled());
    Child<QCheckBox>("CheckBoxClipboardMonitor")->click();
    EXPECT_TRUE(Child<QCheckBox>("CheckBoxEnableBalloons")->isEnabled());
    Child<QCheckBox>("CheckBoxEnableBalloons")->click();
    EXPECT_TRUE(controls.CheckBoxEnableBalloons);
    EXPECT_TRUE(Child<QSpinBox>("EditBaloonShowTime")->isEnabled());

    // The white-list page: the list and its URL edit follow the box; a URL enables "Добавить".
    EXPECT_FALSE(Child<QLineEdit>("EditUrl")->isEnabled());
    Child<QCheckBox>("CheckBoxUseWhiteList")->click();
    EXPECT_TRUE(Child<QLineEdit>("EditUrl")->isEnabled());
    EXPECT_FALSE(Child<QPushButton>("ButtonAddUrl")->isEnabled());
    Child<QLineEdit>("EditUrl")->setText("www.example.org");
    EXPECT_EQ(controls.EditUrl, "www.example.org");
    EXPECT_TRUE(Child<QPushButton>("ButtonAddUrl")->isEnabled());

    Child<QPushButton>("ButtonApply")->click();
    EXPECT_EQ(Setting("ActivateOnStartup"), 1u);
    EXPECT_EQ(Setting("MonitorDefaultGatewayPeriod"), 42u);
    EXPECT_EQ(Setting("TrayDoubleClick"), 2u);
    EXPECT_EQ(Setting("MonitorClipboard"), 1u);
    EXPECT_EQ(Setting("EnableBalloons"), 1u);
    EXPECT_EQ(Setting("EnableWhiteList"), 1u);
}

TEST_F(ShellTest, TrayCommandsRunThroughTheCore) {
    Shell& shell = StartedShell();
    QtTrayView& tray = shell.tray();
    ASSERT_TRUE(tray.Checked(routing::TrayMenuItem::Deactivate));

    tray.Action(routing::TrayMenuItem::Activate)->trigger();
    EXPECT_TRUE(tray.Checked(routing::TrayMenuItem::Activate));
    EXPECT_FALSE(tray.Checked(routing::TrayMenuItem::Deactivate));
    EXPECT_EQ(tray.Picture(), routing::TrayPicture::IconOn);

    tray.Action(routing::TrayMenuItem::Settings)->trigger();  // no password set: no prompt
    EXPECT_TRUE(shell.mainWindow().isVisible());

    tray.Action(routing::TrayMenuItem::N4)->trigger();
    EXPECT_TRUE(shell.checkWindow().isVisible());
}

// Types into the next modal dialog once it is open, then presses its button.
void AnswerNextDialog(std::vector<std::pair<const char*, QString>> edits, const char* button) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, edits, button] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog || !dialog->findChild<QPushButton*>(button)) return;
        poll->stop();
        poll->deleteLater();
        for (const auto& [name, text] : edits) dialog->findChild<QLineEdit*>(name)->setText(text);
        dialog->findChild<QPushButton*>(button)->click();
    });
    poll->start(5);
}

TEST_F(ShellTest, ThePasswordBoxSetsAPasswordThroughItsDialogAndTheTrayThenAsksForIt) {
    Shell& shell = StartedShell();
    AnswerNextDialog({{"EditNewPassword", "geheim"}, {"EditPasswordConfirm", "geheim"}}, "Button1");
    Child<QCheckBox>("CheckBoxPassword")->click();
    EXPECT_EQ(shell.core().PasswordDigest(), core::PasswordDigestText("geheim"));
    EXPECT_TRUE(Child<QCheckBox>("CheckBoxPassword")->isChecked());

    // A wrong password at the prompt: the settings window stays hidden.
    shell.mainWindow().hide();
    AnswerNextDialog({{"EditPassword", "Geheim"}}, "ButtonOK");
    shell.tray().Action(routing::TrayMenuItem::Settings)->trigger();
    EXPECT_FALSE(shell.mainWindow().isVisible());
    AnswerNextDialog({{"EditPassword", "geheim"}}, "ButtonOK");
    shell.tray().Action(routing::TrayMenuItem::Settings)->trigger();
    EXPECT_TRUE(shell.mainWindow().isVisible());

    // Cancelling a new password leaves the box unticked and no password set.
    messages_.answers.push_back(platform::MessageAnswer::Yes);  // "Сброс пароля"
    Child<QCheckBox>("CheckBoxPassword")->click();
    EXPECT_EQ(shell.core().PasswordDigest(), "");
    AnswerNextDialog({}, "Button2");
    Child<QCheckBox>("CheckBoxPassword")->click();
    EXPECT_FALSE(Child<QCheckBox>("CheckBoxPassword")->isChecked());
    EXPECT_EQ(shell.core().PasswordDigest(), "");
    // The box undone by the program still reacts to the user's next click.
    AnswerNextDialog({{"EditNewPassword", "neu"}, {"EditPasswordConfirm", "neu"}}, "Button1");
    Child<QCheckBox>("CheckBoxPassword")->click();
    EXPECT_EQ(shell.core().PasswordDigest(), core::PasswordDigestText("neu"));
}

}  // namespace
}  // namespace korvane::ui
