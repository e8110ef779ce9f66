#include "routing/tray_status.h"

namespace korvane::routing {

namespace {
constexpr std::string_view kLineBreak = "\n\r";  // line feed first, as the tray has always shown it
constexpr int kStatusBalloonSeconds = 10;
}  // namespace

std::string ListStatusText(const core::Controls& controls) {
    std::string text = "Последнее обновление: ";
    text += controls.LabelLastUpdated;
    text += kLineBreak;
    text += "Количество подсетей: ";
    text += controls.LabelSubnetsCount;
    return text;
}

std::string StatusSummary(std::string_view stateLine, const core::Controls& controls) {
    std::string summary(stateLine);
    summary += kLineBreak;
    summary += ListStatusText(controls);
    return summary;
}

void TrayStatus::ShowStatusSummary(std::string_view stateLine) {
    tray_.SetHint(StatusSummary(stateLine, controls_));
}

void TrayStatus::ShowRequestedStateSummary() {
    ShowStatusSummary(tray_.Checked(TrayMenuItem::Activate) ? kStateActivated : kStateDeactivated);
}

void TrayStatus::ShowStatusBalloon(std::string_view stateText) {
    statusTitle_ = std::string(stateText);
    if (!controls_.CheckBoxEnableBalloons) return;
    tray_.ShowBalloon({statusTitle_, ListStatusText(controls_), kStatusBalloonSeconds});
}

void TrayStatus::ShowActivationImpossible() {
    SetSwitchingItemsEnabled(tray_, false);
    tray_.SetPicture(tray_.Checked(TrayMenuItem::Activate) ? TrayPicture::UnavailableActivated
                                                           : TrayPicture::UnavailableDeactivated);
    activationImpossible_ = true;
    ShowStatusSummary(kStateActivationImpossible);
    if (controls_.checkBoxEnablePopupsOnUpdate) ShowStatusBalloon(kStateActivationImpossible);
}

void SetSwitchingItemsEnabled(TrayView& tray, bool enabled) {
    for (TrayMenuItem item : {TrayMenuItem::Activate, TrayMenuItem::Deactivate,
                              TrayMenuItem::WhiteListOn, TrayMenuItem::WhiteListOff}) {
        tray.SetEnabled(item, enabled);
    }
}

}  // namespace korvane::routing
