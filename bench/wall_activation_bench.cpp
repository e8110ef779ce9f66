// ActivateWall with 10,000 subnets on the netlink backend, side by side with `ip -batch`
// installing the same routes; and re-activation (cleanup plus re-adding) side by side with
// `ip -batch` deleting and re-adding them. "UseStaticRoutes" is ticked and the persistent-routes
// key exists, as on an installed system. Runs in a private network namespace this program makes
// for itself before anything else.
#include <benchmark/benchmark.h>
#include <sched.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/controls.h"
#include "lists/subnet_list.h"
#include "platform/iphelper_netlink.h"
#include "platform/messages.h"
#include "platform/registry.h"
#include "platform/timer.h"
#include "plugins/plugin_caller.h"
#include "routing/persistent_routes.h"
#include "routing/route_operations.h"
#include "routing/tray_status.h"
#include "routing/tray_view.h"
#include "routing/wall.h"
#include "routing/wall_state.h"
#include "support/private_netns.h"

namespace {

using namespace korvane;
using bench::Shell;

constexpr int kSubnets = 10000;
constexpr char kGateway[] = "10.20.30.1";

// 20.1.1.0/24 ... : no octet is 0, so no destination contains "0.0.0.0".
std::string Subnet(int i) {
    return "20." + std::to_string(1 + i / 250) + "." + std::to_string(1 + i % 250) + ".0";
}

struct NoPlugins : plugins::PluginCaller {
    void CallEnabledPlugins(plugins::PluginEntry, bool, const std::string&) override {}
};

// The exchange adapter kx0 (10.20.30.40/24, default route through 10.20.30.1), the second
// adapter ks0, and the wall on them with blocking method 1.
struct Rig {
    std::filesystem::path folder;
    std::filesystem::path addBatch, deleteBatch, readdBatch;
    std::unique_ptr<platform::NetlinkIpHelper> netlink;
    std::unique_ptr<platform::Registry> registry;
    std::unique_ptr<routing::PersistentRoutes> persistent;
    routing::WallState state;
    lists::SubnetList subnets;
    core::Controls controls;
    routing::RecordingTrayView tray;
    routing::TrayStatus trayStatus{tray, controls};
    platform::ScriptedMessages messages;
    platform::ManualTimer renewTimer;
    NoPlugins plugins;
    std::unique_ptr<routing::RouteOperations> routes;
    std::unique_ptr<routing::Wall> wall;

    Rig() {
        char pattern[] = "/tmp/korvane-bench-XXXXXX";
        folder = mkdtemp(pattern);
        Shell("ip link set lo up");
        Shell(
            "ip link add kx0 type veth peer name kx0p && ip link add ks0 type veth peer name ks0p");
        Shell("ip addr add 10.20.30.40/24 dev kx0 && ip addr add 192.168.5.10/24 dev ks0");
        Shell(
            "ip link set kx0 up && ip link set kx0p up && ip link set ks0 up && ip link set ks0p "
            "up");
        Shell("ip route add default via 10.20.30.1 dev kx0 metric 2");

        addBatch = folder / "add.batch";
        deleteBatch = folder / "delete.batch";
        readdBatch = folder / "readd.batch";
        std::ofstream add(addBatch), del(deleteBatch), readd(readdBatch);
        std::vector<std::string> lines;
        for (int i = 0; i < kSubnets; ++i) {
            const std::string route =
                Subnet(i) + "/24 via " + kGateway + " dev kx0 proto 222 metric 1\n";
            add << "route add " << route;
            del << "route del " << route;
            lines.push_back(Subnet(i) + "/24");
        }
        for (int i = 0; i < kSubnets; ++i)
            readd << "route del " << Subnet(i) << "/24 via " << kGateway
                  << " dev kx0 proto 222 metric 1\n";
        for (int i = 0; i < kSubnets; ++i)
            readd << "route add " << Subnet(i) << "/24 via " << kGateway
                  << " dev kx0 proto 222 metric 1\n";
        subnets.ParseSubnetList(lines);

        netlink = std::make_unique<platform::NetlinkIpHelper>();
        registry = std::make_unique<platform::Registry>(folder);
        registry->CreateKey(platform::Hive::LocalMachine, routing::kPersistentRoutesKey);
        persistent = std::make_unique<routing::PersistentRoutes>(*registry);
        state.Adapters = routing::TAdapterList(*netlink);
        state.LocalNetworks.Build(state.Adapters);
        state.ExchangeAdapterName = "kx0";
        state.SecondAdapterName = "ks0";
        state.SecondAdapter = state.Adapters.FindByName("ks0");
        state.ExchangeGateway = kGateway;
        controls.comboBlockByLoopback.itemIndex = routing::kBlockVirtualAdapter;
        controls.checkUseStaticRoutes = true;
        routes = std::make_unique<routing::RouteOperations>(*netlink, messages, *persistent, state,
                                                            controls);
        wall = std::make_unique<routing::Wall>(
            routing::WallParts{*netlink, *routes, *persistent, state, subnets, controls, tray,
                               trayStatus, messages, renewTimer, plugins});
    }
    ~Rig() { std::filesystem::remove_all(folder); }

    std::size_t RouteCount() {
        std::uint32_t size = 0;
        netlink->GetIpForwardTable(nullptr, &size, false);
        return size;
    }
    std::size_t PersistentCount() {
        return registry->ValueNames(platform::Hive::LocalMachine, routing::kPersistentRoutesKey)
            .size();
    }
    // Two connected rows, the subnets and the wall's default route.
    void CheckActivated(benchmark::State& benchState) {
        if (RouteCount() != kSubnets + 3 || PersistentCount() != kSubnets + 1 ||
            !messages.shown.empty())
            benchState.SkipWithError("the activated table is not as expected");
    }
};

Rig* rig = nullptr;

void BM_ActivateWall_10000(benchmark::State& state) {
    for (auto _ : state) {
        rig->wall->ActivateWall();
        state.PauseTiming();
        rig->CheckActivated(state);
        rig->wall->DeactivateWall();
        state.ResumeTiming();
    }
}

void BM_IpBatchAdd_10000(benchmark::State& state) {
    for (auto _ : state) {
        Shell("ip -batch " + rig->addBatch.string());
        state.PauseTiming();
        if (rig->RouteCount() != kSubnets + 3) state.SkipWithError("ip -batch did not add them");
        Shell("ip -batch " + rig->deleteBatch.string());
        state.ResumeTiming();
    }
}

void BM_ReactivateWall_10000(benchmark::State& state) {
    rig->wall->ActivateWall();
    for (auto _ : state) {
        rig->wall->ActivateWall();
        state.PauseTiming();
        rig->CheckActivated(state);
        state.ResumeTiming();
    }
    rig->wall->DeactivateWall();
}

void BM_IpBatchDeleteReadd_10000(benchmark::State& state) {
    Shell("ip -batch " + rig->addBatch.string());
    for (auto _ : state) {
        Shell("ip -batch " + rig->readdBatch.string());
        state.PauseTiming();
        if (rig->RouteCount() != kSubnets + 3) state.SkipWithError("ip -batch did not re-add them");
        state.ResumeTiming();
    }
    Shell("ip -batch " + rig->deleteBatch.string());
}

BENCHMARK(BM_ActivateWall_10000)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_IpBatchAdd_10000)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_ReactivateWall_10000)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();
BENCHMARK(BM_IpBatchDeleteReadd_10000)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    // Never this machine's routing table: a namespace of our own first, or nothing at all.
    return korvane::bench::RunWithRigInPrivateNamespace(argc, argv, rig);
}
