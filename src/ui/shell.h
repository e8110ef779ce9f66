#pragma once
// The whole program on screen: the core over Qt's platform pieces, its settings window, tray
// icon, check window, timers and the clipboard. The program and the smoke test build the same.
#include <filesystem>
#include <memory>

#include "core/korvane_core.h"
#include "platform/iphelper.h"
#include "platform/registry.h"
#include "platform/resolver.h"
#include "ui/check_address_window.h"
#include "ui/main_window.h"
#include "ui/qt_messages.h"
#include "ui/qt_timer.h"
#include "ui/qt_tray_view.h"

namespace korvane::ui {

struct ShellPlatform {
    platform::IpHelper& ipHelper;
    platform::Registry& registry;
    platform::Resolver& resolver;
    std::filesystem::path programFolder;  // with a trailing '/'
    std::filesystem::path programFile;
    bool serviceMode = false;
    std::filesystem::path autostartEntry;  // the XDG autostart entry; empty: the Run value
    // Message boxes go here instead of on screen when given (tests).
    platform::Messages* messages = nullptr;
};

class Shell {
  public:
    explicit Shell(const ShellPlatform& platform);
    ~Shell();

    // The main window's creation: the core's start sequence, then the tray icon. False when
    // the program ended on the way.
    bool Start();

    core::KorvaneCore& core() { return *core_; }
    MainWindow& mainWindow() { return mainWindow_; }
    QtTrayView& tray() { return tray_; }
    CheckAddressWindow& checkWindow() { return *checkWindow_; }

  private:
    void ClipboardChanged();

    QtMessages qtMessages_;
    platform::Messages& messages_;
    QtTrayView tray_;
    MainWindow mainWindow_;
    QtTimer refreshListTimer_;
    QtTimer renewPeriodTimer_;
    QtTimer balloonShowTimer_;
    platform::SystemClock clock_;
    std::unique_ptr<core::KorvaneCore> core_;
    std::unique_ptr<CheckAddressWindow> checkWindow_;
};

}  // namespace korvane::ui
