#pragma once
// The tray icon: routing::TrayView on a QSystemTrayIcon with the popup menu PopupMenuTray.
// The logic owns every check mark; the view only shows them and reports commands.
#include <QMenu>
#include <QSystemTrayIcon>
#include <functional>
#include <map>

#include "routing/tray_view.h"

class QAction;

namespace korvane::ui {

class QtTrayView : public routing::TrayView {
  public:
    // The limits the notification area sets, in characters.
    static constexpr int kHintLength = 127;
    static constexpr int kBalloonTitleLength = 63;
    static constexpr int kBalloonTextLength = 255;

    QtTrayView();

    void SetHint(const std::string& hint) override;
    std::string Hint() const override;
    void SetPicture(routing::TrayPicture picture) override;
    routing::TrayPicture Picture() const override { return picture_; }
    void ShowBalloon(const routing::Balloon& balloon) override;
    void SetChecked(routing::TrayMenuItem item, bool checked) override;
    bool Checked(routing::TrayMenuItem item) const override;
    void SetEnabled(routing::TrayMenuItem item, bool enabled) override;
    bool Enabled(routing::TrayMenuItem item) const override;

    void Show() { icon_.show(); }
    void Hide() { icon_.hide(); }
    QMenu& Menu() { return menu_; }
    QAction* Action(routing::TrayMenuItem item) const { return actions_.at(item); }

    // A menu item chosen (never for a disabled one), the icon double-clicked, a balloon shown.
    std::function<void(routing::TrayMenuItem)> onMenuItem;
    std::function<void()> onDoubleClick;
    std::function<void()> onBalloonShown;

  private:
    void AddItem(routing::TrayMenuItem item, const char* objectName, const char* caption);

    QSystemTrayIcon icon_;
    QMenu menu_;
    std::map<routing::TrayMenuItem, QAction*> actions_;
    std::map<routing::TrayMenuItem, bool> checked_;
    routing::TrayPicture picture_ = routing::TrayPicture::IconOff;
};

}  // namespace korvane::ui
