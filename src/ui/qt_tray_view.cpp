#include "ui/qt_tray_view.h"

#include <QAction>
#include <QTimer>

#include "routing/tray_status.h"
#include "ui/tray_pictures.h"

namespace korvane::ui {

using routing::TrayMenuItem;

namespace {

QString Cut(const std::string& text, int length) {
    return QString::fromStdString(text).left(length);
}

}  // namespace

QtTrayView::QtTrayView() {
    menu_.setObjectName("PopupMenuTray");
    AddItem(TrayMenuItem::PauseRefreshing, "PauseRefreshing",
            "Приостановить автообновление списка");
    menu_.addSeparator();
    AddItem(TrayMenuItem::WhiteListOn, "WhiteListOn", "Активизировать белый список");
    AddItem(TrayMenuItem::WhiteListOff, "WhiteListOff", "Деактивировать белый список");
    menu_.addSeparator();
    AddItem(TrayMenuItem::Activate, "Activate", "Активировать");
    AddItem(TrayMenuItem::Deactivate, "Deactivate", "Деактивировать");
    menu_.addSeparator();
    AddItem(TrayMenuItem::N4, "N4", "Проверить URL...");
    AddItem(TrayMenuItem::Settings, "Settings", "Настройки...");
    menu_.addSeparator();
    AddItem(TrayMenuItem::MenuExit, "MenuExit", "Выгрузить");
    SetChecked(TrayMenuItem::Deactivate, true);

    icon_.setContextMenu(&menu_);
    SetPicture(routing::TrayPicture::IconOff);
    SetHint(std::string(routing::kStateDeactivated));
    QObject::connect(&icon_, &QSystemTrayIcon::activated,
                     [this](QSystemTrayIcon::ActivationReason reason) {
                         if (reason == QSystemTrayIcon::DoubleClick && onDoubleClick) {
                             onDoubleClick();
                         }
                     });
}

void QtTrayView::AddItem(TrayMenuItem item, const char* objectName, const char* caption) {
    QAction* action = menu_.addAction(QString::fromUtf8(caption));
    action->setObjectName(objectName);
    action->setCheckable(true);
    actions_[item] = action;
    checked_[item] = false;
    // Qt flips a checkable item's mark on a click; the logic decides the marks, so put it back.
    QObject::connect(action, &QAction::triggered, [this, item, action] {
        action->setChecked(checked_[item]);
        if (onMenuItem) onMenuItem(item);
    });
}

void QtTrayView::SetHint(const std::string& hint) { icon_.setToolTip(Cut(hint, kHintLength)); }

std::string QtTrayView::Hint() const { return icon_.toolTip().toStdString(); }

void QtTrayView::SetPicture(routing::TrayPicture picture) {
    picture_ = picture;
    icon_.setIcon(TrayPictureIcon(picture));
}

// The system reports no "balloon shown" event here, so it is raised once the balloon is asked
// for, from the event loop so that the caller finishes first. An empty balloon would only take
// the shown one away, which Qt cannot do; the balloon's own time-out removes it instead.
void QtTrayView::ShowBalloon(const routing::Balloon& balloon) {
    const QString title = Cut(balloon.title, kBalloonTitleLength);
    const QString text = Cut(balloon.text, kBalloonTextLength);
    if (title.isEmpty() && text.isEmpty()) {
        return;
    }
    icon_.showMessage(title, text, QSystemTrayIcon::Information, balloon.timeoutSeconds * 1000);
    QTimer::singleShot(0, &menu_, [this] {
        if (onBalloonShown) onBalloonShown();
    });
}

void QtTrayView::SetChecked(TrayMenuItem item, bool checked) {
    checked_[item] = checked;
    actions_.at(item)->setChecked(checked);
}

bool QtTrayView::Checked(TrayMenuItem item) const { return checked_.at(item); }

void QtTrayView::SetEnabled(TrayMenuItem item, bool enabled) {
    actions_.at(item)->setEnabled(enabled);
}

bool QtTrayView::Enabled(TrayMenuItem item) const { return actions_.at(item)->isEnabled(); }

}  // namespace korvane::ui
