#include <cstdint>
#include <string>

#include "routing/ipv4.h"
#include "routing/wall.h"

namespace korvane::routing {

namespace {

// VPN mode needs the server's address and a usable exchange adapter: one with an address
// outside the cable modem's own 192.168.100 range.
bool VpnPreconditionMet(const WallState& state) {
    const AdapterRef& exchange = state.ExchangeAdapter;
    return !state.VpnServerAddress.empty() && exchange && exchange->IpAddress != "0.0.0.0" &&
           exchange->IpAddress.find("192.168.100") == std::string::npos;
}

// Lines of the white and black lists that name an entry; empty lines and comments are skipped,
// so are lines ParseAddressSpec rejects.
template <typename Route>
void ForEachListEntry(const std::vector<std::string>& lines, Route route) {
    for (const std::string& line : lines) {
        if (line.empty() || line[0] == '#') continue;
        const AddressSpec entry = ParseAddressSpec(line);
        if (entry.ok) route(entry.address, PrefixToMaskText(entry.prefix));
    }
}

}  // namespace

void Wall::ActivateWall() {
    WallState& state = parts_.state;
    const core::Controls& controls = parts_.controls;
    const std::string previousHint = parts_.tray.Hint();
    parts_.tray.SetHint(std::string(kHintActivating));
    if (!RefreshAdapters()) {
        parts_.tray.SetHint(previousHint);
        return;
    }

    if (state.UseVpn && !VpnPreconditionMet(state)) {
        parts_.trayStatus.ShowStatusSummary(kStateDeactivated);
        parts_.trayStatus.ShowStatusBalloon(kStateDeactivated);
        return;
    }
    if (parts_.subnets.Count() == 0) return;

    const int method = BlockingMethod(controls);
    if (method != kBlockDoNotManage) {
        if (!state.ExchangeAdapter) {
            // Nothing can be routed without the adapter: keep the request and wait for it.
            SetRequestedState(true);
            parts_.renewPeriodTimer.SetEnabled(true);
            ShowExchangeAdapterMissing();
            return;
        }
        RouteThroughExchange();
    }

    parts_.plugins.CallEnabledPlugins(plugins::PluginEntry::TurnWorldOff,
                                      parts_.tray.Checked(TrayMenuItem::WhiteListOn),
                                      ExchangeAdapterAddress());
    SetRequestedState(true);
    parts_.trayStatus.ShowStatusSummary(kStateActivated);
    if (controls.checkBoxEnablePopupsOnUpdate) parts_.trayStatus.ShowStatusBalloon(kStateActivated);
    parts_.tray.SetPicture(TrayPicture::IconOn);
}

void Wall::RouteThroughExchange() {
    WallState& state = parts_.state;
    RouteOperations& routes = parts_.routes;
    const TAdapterItem& exchange = *state.ExchangeAdapter;
    // One rewrite of the persistent routes for the whole activation.
    PersistentRoutes::Batch batch(parts_.persistentRoutes);

    routes.CleanupRoutes();
    if (parts_.controls.CheckBoxUseWhiteList) ApplyWhiteLists();
    if (state.LanMode) state.LanNetwork = NetworkAddress(exchange.IpAddress, exchange.IpMask);

    // Only the last route tells: a failure in the middle of the list goes unreported.
    std::uint32_t lastResult = 0;
    const std::vector<std::string>& addresses = parts_.subnets.SubnetAddresses();
    const std::vector<std::string>& masks = parts_.subnets.SubnetMasks();
    for (std::size_t i = 0; i < addresses.size(); ++i) {
        if (state.LanMode && addresses[i] == state.LanNetwork) continue;
        lastResult =
            routes.AddRoute(addresses[i], masks[i], state.ExchangeGateway, "", exchange.Index);
    }
    if (lastResult != 0) {
        parts_.messages.Error(kRouteProblemMessage);
        return;
    }

    if (VpnMode(state)) {
        routes.AddRoute(state.VpnServerAddress, "255.255.255.255", state.ExchangeGateway, "1",
                        exchange.Index);
    }
    parts_.renewPeriodTimer.SetEnabled(true);
    // Also removes a default route that untouched destinations or a persistent copy protected.
    routes.DeleteRoutes("0.0.0.0", state.ExchangeGateway);
    const std::string wallNextHop = WallDefaultNextHop();
    if (!wallNextHop.empty()) {
        routes.AddRoute("0.0.0.0", "0.0.0.0", wallNextHop, VpnMode(state) ? "2" : "1",
                        state.SecondAdapter->Index);
    }
}

void Wall::ApplyWhiteLists() {
    const WallState& state = parts_.state;
    RouteOperations& routes = parts_.routes;
    const std::uint32_t exchangeIndex = state.ExchangeAdapter->Index;
    ForEachListEntry(parts_.controls.MemoWhiteList,
                     [&](const std::string& address, const std::string& mask) {
                         routes.AddRoute(address, mask, state.ExchangeGateway, "", exchangeIndex);
                     });
    if (BlockingMethod(parts_.controls) <= kBlockVirtualAdapter) return;
    ForEachListEntry(parts_.controls.memoWhiteList2, [&](const std::string& address,
                                                         const std::string& mask) {
        routes.DeleteRoutes(address, state.ExchangeGateway);
        // Without the second adapter the entry stays unrouted, like the
        // default route of this method.
        if (state.SecondAdapter) {
            routes.AddRoute(address, mask, state.ForeignGateway, "", state.SecondAdapter->Index);
        }
    });
}

}  // namespace korvane::routing
