#include "ui/qt_messages.h"

#include <QMessageBox>
#include <QString>
#include <QWidget>

namespace korvane::ui {

namespace {

QMessageBox::Icon ToQt(platform::MessageIcon icon) {
    switch (icon) {
        case platform::MessageIcon::Information:
            return QMessageBox::Information;
        case platform::MessageIcon::Warning:
            return QMessageBox::Warning;
        case platform::MessageIcon::Error:
            return QMessageBox::Critical;
        case platform::MessageIcon::Question:
            return QMessageBox::Question;
        case platform::MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons ToQt(platform::MessageButtons buttons) {
    switch (buttons) {
        case platform::MessageButtons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case platform::MessageButtons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case platform::MessageButtons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case platform::MessageButtons::Ok:
            break;
    }
    return QMessageBox::Ok;
}

QMessageBox::StandardButton ToQt(platform::MessageAnswer answer) {
    switch (answer) {
        case platform::MessageAnswer::Ok:
            return QMessageBox::Ok;
        case platform::MessageAnswer::Cancel:
            return QMessageBox::Cancel;
        case platform::MessageAnswer::Yes:
            return QMessageBox::Yes;
        case platform::MessageAnswer::No:
            return QMessageBox::No;
    }
    return QMessageBox::NoButton;
}

// Closing a box with its close button or Esc counts as its cancelling answer.
platform::MessageAnswer FromQt(int button, platform::MessageButtons buttons) {
    switch (button) {
        case QMessageBox::Ok:
            return platform::MessageAnswer::Ok;
        case QMessageBox::Yes:
            return platform::MessageAnswer::Yes;
        case QMessageBox::No:
            return platform::MessageAnswer::No;
        case QMessageBox::Cancel:
            return platform::MessageAnswer::Cancel;
        default:
            break;
    }
    switch (buttons) {
        case platform::MessageButtons::Ok:
            return platform::MessageAnswer::Ok;
        case platform::MessageButtons::YesNo:
            return platform::MessageAnswer::No;
        default:
            return platform::MessageAnswer::Cancel;
    }
}

}  // namespace

platform::MessageAnswer QtMessages::Show(const platform::Message& message) {
    QWidget* parent = parent_ && parent_->isVisible() ? parent_ : nullptr;
    QMessageBox box(ToQt(message.icon), QString::fromStdString(message.caption),
                    QString::fromStdString(message.text), ToQt(message.buttons), parent);
    if (message.defaultButton) box.setDefaultButton(ToQt(*message.defaultButton));
    return FromQt(box.exec(), message.buttons);
}

}  // namespace korvane::ui
