// AddRoute and CleanupRoutes on the netlink backend against `ip -batch` doing the same to the
// same 10,000 routes, in a private network namespace this program makes for itself before
// anything else; plus CleanupRoutes on the simulated table at two sizes, to show it linear.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <net/if.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/iphelper_netlink.h"
#include "platform/iphelper_sim.h"
#include "platform/registry.h"
#include "routing/ipv4.h"
#include "routing/route_operations.h"
#include "support/private_netns.h"

namespace {

using namespace korvane;
using bench::Shell;

constexpr int kRoutes = 10000;
constexpr char kGateway[] = "10.77.0.1";

std::string Destination(int i) {
    return "100." + std::to_string(64 + i / 256) + "." + std::to_string(i % 256) + ".0";
}

// One network namespace, one registry folder, and the wall's objects on them.
struct Rig {
    std::filesystem::path folder;
    std::filesystem::path addBatch, deleteBatch;
    std::unique_ptr<platform::NetlinkIpHelper> netlink;
    std::unique_ptr<platform::Registry> registry;
    std::unique_ptr<routing::PersistentRoutes> persistent;
    platform::ScriptedMessages messages;
    routing::WallState wall;
    core::Controls controls;
    std::unique_ptr<routing::RouteOperations> ops;
    std::uint32_t exchangeIndex = 0;

    Rig() {
        char pattern[] = "/tmp/korvane-bench-XXXXXX";
        folder = mkdtemp(pattern);
        Shell("ip link set lo up");
        Shell("ip link add kv0 type veth peer name kv1");
        Shell("ip addr add 10.77.0.2/24 dev kv0");
        Shell("ip link set kv0 up && ip link set kv1 up");
        exchangeIndex = if_nametoindex("kv0");

        addBatch = folder / "add.batch";
        deleteBatch = folder / "delete.batch";
        std::ofstream add(addBatch), del(deleteBatch);
        for (int i = 0; i < kRoutes; ++i) {
            add << "route add " << Destination(i) << "/24 via " << kGateway
                << " dev kv0 proto 222 metric 1\n";
            del << "route del " << Destination(i) << "/24 via " << kGateway
                << " dev kv0 proto 222 metric 1\n";
        }

        netlink = std::make_unique<platform::NetlinkIpHelper>();
        registry = std::make_unique<platform::Registry>(folder);
        registry->CreateKey(platform::Hive::LocalMachine, routing::kPersistentRoutesKey);
        persistent = std::make_unique<routing::PersistentRoutes>(*registry);
        wall.Adapters.Refresh(*netlink);
        wall.LocalNetworks.Build(wall.Adapters);
        wall.ExchangeAdapter = wall.Adapters.FindByName("kv0");
        wall.ExchangeGateway = kGateway;
        controls.checkUseStaticRoutes = true;
        ops = std::make_unique<routing::RouteOperations>(*netlink, messages, *persistent, wall,
                                                         controls);
    }
    ~Rig() { std::filesystem::remove_all(folder); }

    void ClearPersistentRoutes() {
        registry->DeleteKeyTree(platform::Hive::LocalMachine, routing::kPersistentRoutesKey);
        registry->CreateKey(platform::Hive::LocalMachine, routing::kPersistentRoutesKey);
    }
    // The routes and their persistent copies as AddRoute leaves them.
    void InstallRoutes() {
        Shell("ip -batch " + addBatch.string());
        platform::RegistryBatch copies;
        for (int i = 0; i < kRoutes; ++i)
            copies.WriteString(routing::kPersistentRoutesKey,
                               Destination(i) + ",255.255.255.0," + kGateway + ",1", "");
        registry->Apply(platform::Hive::LocalMachine, copies);
    }
    void CheckRouteCount(benchmark::State& state, std::size_t expected) {
        std::uint32_t size = 0;
        netlink->GetIpForwardTable(nullptr, &size, false);
        if (size != expected) state.SkipWithError("the route table is not as expected");
    }
};

Rig* rig = nullptr;

void BM_AddRoute_10000(benchmark::State& state) {
    for (auto _ : state) {
        {
            routing::PersistentRoutes::Batch batch(*rig->persistent);  // as activation does
            for (int i = 0; i < kRoutes; ++i)
                if (rig->ops->AddRoute(Destination(i), "255.255.255.0", kGateway, "",
                                       rig->exchangeIndex) != 0)
                    state.SkipWithError("AddRoute failed");
        }
        state.PauseTiming();
        rig->CheckRouteCount(state, kRoutes + 1);
        Shell("ip -batch " + rig->deleteBatch.string());
        rig->ClearPersistentRoutes();
        state.ResumeTiming();
    }
}

void BM_IpBatchAdd_10000(benchmark::State& state) {
    for (auto _ : state) {
        Shell("ip -batch " + rig->addBatch.string());
        state.PauseTiming();
        rig->CheckRouteCount(state, kRoutes + 1);
        Shell("ip -batch " + rig->deleteBatch.string());
        state.ResumeTiming();
    }
}

void BM_CleanupRoutes_10000(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        rig->InstallRoutes();
        state.ResumeTiming();
        rig->ops->CleanupRoutes();
        state.PauseTiming();
        rig->CheckRouteCount(state, 1);  // the local network's row
        if (!rig->registry->ValueNames(platform::Hive::LocalMachine, routing::kPersistentRoutesKey)
                 .empty())
            state.SkipWithError("persistent copies left behind");
        state.ResumeTiming();
    }
}

void BM_IpBatchDelete_10000(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        Shell("ip -batch " + rig->addBatch.string());
        state.ResumeTiming();
        Shell("ip -batch " + rig->deleteBatch.string());
        state.PauseTiming();
        rig->CheckRouteCount(state, 1);
        state.ResumeTiming();
    }
}

// CleanupRoutes over n rows of the simulated table; half of them have a persistent copy
// and are spared, the other half are deleted.
void BM_CleanupRoutesSim(benchmark::State& state) {
    const auto rows = static_cast<std::uint32_t>(state.range(0));
    char pattern[] = "/tmp/korvane-bench-XXXXXX";
    const std::filesystem::path folder = mkdtemp(pattern);
    platform::Registry registry(folder);
    platform::RegistryBatch copies;
    copies.CreateKey(routing::kPersistentRoutesKey);
    platform::SimIpHelper sim("adapter 2 eth0 10.20.30.41 255.255.255.0\n");
    std::vector<platform::MIB_IPFORWARDROW> table;
    for (std::uint32_t i = 0; i < rows; ++i) {
        platform::MIB_IPFORWARDROW row;
        row.dwForwardDest = htonl((100u << 24) | (i << 8));
        row.dwForwardMask = htonl(0xFFFFFF00u);
        row.dwForwardNextHop = routing::TextToAddress("10.20.30.1");
        row.dwForwardIfIndex = 2;
        row.dwForwardMetric1 = 1;
        table.push_back(row);
        if (i % 2)
            copies.WriteString(
                routing::kPersistentRoutesKey,
                routing::AddressToText(row.dwForwardDest) + ",255.255.255.0,10.20.30.1,1", "");
    }
    registry.Apply(platform::Hive::LocalMachine, copies);
    routing::PersistentRoutes persistent(registry);
    platform::ScriptedMessages messages;
    routing::WallState wall;
    wall.ExchangeGateway = "10.20.30.1";
    core::Controls controls;
    controls.checkDontDeleteStaticRoutes = true;
    routing::RouteOperations ops(sim, messages, persistent, wall, controls);
    for (auto _ : state) {
        state.PauseTiming();
        sim.Routes() = table;
        state.ResumeTiming();
        ops.CleanupRoutes();
    }
    if (sim.Routes().size() != rows / 2) state.SkipWithError("wrong rows left");
    state.SetComplexityN(rows);
    std::filesystem::remove_all(folder);
}

BENCHMARK(BM_AddRoute_10000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_IpBatchAdd_10000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_CleanupRoutes_10000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_IpBatchDelete_10000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_CleanupRoutesSim)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->Complexity(benchmark::oN);

}  // namespace

int main(int argc, char** argv) {
    // Never this machine's routing table: a namespace of our own first, or nothing at all.
    return korvane::bench::RunWithRigInPrivateNamespace(argc, argv, rig);
}
