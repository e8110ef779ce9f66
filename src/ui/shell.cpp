#include "ui/shell.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

#include "platform/http.h"
#include "ui/ui_thread.h"

namespace korvane::ui {

Shell::Shell(const ShellPlatform& platform)
    : messages_(platform.messages ? *platform.messages : qtMessages_),
      mainWindow_(messages_, platform.resolver) {
    qtMessages_.SetParent(&mainWindow_);
    core_ = std::make_unique<core::KorvaneCore>(core::CorePlatform{
        platform.ipHelper, platform.registry, messages_, tray_, mainWindow_, refreshListTimer_,
        renewPeriodTimer_, balloonShowTimer_, clock_,
        [post = MakePostToUiThread()] { return std::make_unique<platform::CurlHttpGet>(post); },
        platform.resolver, platform.programFolder, platform.programFile, platform.serviceMode,
        platform.autostartEntry});
    checkWindow_ = std::make_unique<CheckAddressWindow>(core_->checkAddressForm());
    mainWindow_.Attach(*core_);

    // Every tray command may change the settings window's controls.
    tray_.onMenuItem = [this](routing::TrayMenuItem item) {
        if (item == routing::TrayMenuItem::N4) {
            core_->checkAddressForm().Show();  // "Проверить URL..." needs no password
        } else {
            core_->RunMenuCommand(item);
        }
        mainWindow_.Refresh();
    };
    tray_.onDoubleClick = [this] {
        core_->TrayIconDblClick();
        mainWindow_.Refresh();
    };
    // A balloon stays for the configured display time, then the timer takes it away.
    tray_.onBalloonShown = [this] { balloonShowTimer_.SetEnabled(true); };
    balloonShowTimer_.onTimer = [this] {
        balloonShowTimer_.SetEnabled(false);
        tray_.ShowBalloon({"", "", 0});
    };
}

Shell::~Shell() {
    // The core's subsystems may call back into the widgets while they go.
    tray_.onMenuItem = nullptr;
    tray_.onDoubleClick = nullptr;
    tray_.onBalloonShown = nullptr;
    if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->disconnect(&mainWindow_);
}

bool Shell::Start() {
    if (!core_->Start()) return false;
    mainWindow_.Refresh();
    tray_.Show();
    if (QClipboard* clipboard = QGuiApplication::clipboard()) {
        QObject::connect(clipboard, &QClipboard::dataChanged, &mainWindow_,
                         [this] { ClipboardChanged(); });
        // A URL already on the clipboard at start is looked at too.
        ClipboardChanged();
    }
    return true;
}

void Shell::ClipboardChanged() {
    core_->clipboardMonitor().ClipboardChanged([]() -> std::optional<std::string> {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData();
        if (!data || !data->hasText()) return std::nullopt;
        return data->text().toStdString();
    });
    mainWindow_.Refresh();
}

}  // namespace korvane::ui
