// The configuration dialog, driven offscreen; the file dialog and the message boxes are
// replaced by scripted stand-ins.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "grouplink/config_dialog.h"
#include "platform/messages.h"

namespace korvane::grouplink {
namespace {

class ConfigDialogTest : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "grouplink_config_dialog_test";
        static char* argv[] = {name, nullptr};
        static QApplication app(argc, argv);
    }

    // A chooser that records its calls and answers with chosen_.
    ConfigDialog::FileChooser Chooser() {
        return [this](QWidget*, const QString& initial) {
            chooserCalls_.push_back(initial);
            return chosen_;
        };
    }
    QLineEdit* Edit(ConfigDialog& dialog, const char* name) {
        return dialog.findChild<QLineEdit*>(name);
    }
    void Click(ConfigDialog& dialog, const char* name) {
        dialog.findChild<QPushButton*>(name)->click();
    }

    PluginSettings initial_{"/srv/sets/default.tmf", "Tarvel"};
    platform::ScriptedMessages messages_;
    std::vector<QString> chooserCalls_;
    std::optional<QString> chosen_;
};

TEST_F(ConfigDialogTest, ShowsTheSettingsUnderItsTitle) {
    ConfigDialog dialog("Grouplink", initial_, messages_, Chooser());
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Grouplink Config...");
    EXPECT_EQ(Edit(dialog, "editFileName")->text(), "/srv/sets/default.tmf");
    EXPECT_EQ(Edit(dialog, "editFileName")->selectedText(), "/srv/sets/default.tmf");
    EXPECT_EQ(Edit(dialog, "editGroup")->text(), "Tarvel");
    QStringList labels;
    for (QLabel* label : dialog.findChildren<QLabel*>()) labels << label->text();
    EXPECT_TRUE(labels.contains("  File name of TMeter filter set:"));
    EXPECT_TRUE(labels.contains("  IP Address Group (will be created if not exist):"));
}

TEST_F(ConfigDialogTest, OkTakesTheFieldsOverWithTheGroupStrippedAndCut) {
    for (const auto& [typed, taken] : {std::pair{QString("  Exchange \t"), std::string("Exchange")},
                                       std::pair{QString(300, 'g'), std::string(255, 'g')}}) {
        ConfigDialog dialog("Grouplink", initial_, messages_, Chooser());
        Edit(dialog, "editFileName")->setText(" /tmp/my set.tmf ");
        Edit(dialog, "editGroup")->setText(typed);
        Click(dialog, "buttonOk");
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.Settings().OutIPListFName, " /tmp/my set.tmf ");  // as typed
        EXPECT_EQ(dialog.Settings().IPAddressGroup, taken);
    }
    EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(ConfigDialogTest, BlankGroupShowsTheMessageAndKeepsTheDialogOpen) {
    ConfigDialog dialog("Grouplink", initial_, messages_, Chooser());
    dialog.show();
    Edit(dialog, "editGroup")->setText("   ");
    Click(dialog, "buttonOk");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(messages_.shown[0].text, "IP Address Group name can not be empty!");
    EXPECT_EQ(messages_.shown[0].buttons, platform::MessageButtons::Ok);
    EXPECT_EQ(Edit(dialog, "editGroup")->selectedText(), "   ");
    EXPECT_EQ(dialog.Settings(), initial_);
}

TEST_F(ConfigDialogTest, BrowseWithBlankGroupShowsTheMessageInsteadOfTheFileDialog) {
    ConfigDialog dialog("Grouplink", initial_, messages_, Chooser());
    Edit(dialog, "editGroup")->setText("");
    Click(dialog, "buttonBrowse");
    EXPECT_TRUE(chooserCalls_.empty());
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(messages_.shown[0].text, "IP Address Group name can not be empty!");
}

TEST_F(ConfigDialogTest, BrowsePutsTheChosenFileInAndShowsTheTakenOverGroup) {
    ConfigDialog dialog("Grouplink", initial_, messages_, Chooser());
    dialog.show();
    Edit(dialog, "editGroup")->setText("  Tarvel2 ");
    chosen_ = "/opt/TMeter/FilterSets/office.tmf";
    Click(dialog, "buttonBrowse");
    ASSERT_EQ(chooserCalls_.size(), 1u);
    EXPECT_EQ(chooserCalls_[0], "/srv/sets/default.tmf");
    EXPECT_EQ(Edit(dialog, "editFileName")->text(), "/opt/TMeter/FilterSets/office.tmf");
    EXPECT_EQ(Edit(dialog, "editFileName")->selectedText(), "/opt/TMeter/FilterSets/office.tmf");
    EXPECT_EQ(Edit(dialog, "editGroup")->text(), "Tarvel2");

    chosen_.reset();  // a cancelled file dialog changes nothing
    Click(dialog, "buttonBrowse");
    EXPECT_EQ(Edit(dialog, "editFileName")->text(), "/opt/TMeter/FilterSets/office.tmf");
}

TEST_F(ConfigDialogTest, CancelTakesNothingOver) {
    ConfigDialog dialog("Grouplink", initial_, messages_, Chooser());
    Edit(dialog, "editFileName")->setText("/elsewhere.tmf");
    Edit(dialog, "editGroup")->setText("Other");
    Click(dialog, "buttonCancel");
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(dialog.Settings(), initial_);
}

}  // namespace
}  // namespace korvane::grouplink
