#pragma once
// The tray's account of the wall's state: the status summary hint, the status balloon and the
// activation-impossible presentation.
#include <string>
#include <string_view>

#include "core/controls.h"
#include "routing/tray_view.h"

namespace korvane::routing {

inline constexpr std::string_view kStateActivated = "Korvane (активирована)";
inline constexpr std::string_view kStateDeactivated = "Korvane (деактивирована)";
inline constexpr std::string_view kStateActivationImpossible = "Korvane (активация невозможна)";
inline constexpr std::string_view kHintActivating = "Korvane (активирование в процессе)";
inline constexpr std::string_view kHintDeactivating = "Korvane (деактивирование в процессе)";

// "Последнее обновление: <LabelLastUpdated>\n\rКоличество подсетей: <LabelSubnetsCount>".
std::string ListStatusText(const core::Controls& controls);
// The state line, "\n\r" and the list status text: the full hint of a state.
std::string StatusSummary(std::string_view stateLine, const core::Controls& controls);

class TrayStatus {
  public:
    TrayStatus(TrayView& tray, const core::Controls& controls) : tray_(tray), controls_(controls) {}

    // Sets the hint to the status summary of the state line.
    void ShowStatusSummary(std::string_view stateLine);
    // The summary of the requested state, by Activate's mark (list loads and downloads).
    void ShowRequestedStateSummary();
    // Remembers the title; shows the balloon only when balloons are enabled.
    void ShowStatusBalloon(std::string_view stateText);
    // Disables the switching items, shows the unavailable picture by Activate's mark, sets the
    // flag, the hint and (popups on update ticked) the balloon. Check marks stay as they are.
    void ShowActivationImpossible();

    bool ActivationImpossible() const { return activationImpossible_; }
    void ClearActivationImpossible() { activationImpossible_ = false; }
    const std::string& StatusTitle() const { return statusTitle_; }

  private:
    TrayView& tray_;
    const core::Controls& controls_;
    bool activationImpossible_ = false;
    std::string statusTitle_{kStateDeactivated};
};

// Activate, Deactivate, WhiteListOn, WhiteListOff: enabled or disabled together.
void SetSwitchingItemsEnabled(TrayView& tray, bool enabled);

}  // namespace korvane::routing
