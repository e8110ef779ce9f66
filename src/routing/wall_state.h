#pragma once
// The state every routing operation reads: adapters, local networks, the exchange and second
// adapter, gateways, VPN and LAN mode and the untouched destinations.
//
// Three more parts of that state live where their owners keep them and are read live:
// the subnet list (lists::SubnetList), the blocking method (the item index of
// core::Controls::comboBlockByLoopback, see BlockingMethod) and the two check boxes
// core::Controls::checkUseStaticRoutes and checkDontDeleteStaticRoutes.
#include <string>
#include <vector>

#include "core/controls.h"
#include "routing/adapters.h"

namespace korvane::routing {

// Items of comboBlockByLoopback.
enum BlockMethod : int {
    kBlockRemoveDefaultRoute = 0,
    kBlockVirtualAdapter = 1,
    kBlockOtherAdapter = 2,
    kBlockDoNotManage = 3,
};

struct WallState {
    TAdapterList Adapters;
    TWin2KBlackRouteList LocalNetworks;  // built once at start

    std::string ExchangeAdapterName;  // setting "Tarvel_Adapter"
    AdapterRef ExchangeAdapter;       // none = nullptr
    std::string SecondAdapterName;    // setting "Loopback_Adapter"
    AdapterRef SecondAdapter;

    std::string ExchangeGateway;  // "GatewayAddress", or the exchange adapter's gateway
    std::string ForeignGateway;   // "ForeignGatewayAddress"

    bool UseVpn = false;
    std::string VpnServerName;
    std::string VpnServerAddress;  // may be empty

    bool LanMode = false;
    std::string LanNetwork;  // computed at activation

    std::vector<std::string> UntouchedDestinations;  // lines of Lists/untouch-dests.lst
};

// The items of comboBlockByLoopback, by blocking method.
inline const std::vector<std::string>& BlockingMethodCaptions() {
    static const std::vector<std::string> captions = {
        "Блокировка путем сброса гейта по умолчанию",
        "Блокировка путем перенаправления на виртуальный адаптер (рекомменд.)",
        "Перенаправление на другой адаптер",
        "Не управлять зарубежным трафиком на основе маршрутизации пакетов",
    };
    return captions;
}

// The blocking method: the item index of comboBlockByLoopback.
inline int BlockingMethod(const core::Controls& controls) {
    return controls.comboBlockByLoopback.itemIndex;
}

// UseVpn on and VpnServerAddress not empty.
inline bool VpnMode(const WallState& wall) { return wall.UseVpn && !wall.VpnServerAddress.empty(); }

}  // namespace korvane::routing
