// The tray menu's commands, the double-click actions and the settings password guard.
#include "core/korvane_core.h"
#include "core/password.h"

namespace korvane::core {

using routing::TrayMenuItem;

void KorvaneCore::RunMenuCommand(TrayMenuItem item) {
    if (ended_ || !platform_.tray.Enabled(item)) return;
    switch (item) {
        case TrayMenuItem::Activate:
            ActivateClick();
            break;
        case TrayMenuItem::Deactivate:
            DeactivateClick();
            break;
        case TrayMenuItem::Settings:
            SettingsClick();
            break;
        case TrayMenuItem::WhiteListOn:
        case TrayMenuItem::WhiteListOff:
            WhiteListOnClick(item);
            break;
        case TrayMenuItem::PauseRefreshing:
            updater_->PauseRefreshingClick();
            break;
        case TrayMenuItem::MenuExit:
            ButtonExitClick();
            break;
        case TrayMenuItem::N4:
            break;  // a separator
    }
}

void KorvaneCore::ActivateClick() {
    if (!trayStatus_.ActivationImpossible()) wall_->ActivateWall();
    trayStatus_.ShowStatusBalloon(routing::kStateActivated);
}

void KorvaneCore::DeactivateClick() {
    if (!PasswordCheck()) return;
    wall_->DeactivateWall();
    trayStatus_.ShowStatusBalloon(routing::kStateDeactivated);
}

void KorvaneCore::SettingsClick() {
    if (!PasswordCheck()) return;
    platform_.shell.SelectFirstPage();
    platform_.shell.ShowMainWindow();
}

void KorvaneCore::WhiteListOnClick(TrayMenuItem clicked) {
    const bool on = clicked == TrayMenuItem::WhiteListOn;
    platform_.tray.SetChecked(TrayMenuItem::WhiteListOn, on);
    platform_.tray.SetChecked(TrayMenuItem::WhiteListOff, !on);
    if (controls_.CheckBoxUseWhiteList != on) {
        controls_.CheckBoxUseWhiteList = on;
        addressLists_->CheckBoxUseWhiteListClick();
    }
    if (wall_->ActivateChecked()) wall_->ActivateWall();
}

void KorvaneCore::TrayIconDblClick() {
    switch (controls_.ComboBoxTrayDoubleClick) {
        case 1:
            checkAddressForm_->Show();
            break;
        case 2:
            if (platform_.shell.MainWindowVisible()) {
                platform_.shell.BringToFront();
            } else {
                RunMenuCommand(TrayMenuItem::Settings);
            }
            break;
        case 3:
            RunMenuCommand(wall_->ActivateChecked() ? TrayMenuItem::Deactivate
                                                    : TrayMenuItem::Activate);
            break;
        default:
            break;  // "Ничего не делать", or no choice
    }
}

bool KorvaneCore::PasswordCheck() {
    if (passwordDigest_.empty()) return true;
    const std::optional<std::string> typed = platform_.shell.AskPassword();
    return typed && PasswordDigestText(*typed) == passwordDigest_;
}

// The program changes the box's tick without raising its click, so no click has to be ignored.
void KorvaneCore::CheckBoxPasswordClick() {
    if (controls_.CheckBoxPassword) {
        const std::optional<std::string> password = platform_.shell.AskNewPassword();
        if (password && !password->empty()) {
            passwordDigest_ = PasswordDigestText(*password);
        } else {
            controls_.CheckBoxPassword = false;
        }
        return;
    }
    platform::Message question{"Вы уверены что хотите сбросить текущий пароль?", "Сброс пароля",
                               platform::MessageIcon::Question, platform::MessageButtons::YesNo};
    question.defaultButton = platform::MessageAnswer::No;
    const platform::MessageAnswer answer = platform_.messages.Show(question);
    if (answer == platform::MessageAnswer::Yes) {
        passwordDigest_.clear();
    } else {
        controls_.CheckBoxPassword = true;
    }
}

}  // namespace korvane::core
