#pragma once
// Switching the wall: ActivateWall routes the exchange subnets, the white list and the VPN
// server through the exchange gateway and replaces the default route by the blocking method;
// DeactivateWall removes the wall's routes and restores the default route through the exchange
// gateway. Both tell the enabled plug-ins and show the new state in the tray.
//
// Cases left open by the routing rules, decided here:
// - No exchange adapter (methods 0 to 2): its routes need its interface, so activation touches
//   no route, deactivation removes the wall's routes but cannot restore the default route; both
//   set the requested mark and show the activation-impossible state, so the gateway monitor
//   re-applies the request once the adapter is back. With method 3 nothing needs the adapter.
// - A black list with no second adapter: its destinations lose their exchange routes but get
//   no foreign route, as the default route of method 2 is also left out without that adapter.
// - No adapter address for the plug-ins: they get an empty text.
// - Adapter enumeration failing: the error is shown, no route is touched and the tray shows
//   the state it showed before.
#include "core/controls.h"
#include "lists/subnet_list.h"
#include "platform/iphelper.h"
#include "platform/messages.h"
#include "platform/timer.h"
#include "plugins/plugin_caller.h"
#include "routing/persistent_routes.h"
#include "routing/route_operations.h"
#include "routing/tray_status.h"
#include "routing/tray_view.h"
#include "routing/wall_hooks.h"
#include "routing/wall_state.h"

namespace korvane::routing {

inline constexpr char kRouteProblemMessage[] =
    "Проблема при создании правила маршрутизации. Проверьте значение шлюза по умолчанию а также "
    "содержимое белых списков";

// Everything the wall and its gateway monitor work with; owned by the program's core object.
struct WallParts {
    platform::IpHelper& ipHelper;
    RouteOperations& routes;
    PersistentRoutes& persistentRoutes;
    WallState& state;
    const lists::SubnetList& subnets;
    core::Controls& controls;
    TrayView& tray;
    TrayStatus& trayStatus;
    platform::Messages& messages;
    platform::Timer& renewPeriodTimer;  // TimerRenewPeriod, the gateway monitor's timer
    plugins::PluginCaller& plugins;
};

class Wall final : public WallHooks {
  public:
    explicit Wall(const WallParts& parts) : parts_(parts) {}
    Wall(const Wall&) = delete;
    Wall& operator=(const Wall&) = delete;

    void ActivateWall() override;
    void DeactivateWall() override;
    bool ActivateChecked() const override;
    bool ActivationImpossible() const override;

  private:
    // Steps of activation with a blocking method that manages routes.
    void RouteThroughExchange();
    void ApplyWhiteLists();
    // Adapters refilled and ExchangeAdapter looked up again; false (error shown) on failure.
    bool RefreshAdapters();
    // The wall's default route leads here with methods 1 and 2; empty otherwise.
    std::string WallDefaultNextHop() const;
    void SetRequestedState(bool activated);
    void ShowExchangeAdapterMissing();
    std::string ExchangeAdapterAddress() const;

    WallParts parts_;
};

}  // namespace korvane::routing
