#include "routing/wall.h"

#include <string>

#include "routing/adapters.h"

namespace korvane::routing {

bool Wall::ActivateChecked() const { return parts_.tray.Checked(TrayMenuItem::Activate); }

bool Wall::ActivationImpossible() const { return parts_.trayStatus.ActivationImpossible(); }

bool Wall::RefreshAdapters() {
    WallState& state = parts_.state;
    try {
        state.Adapters = TAdapterList(parts_.ipHelper);
    } catch (const EIpHlpError& error) {
        parts_.messages.Error(error.what());
        return false;
    }
    // An adapter may have got its address or a new network since the start; its own route
    // must survive the cleanup like those of the networks known then.
    state.LocalNetworks.Include(state.Adapters);
    state.ExchangeAdapter = state.Adapters.FindByName(state.ExchangeAdapterName);
    return true;
}

std::string Wall::WallDefaultNextHop() const {
    const WallState& state = parts_.state;
    if (!state.SecondAdapter) return {};
    switch (BlockingMethod(parts_.controls)) {
        case kBlockVirtualAdapter:
            return state.SecondAdapter->VirtualGateway;
        case kBlockOtherAdapter:
            return state.ForeignGateway;
        default:
            return {};
    }
}

void Wall::SetRequestedState(bool activated) {
    parts_.tray.SetChecked(TrayMenuItem::Activate, activated);
    parts_.tray.SetChecked(TrayMenuItem::Deactivate, !activated);
}

void Wall::ShowExchangeAdapterMissing() {
    // Also disables the switching commands; the gateway monitor re-applies the requested state
    // when the adapter is back.
    parts_.trayStatus.ShowActivationImpossible();
}

std::string Wall::ExchangeAdapterAddress() const {
    const AdapterRef& exchange = parts_.state.ExchangeAdapter;
    return exchange ? exchange->IpAddress : std::string();
}

void Wall::DeactivateWall() {
    if (!RefreshAdapters()) return;
    WallState& state = parts_.state;
    RouteOperations& routes = parts_.routes;
    parts_.tray.SetHint(std::string(kHintDeactivating));
    parts_.renewPeriodTimer.SetEnabled(false);

    const bool managesRoutes = BlockingMethod(parts_.controls) != kBlockDoNotManage;
    if (managesRoutes) {
        PersistentRoutes::Batch batch(parts_.persistentRoutes);
        routes.CleanupRoutes();
        // The wall's own default route survived the cleanup: it leads through another hop.
        const std::string wallNextHop = WallDefaultNextHop();
        if (!wallNextHop.empty()) {
            routes.DeleteRoutes("0.0.0.0", wallNextHop);
            // Its persistent copy would bring the blocking route back at the next system start;
            // it goes as the cleanup's copies go, unless persistent routes are to be kept.
            const core::Controls& controls = parts_.controls;
            if (controls.checkUseStaticRoutes || !controls.checkDontDeleteStaticRoutes) {
                for (const char* metric : {"1", "2"}) {
                    parts_.persistentRoutes.DeletePersistentRoute("0.0.0.0", "0.0.0.0", wallNextHop,
                                                                  metric);
                }
            }
        }
        const bool otherDefaultRoute = routes.CleanupRoutes();
        if (state.ExchangeAdapter) {
            const std::string metric = otherDefaultRoute && VpnMode(state) ? "3" : "2";
            const std::uint32_t status = routes.AddRoute(
                "0.0.0.0", "0.0.0.0", state.ExchangeGateway, metric, state.ExchangeAdapter->Index);
            if (status != 0) {
                parts_.messages.Error(std::string(kRouteProblemMessage) +
                                      ". Код ошибки: " + std::to_string(status));
            }
        }
    }

    parts_.plugins.CallEnabledPlugins(plugins::PluginEntry::TurnWorldOn,
                                      parts_.tray.Checked(TrayMenuItem::WhiteListOn),
                                      ExchangeAdapterAddress());
    SetRequestedState(false);
    if (managesRoutes && !state.ExchangeAdapter) {
        ShowExchangeAdapterMissing();
    } else {
        parts_.trayStatus.ShowStatusSummary(kStateDeactivated);
        parts_.tray.SetPicture(TrayPicture::IconOff);
    }
    parts_.renewPeriodTimer.SetEnabled(true);
}

}  // namespace korvane::routing
