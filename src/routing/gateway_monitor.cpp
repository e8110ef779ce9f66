#include "routing/gateway_monitor.h"

#include <string>
#include <utility>

#include "routing/adapters.h"

namespace korvane::routing {

GatewayMonitor::GatewayMonitor(const WallParts& parts, WallHooks& wall, lists::UpdateLog& log)
    : parts_(parts), wall_(wall), log_(log) {
    parts_.renewPeriodTimer.onTimer = [this] { TimerRenewPeriodTimer(); };
}

bool GatewayMonitor::ManagesRoutes() const {
    return BlockingMethod(parts_.controls) != kBlockDoNotManage;
}

void GatewayMonitor::StartupAdapterCheck() {
    WallState& state = parts_.state;
    parts_.trayStatus.ClearActivationImpossible();
    state.ExchangeAdapter = state.Adapters.FindByName(state.ExchangeAdapterName);
    FillAdapterCombos(parts_.controls, state.Adapters, state.ExchangeAdapter, state.SecondAdapter);

    const AdapterRef& exchange = state.ExchangeAdapter;
    if (exchange && exchange->IpAddress != "0.0.0.0" &&
        exchange->IpAddress.find("192.168.100.") == std::string::npos) {
        if (!exchange->Gateway.empty()) {
            state.ExchangeGateway = exchange->Gateway;
            parts_.controls.editGateway = exchange->Gateway;
        }
        return;
    }
    // "Activate at start" (CheckBoxAutoLock) still marks the request, so the first tick that
    // finds the adapter usable activates the wall.
    const bool activate = parts_.controls.CheckBoxAutoLock;
    parts_.tray.SetChecked(TrayMenuItem::Activate, activate);
    parts_.tray.SetChecked(TrayMenuItem::Deactivate, !activate);
    parts_.trayStatus.ShowActivationImpossible();
}

void GatewayMonitor::TimerRenewPeriodTimer() {
    WallState& state = parts_.state;
    TAdapterList fresh;
    try {
        fresh.Refresh(parts_.ipHelper);
    } catch (const EIpHlpError&) {
        return;  // the next tick tries again
    }
    const AdapterRef found = fresh.FindByName(state.ExchangeAdapterName);

    if (found) {
        const bool newGateway = !found->Gateway.empty() && found->Gateway != state.ExchangeGateway;
        const bool changed = parts_.trayStatus.ActivationImpossible() || !state.ExchangeAdapter ||
                             found->Index != state.ExchangeAdapter->Index || newGateway;
        if (changed) AdoptChangedAdapter(std::move(fresh), found);
    } else if (!parts_.trayStatus.ActivationImpossible()) {
        if (ManagesRoutes()) {
            parts_.routes.CleanupRoutes();
            parts_.routes.DeleteRoutes("0.0.0.0", state.ExchangeGateway);
        }
        parts_.trayStatus.ShowActivationImpossible();
    }

    // A DHCP lease renewal puts the default route through the exchange gateway back.
    if (ManagesRoutes() && wall_.ActivateChecked() && parts_.controls.CheckBoxGatewayMonitor) {
        parts_.routes.DeleteRoutes("0.0.0.0", state.ExchangeGateway);
    }
}

void GatewayMonitor::AdoptChangedAdapter(TAdapterList fresh, const AdapterRef& found) {
    WallState& state = parts_.state;
    if (!found->Gateway.empty() && found->Gateway != state.ExchangeGateway) {
        // Not written to the settings: the setting stays the fallback for an adapter without one.
        state.ExchangeGateway = found->Gateway;
        parts_.controls.editGateway = found->Gateway;
    }
    const std::string line =
        "Изменились интерфейсы:  Gateway = " + found->Gateway + ". IP = " + found->IpAddress;
    if (!parts_.trayStatus.ActivationImpossible()) parts_.trayStatus.ShowActivationImpossible();
    log_.AddLogLine(line, false);

    parts_.trayStatus.ClearActivationImpossible();
    state.ExchangeAdapter = found;
    state.SecondAdapter = fresh.FindByName(state.SecondAdapterName);
    state.Adapters = std::move(fresh);
    FillAdapterCombos(parts_.controls, state.Adapters, state.ExchangeAdapter, state.SecondAdapter);
    SetSwitchingItemsEnabled(parts_.tray, true);

    if (wall_.ActivateChecked()) {
        wall_.ActivateWall();
    } else {
        wall_.DeactivateWall();
    }
}

}  // namespace korvane::routing
