#pragma once
// The two password dialogs: the prompt TFormAccess and the set-password dialog
// TFormSetPassword. Neither keeps a digest: they hand the typed text to the core.
#include <QDialog>
#include <optional>
#include <string>

#include "platform/messages.h"

class QLineEdit;
class QPushButton;

namespace korvane::ui {

class PasswordPrompt : public QDialog {
    Q_OBJECT

  public:
    explicit PasswordPrompt(QWidget* parent = nullptr);

    // Modal: the typed text when it ends with OK, nothing when cancelled or closed.
    std::optional<std::string> Ask();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QLineEdit* editPassword_;
    QPushButton* buttonOK_;
};

class SetPasswordDialog : public QDialog {
    Q_OBJECT

  public:
    explicit SetPasswordDialog(platform::Messages& messages, QWidget* parent = nullptr);

    // Modal: the new password once both edits hold the same non-empty text; nothing when
    // cancelled, closed or given two empty texts. Different texts keep it open.
    std::optional<std::string> Ask();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void Button1Click();
    void EmptyEdits();

    platform::Messages& messages_;
    QLineEdit* editNewPassword_;
    QLineEdit* editPasswordConfirm_;
};

}  // namespace korvane::ui
