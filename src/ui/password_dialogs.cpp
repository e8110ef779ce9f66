#include "ui/password_dialogs.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/password.h"

namespace korvane::ui {

namespace {

// The dialogs' picture: a padlock, drawn rather than shipped.
QLabel* LockPicture(QWidget* parent) {
    QPixmap pixmap(40, 40);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(90, 90, 90), 4));
    painter.drawArc(11, 3, 18, 22, 0, 180 * 16);
    painter.drawLine(11, 14, 11, 19);
    painter.drawLine(29, 14, 29, 19);
    painter.setPen(QPen(QColor(40, 40, 40), 2));
    painter.setBrush(QColor(220, 170, 40));
    painter.drawRoundedRect(6, 18, 28, 20, 3, 3);
    painter.setBrush(QColor(40, 40, 40));
    painter.drawEllipse(17, 24, 6, 6);
    auto* label = new QLabel(parent);
    label->setObjectName("Image1");
    label->setPixmap(pixmap);
    return label;
}

QLineEdit* PasswordEdit(QWidget* parent, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setEchoMode(QLineEdit::Password);
    return edit;
}

QPushButton* Button(QWidget* parent, const char* name, const char* caption) {
    auto* button = new QPushButton(QString::fromUtf8(caption), parent);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

PasswordPrompt::PasswordPrompt(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint) {
    setObjectName("FormAccess");
    setWindowTitle("Korvane");
    editPassword_ = PasswordEdit(this, "EditPassword");
    buttonOK_ = Button(this, "ButtonOK", "OK");
    buttonOK_->setDefault(true);
    QPushButton* buttonCancel = Button(this, "ButtonCancel", "Отмена");

    auto* label = new QLabel(QString::fromUtf8("Введите пароль"), this);
    label->setObjectName("Label1");
    auto* fields = new QVBoxLayout;
    fields->addWidget(label);
    fields->addWidget(editPassword_);
    auto* top = new QHBoxLayout;
    top->addWidget(LockPicture(this), 0, Qt::AlignTop);
    top->addLayout(fields);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(buttonOK_);
    buttons->addWidget(buttonCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(editPassword_, &QLineEdit::textChanged, this,
            [this](const QString& text) { buttonOK_->setEnabled(!text.isEmpty()); });
    connect(buttonOK_, &QPushButton::clicked, this, &QDialog::accept);
    connect(buttonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void PasswordPrompt::showEvent(QShowEvent* event) {
    editPassword_->clear();
    buttonOK_->setEnabled(false);
    editPassword_->setFocus();
    QDialog::showEvent(event);
}

std::optional<std::string> PasswordPrompt::Ask() {
    if (exec() != QDialog::Accepted) return std::nullopt;
    return editPassword_->text().toStdString();
}

SetPasswordDialog::SetPasswordDialog(platform::Messages& messages, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint), messages_(messages) {
    setObjectName("FormSetPassword");
    setWindowTitle(QString::fromUtf8("Установка пароля"));
    editNewPassword_ = PasswordEdit(this, "EditNewPassword");
    editPasswordConfirm_ = PasswordEdit(this, "EditPasswordConfirm");
    QPushButton* button1 = Button(this, "Button1", "OK");
    button1->setDefault(true);
    QPushButton* button2 = Button(this, "Button2", "Отмена");

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(QString::fromUtf8("Пароль:"), this), 0, 0);
    fields->addWidget(editNewPassword_, 0, 1);
    fields->addWidget(new QLabel(QString::fromUtf8("Подтверждение:"), this), 1, 0);
    fields->addWidget(editPasswordConfirm_, 1, 1);
    auto* top = new QHBoxLayout;
    top->addWidget(LockPicture(this), 0, Qt::AlignTop);
    top->addLayout(fields);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(button1);
    buttons->addWidget(button2);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(button1, &QPushButton::clicked, this, &SetPasswordDialog::Button1Click);
    connect(button2, &QPushButton::clicked, this, &QDialog::reject);
}

void SetPasswordDialog::EmptyEdits() {
    editNewPassword_->clear();
    editPasswordConfirm_->clear();
    editNewPassword_->setFocus();
}

void SetPasswordDialog::showEvent(QShowEvent* event) {
    EmptyEdits();
    QDialog::showEvent(event);
}

std::optional<std::string> SetPasswordDialog::Ask() {
    if (exec() != QDialog::Accepted) return std::nullopt;
    return editNewPassword_->text().toStdString();
}

void SetPasswordDialog::Button1Click() {
    switch (core::CheckNewPassword(editNewPassword_->text().toStdString(),
                                   editPasswordConfirm_->text().toStdString(), messages_)) {
        case core::NewPasswordResult::Mismatch:
            EmptyEdits();
            break;
        case core::NewPasswordResult::Cancelled:
            reject();
            break;
        case core::NewPasswordResult::Accepted:
            accept();
            break;
    }
}

}  // namespace korvane::ui
