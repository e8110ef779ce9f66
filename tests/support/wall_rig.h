#pragma once
// The wall with every seam it talks to, for tests on the sim backend or on netlink inside a
// private network namespace: a registry of its own with the persistent-routes key, a recording
// tray, scripted messages, a manual monitor timer and a recording plug-in caller.
#include <string>
#include <vector>

#include "core/controls.h"
#include "lists/subnet_list.h"
#include "lists/update_log.h"
#include "platform/iphelper.h"
#include "platform/messages.h"
#include "platform/registry.h"
#include "platform/timer.h"
#include "plugins/plugin_caller.h"
#include "routing/gateway_monitor.h"
#include "routing/persistent_routes.h"
#include "routing/route_operations.h"
#include "routing/tray_status.h"
#include "routing/tray_view.h"
#include "routing/wall.h"
#include "routing/wall_state.h"
#include "support/temp_dir.h"

namespace korvane::test {

struct PluginCall {
    plugins::PluginEntry entry;
    bool whiteListOn;
    std::string adapterAddress;
    bool operator==(const PluginCall&) const = default;
};

class RecordingPluginCaller : public plugins::PluginCaller {
  public:
    void CallEnabledPlugins(plugins::PluginEntry entry, bool whiteListOn,
                            const std::string& adapterAddress) override {
        calls.push_back({entry, whiteListOn, adapterAddress});
    }
    std::vector<PluginCall> calls;
};

struct WallSettings {
    std::string exchangeAdapterName = "eth0";
    std::string secondAdapterName;
    std::string gatewayAddress;  // setting "GatewayAddress"
    std::string foreignGatewayAddress;
    int blockingMethod = 0;
    bool persistentRoutesKey = true;
};

class WallRig {
  public:
    explicit WallRig(platform::IpHelper& ipHelper) : ipHelper(ipHelper) {}

    // The program's start as far as the wall is concerned: adapters, local networks, the
    // adapter settings, the start-up adapter check, then the monitor timer enabled.
    void Start(const WallSettings& settings) {
        if (settings.persistentRoutesKey) {
            registry.CreateKey(platform::Hive::LocalMachine, routing::kPersistentRoutesKey);
        }
        state.Adapters = routing::TAdapterList(ipHelper);
        state.LocalNetworks.Build(state.Adapters);
        state.ExchangeAdapterName = settings.exchangeAdapterName;
        state.SecondAdapterName = settings.secondAdapterName;
        state.SecondAdapter = state.Adapters.FindByName(settings.secondAdapterName);
        state.ExchangeGateway = settings.gatewayAddress;
        controls.editGateway = settings.gatewayAddress;
        state.ForeignGateway = settings.foreignGatewayAddress;
        controls.editForeignGateway = settings.foreignGatewayAddress;
        controls.comboBlockByLoopback.itemIndex = settings.blockingMethod;
        monitor.StartupAdapterCheck();
        renewTimer.SetEnabled(true);
    }

    void SetSubnets(const std::vector<std::string>& lines) {
        subnets.ParseSubnetList(lines);
        controls.LabelSubnetsCount = std::to_string(subnets.Count());
    }

    std::vector<std::string> PersistentRouteNames() {
        return registry.ValueNames(platform::Hive::LocalMachine, routing::kPersistentRoutesKey);
    }

    routing::WallParts Parts() {
        return {ipHelper, routes,     persistentRoutes, state,      subnets, controls,
                tray,     trayStatus, messages,         renewTimer, plugins};
    }

    platform::IpHelper& ipHelper;
    TempDir dir;
    platform::Registry registry{dir.path()};
    routing::PersistentRoutes persistentRoutes{registry};
    routing::WallState state;
    lists::SubnetList subnets;
    core::Controls controls;
    routing::RecordingTrayView tray;
    routing::TrayStatus trayStatus{tray, controls};
    platform::ScriptedMessages messages;
    platform::ManualTimer renewTimer;
    RecordingPluginCaller plugins;
    lists::UpdateLog log;
    routing::RouteOperations routes{ipHelper, messages, persistentRoutes, state, controls};
    routing::Wall wall{Parts()};
    routing::GatewayMonitor monitor{Parts(), wall, log};
};

}  // namespace korvane::test
