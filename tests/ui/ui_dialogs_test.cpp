// The address check window and the password dialogs, driven offscreen. Modal dialogs are
// worked from the event loop while they run.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include "core/controls.h"
#include "lists/clipboard_monitor.h"
#include "routing/tray_view.h"
#include "ui/check_address_window.h"
#include "ui/password_dialogs.h"
#include "ui/qt_messages.h"

namespace korvane::ui {
namespace {

class UiTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "ui_dialogs_test";
        static char* argv[] = {name, nullptr};
        // Never destroyed: QTest's input devices are torn down at exit after it otherwise.
        static QApplication* app = new QApplication(argc, argv);
        (void)app;
    }

    template <typename T>
    static T* Child(QWidget& parent, const char* name) {
        T* child = parent.findChild<T*>(name);
        EXPECT_NE(child, nullptr) << name;
        return child;
    }

    // Runs the step on the next modal window once it is open.
    static void WhenModal(std::function<void(QWidget*)> step) {
        auto* poll = new QTimer;
        QObject::connect(poll, &QTimer::timeout, [poll, step] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal) return;
            poll->stop();
            poll->deleteLater();
            step(modal);
        });
        poll->start(5);
    }

    // Runs steps one after another on the event loop, each once the one before has returned.
    static void Later(std::vector<std::function<void()>> steps) {
        if (steps.empty()) return;
        QTimer::singleShot(0, [steps]() mutable {
            auto step = steps.front();
            steps.erase(steps.begin());
            step();
            Later(std::move(steps));
        });
    }
};

class CheckWindowTest : public UiTest {
  protected:
    CheckWindowTest() {
        subnets.ParseSubnetList({"10.1.0.0/16"});
        resolver.addresses = {{"localhost", "127.0.0.1"}, {"www.abroad.example", "93.184.216.34"}};
    }
    QString Text(const char* name) { return Child<QLineEdit>(window, name)->text(); }
    QString Result() { return Child<QLabel>(window, "LabelResult")->text(); }
    QPixmap Picture() { return Child<QLabel>(window, "Image")->pixmap(); }

    lists::SubnetList subnets;
    platform::FakeResolver resolver;
    lists::CheckAddressForm form{subnets, resolver};
    CheckAddressWindow window{form};
};

TEST_F(CheckWindowTest, StartsHiddenInTheScreenCornerWithNothingChecked) {
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(window.windowTitle(), "Проверка адреса");
    EXPECT_EQ(window.size(), QSize(345, 138));
    EXPECT_TRUE(window.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(Child<QPushButton>(window, "ButtonCheck")->isEnabled());
    EXPECT_EQ(Child<QPushButton>(window, "ButtonCheck")->text(), "Проверить");
    EXPECT_EQ(Text("EditDomain"), "нет");
    EXPECT_EQ(Text("EditIP"), "нет");
    EXPECT_EQ(Result(), "");
    EXPECT_EQ(Picture().toImage(), CategoryPixmap(0).toImage());

    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect frame = window.frameGeometry();
    EXPECT_EQ(area.right() - frame.right(), 20);
    EXPECT_EQ(area.bottom() - frame.bottom(), 20);
}

TEST_F(CheckWindowTest, TypingEnablesTheButtonAndAClickShowsTheResult) {
    form.Show();
    ASSERT_TRUE(window.isVisible());
    QLineEdit* edit = Child<QLineEdit>(window, "EditAddress");
    QPushButton* button = Child<QPushButton>(window, "ButtonCheck");
    QTest::keyClicks(edit, "10.1.2.3");
    EXPECT_EQ(form.controls.EditAddress, "10.1.2.3");
    ASSERT_TRUE(button->isEnabled());
    button->click();
    EXPECT_EQ(Result(), "Тарвельский ресурс");
    EXPECT_EQ(Text("EditIP"), "10.1.2.3");
    EXPECT_EQ(Text("EditDomain"), "Не известен");
    EXPECT_EQ(Picture().toImage(), CategoryPixmap(1).toImage());

    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_FALSE(button->isEnabled());
}

TEST_F(CheckWindowTest, EnterChecksAndEscapeOrClosingOnlyHides) {
    form.Show();
    QLineEdit* edit = Child<QLineEdit>(window, "EditAddress");
    QTest::keyClicks(edit, "www.abroad.example");
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(Result(), "Зарубежный ресурс");
    EXPECT_EQ(Picture().toImage(), CategoryPixmap(2).toImage());

    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(form.controls.visible);

    form.Show();
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(edit->selectedText(), "www.abroad.example");  // ready to be typed over
    window.close();
    EXPECT_FALSE(window.isVisible());
    EXPECT_FALSE(form.controls.visible);
    EXPECT_EQ(Text("EditIP"), "93.184.216.34");  // the same window, kept
}

TEST_F(CheckWindowTest, AClipboardURLWithoutBalloonsOpensTheWindowWithItsResult) {
    core::Controls controls;
    controls.CheckBoxEnableBalloons = false;
    routing::RecordingTrayView tray;
    lists::ClipboardMonitor monitor(controls, tray, form, subnets, resolver);
    monitor.CheckClipboardText("  HTTP://LOCALHOST/page");
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(Text("EditAddress"), "http://localhost/page");
    EXPECT_EQ(Result(), "Локальный ресурс");
    EXPECT_EQ(Text("EditIP"), "127.0.0.1");
    EXPECT_TRUE(Child<QPushButton>(window, "ButtonCheck")->isEnabled());
    EXPECT_TRUE(tray.balloons.empty());
}

TEST_F(UiTest, ThePromptHandsOverTheTypedTextOnlyOnOK) {
    PasswordPrompt prompt;
    EXPECT_EQ(prompt.windowTitle(), "Korvane");
    QLineEdit* edit = Child<QLineEdit>(prompt, "EditPassword");
    QPushButton* ok = Child<QPushButton>(prompt, "ButtonOK");
    EXPECT_EQ(edit->echoMode(), QLineEdit::Password);
    EXPECT_EQ(Child<QPushButton>(prompt, "ButtonCancel")->text(), "Отмена");

    bool okWasEnabledWhenEmpty = true;
    Later({[&] { okWasEnabledWhenEmpty = ok->isEnabled(); },
           [&] { edit->setText(QString::fromUtf8("Секрет1")); }, [&] { ok->click(); }});
    EXPECT_EQ(prompt.Ask(), std::optional<std::string>("Секрет1"));
    EXPECT_FALSE(okWasEnabledWhenEmpty);

    // Shown again: the edit is empty; Esc cancels.
    QString shownText = "?";
    Later({[&] { shownText = edit->text(); }, [&] { QTest::keyClicks(edit, "x"); },
           [&] { QTest::keyClick(edit, Qt::Key_Escape); }});
    EXPECT_EQ(prompt.Ask(), std::nullopt);
    EXPECT_EQ(shownText, "");

    Later({[&] { QTest::keyClicks(edit, "x"); },
           [&] { Child<QPushButton>(prompt, "ButtonCancel")->click(); }});
    EXPECT_EQ(prompt.Ask(), std::nullopt);
}

TEST_F(UiTest, TheSetPasswordDialogKeepsAskingUntilBothEditsAgree) {
    platform::ScriptedMessages messages;
    SetPasswordDialog dialog(messages);
    EXPECT_EQ(dialog.windowTitle(), "Установка пароля");
    QLineEdit* password = Child<QLineEdit>(dialog, "EditNewPassword");
    QLineEdit* confirm = Child<QLineEdit>(dialog, "EditPasswordConfirm");
    QPushButton* ok = Child<QPushButton>(dialog, "Button1");
    EXPECT_EQ(confirm->echoMode(), QLineEdit::Password);

    bool stillOpen = false;
    QString afterMismatch = "?";
    Later({[&] {
               password->setText("abc");
               confirm->setText("abC");
               ok->click();
           },
           [&] {
               stillOpen = dialog.isVisible();
               afterMismatch = password->text() + confirm->text();
               password->setText("abc");
               confirm->setText("abc");
               ok->click();
           }});
    EXPECT_EQ(dialog.Ask(), std::optional<std::string>("abc"));
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(afterMismatch, "");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "Пароли не совпадают");

    // Shown again: both edits empty; OK on two empty edits cancels, as does "Отмена".
    QString shownText = "?";
    Later({[&] { shownText = password->text() + confirm->text(); }, [&] { ok->click(); }});
    EXPECT_EQ(dialog.Ask(), std::nullopt);
    EXPECT_EQ(shownText, "");
    Later({[&] {
        password->setText("abc");
        confirm->setText("abc");
        Child<QPushButton>(dialog, "Button2")->click();
    }});
    EXPECT_EQ(dialog.Ask(), std::nullopt);
    EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(UiTest, MessageBoxesTakeTheirDefaultButtonAndCountClosingAsCancelling) {
    QtMessages messages;
    platform::Message question{"Сбросить?", "Сброс пароля", platform::MessageIcon::Question,
                               platform::MessageButtons::YesNo};
    question.defaultButton = platform::MessageAnswer::No;
    QString caption, defaultText;
    WhenModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        caption = modal->windowTitle();
        defaultText = box && box->defaultButton() ? box->defaultButton()->text() : QString();
        if (box) box->button(QMessageBox::Yes)->click();
    });
    EXPECT_EQ(messages.Show(question), platform::MessageAnswer::Yes);
    EXPECT_EQ(caption, "Сброс пароля");
    EXPECT_EQ(defaultText, QMessageBox().addButton(QMessageBox::No)->text());

    for (const auto& [buttons, closed] :
         {std::pair{platform::MessageButtons::YesNo, platform::MessageAnswer::No},
          std::pair{platform::MessageButtons::YesNoCancel, platform::MessageAnswer::Cancel},
          std::pair{platform::MessageButtons::Ok, platform::MessageAnswer::Ok}}) {
        WhenModal([](QWidget* modal) { modal->close(); });
        EXPECT_EQ(messages.Show({"text", "Korvane", platform::MessageIcon::None, buttons}), closed);
    }
}

}  // namespace
}  // namespace korvane::ui
