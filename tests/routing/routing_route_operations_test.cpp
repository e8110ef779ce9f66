#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/iphelper_sim.h"
#include "platform/registry.h"
#include "routing/ipv4.h"
#include "routing/route_operations.h"
#include "support/temp_dir.h"

namespace korvane::routing {
namespace {

using platform::Hive;
using platform::MIB_IPFORWARDROW;
using platform::SimIpHelper;
using platform::SimOperation;

// eth0 is the exchange adapter; tap0 the virtual adapter of blocking method 1.
constexpr char kNetwork[] =
    "adapter 2 eth0 10.20.30.41 255.255.255.0 gateway 10.20.30.1\n"
    "adapter 3 tap0 10.0.0.1 255.255.255.0\n"
    "route 0.0.0.0 0.0.0.0 10.20.30.1 2\n"
    "route 224.0.0.0 240.0.0.0 10.20.30.41 2\n";

std::vector<std::string> Without(std::vector<std::string> texts,
                                 const std::vector<std::string>& gone) {
    for (const auto& text : gone) std::erase(texts, text);
    return texts;
}

class RoutingRouteOperations : public ::testing::Test {
  protected:
    RoutingRouteOperations()
        : sim(kNetwork),
          registry(dir.path()),
          persistent(registry),
          ops(sim, messages, persistent, wall, controls) {
        registry.CreateKey(Hive::LocalMachine, kPersistentRoutesKey);
        wall.Adapters.Refresh(sim);
        wall.LocalNetworks.Build(wall.Adapters);
        wall.ExchangeAdapterName = "eth0";
        wall.ExchangeAdapter = wall.Adapters.FindByName("eth0");
        wall.SecondAdapterName = "tap0";
        wall.SecondAdapter = wall.Adapters.FindByName("tap0");
        wall.ExchangeGateway = "10.20.30.1";
        wall.ForeignGateway = "10.0.0.9";
    }

    const MIB_IPFORWARDROW* Row(const std::string& destination, const std::string& nextHop) {
        for (const auto& row : sim.Routes())
            if (AddressToText(row.dwForwardDest) == destination &&
                AddressToText(row.dwForwardNextHop) == nextHop)
                return &row;
        return nullptr;
    }
    bool Persistent(const std::string& name) {
        return registry.ValueExists(Hive::LocalMachine, kPersistentRoutesKey, name);
    }
    std::vector<std::string> MessageTexts() {
        std::vector<std::string> texts;
        for (const auto& message : messages.shown) texts.push_back(message.text);
        return texts;
    }

    SimIpHelper sim;
    test::TempDir dir;
    platform::Registry registry;
    PersistentRoutes persistent;
    platform::ScriptedMessages messages;
    WallState wall;
    core::Controls controls;
    RouteOperations ops;
};

TEST_F(RoutingRouteOperations, AddRouteBuildsTheWallsRow) {
    ASSERT_EQ(ops.AddRoute("172.16.0.0", "255.240.0.0", "10.20.30.1", "", 2), 0u);
    const MIB_IPFORWARDROW* row = Row("172.16.0.0", "10.20.30.1");
    ASSERT_NE(row, nullptr);
    MIB_IPFORWARDROW expected;
    expected.dwForwardDest = TextToAddress("172.16.0.0");
    expected.dwForwardMask = TextToAddress("255.240.0.0");
    expected.dwForwardNextHop = TextToAddress("10.20.30.1");
    expected.dwForwardIfIndex = 2;
    expected.dwForwardType = 3;
    expected.dwForwardProto = 10002;
    expected.dwForwardMetric1 = 1;
    EXPECT_EQ(*row, expected);  // policy, age and next-hop AS 0; metrics 2 to 5 all ones
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(RoutingRouteOperations, AddRouteMetricText) {
    const std::pair<std::string, std::uint32_t> cases[] = {{"", 1}, {"2", 2}, {"x", 1}, {"3 ", 1}};
    for (const auto& [text, metric] : cases) {
        ASSERT_EQ(ops.AddRoute("172.16.0.0", "255.240.0.0", "10.20.30.1", text, 2), 0u);
        EXPECT_EQ(Row("172.16.0.0", "10.20.30.1")->dwForwardMetric1, metric) << '"' << text << '"';
    }
}

TEST_F(RoutingRouteOperations, AddRouteReplacesAnExistingRow) {
    ASSERT_EQ(ops.AddRoute("172.16.0.0", "255.240.0.0", "10.20.30.1", "", 2), 0u);
    ASSERT_EQ(ops.AddRoute("172.16.0.0", "255.240.0.0", "10.20.30.1", "5", 2), 0u);
    EXPECT_EQ(sim.Calls(SimOperation::SetIpForwardEntry), 1);
    EXPECT_EQ(
        std::count_if(sim.Routes().begin(), sim.Routes().end(),
                      [](const auto& r) { return r.dwForwardDest == TextToAddress("172.16.0.0"); }),
        1);
    EXPECT_EQ(Row("172.16.0.0", "10.20.30.1")->dwForwardMetric1, 5u);
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(RoutingRouteOperations, AFailedReplacementIsShownAndStillCountsAsSuccess) {
    ASSERT_EQ(ops.AddRoute("172.16.0.0", "255.240.0.0", "10.20.30.1", "", 2), 0u);
    sim.FailNext(SimOperation::SetIpForwardEntry, 87);
    EXPECT_EQ(ops.AddRoute("172.16.0.0", "255.240.0.0", "10.20.30.1", "", 2), 0u);
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "172.16.0.0 : 87 : The parameter is incorrect.");
    EXPECT_EQ(messages.shown[0].caption, "Ошибка");
}

TEST_F(RoutingRouteOperations, CreationFailuresAreReturnedSilentlyYetGetAPersistentCopy) {
    controls.checkUseStaticRoutes = true;
    // 192.0.2.1 is not on eth0's network.
    EXPECT_EQ(ops.AddRoute("172.16.0.0", "255.240.0.0", "192.0.2.1", "", 2),
              platform::kErrorNetworkUnreachable);
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(Row("172.16.0.0", "192.0.2.1"), nullptr);
    EXPECT_TRUE(Persistent("172.16.0.0,255.240.0.0,192.0.2.1,1"));
}

TEST_F(RoutingRouteOperations, PersistentCopiesOnlyWithStaticRoutesTicked) {
    ops.AddRoute("172.16.0.0", "255.240.0.0", "10.20.30.1", "", 2);
    EXPECT_TRUE(registry.ValueNames(Hive::LocalMachine, kPersistentRoutesKey).empty());
    controls.checkUseStaticRoutes = true;
    ops.AddRoute("172.16.0.0", "255.240.0.0", "10.20.30.1", "", 2);
    ops.AddRoute("172.17.0.0", "255.255.0.0", "10.20.30.1", "3", 2);
    EXPECT_TRUE(Persistent("172.16.0.0,255.240.0.0,10.20.30.1,1"));
    EXPECT_TRUE(Persistent("172.17.0.0,255.255.0.0,10.20.30.1,3"));
}

TEST_F(RoutingRouteOperations, InterfaceZeroAsksThePlatform) {
    ASSERT_EQ(ops.AddRoute("0.0.0.0", "0.0.0.0", "10.0.0.254", "1", 0), 0u);
    EXPECT_EQ(Row("0.0.0.0", "10.0.0.254")->dwForwardIfIndex, 3u);
}

TEST_F(RoutingRouteOperations, NoInterfaceForTheGateway) {
    struct Case {
        std::uint32_t status;  // of GetBestInterface; 0: no route leads to the gateway
        std::vector<std::string> texts;
    };
    const Case cases[] = {
        {0, {"Can't complete function GetBestInterface", "Interface is not found."}},
        {50,
         {"Function GetBestInterface is not supported by the operating system.",
          "Interface is not found."}},
        {5, {platform::StandardSystemMessage(5), "Interface is not found."}},
    };
    controls.checkUseStaticRoutes = true;
    sim.Routes().clear();  // no default route, no connected rows
    for (const Case& c : cases) {
        messages.shown.clear();
        if (c.status) sim.FailNext(SimOperation::GetBestInterface, c.status);
        EXPECT_EQ(ops.AddRoute("172.16.0.0", "255.240.0.0", "192.0.2.1", "", 0),
                  kInterfaceNotFound);
        EXPECT_EQ(MessageTexts(), c.texts);
    }
    EXPECT_TRUE(sim.Routes().empty());
    EXPECT_EQ(sim.Calls(SimOperation::CreateIpForwardEntry), 0);
    EXPECT_TRUE(registry.ValueNames(Hive::LocalMachine, kPersistentRoutesKey).empty());
}

TEST_F(RoutingRouteOperations, DeleteRoutesDefaultFilterThroughTheExchangeGateway) {
    sim.Load(
        "route 10.0.0.0 255.0.0.0 10.20.30.1 2\n"
        "route 100.0.0.0 255.0.0.0 10.20.30.1 2\n"
        "route 20.0.0.0 255.0.0.0 10.20.30.2 2\n"
        "route 10.0.0.0 255.255.255.0 10.20.30.1 2\n"  // tap0's local network
        "route 224.0.0.0 240.0.0.0 10.20.30.1 2\n"
        "route 172.16.0.0 255.240.0.0 10.20.30.1 2\n");
    const auto before = sim.RouteTexts();
    ops.DeleteRoutes("0.0.0.0", "10.20.30.1");
    // A substring test: 10.0.0.0 and 100.0.0.0 contain 0.0.0.0.
    EXPECT_EQ(sim.RouteTexts(),
              Without(before, {"0.0.0.0/0.0.0.0 via 10.20.30.1 if 2 metric 1 proto 3",
                               "10.0.0.0/255.0.0.0 via 10.20.30.1 if 2 metric 1 proto 3",
                               "100.0.0.0/255.0.0.0 via 10.20.30.1 if 2 metric 1 proto 3"}));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(RoutingRouteOperations, DeleteRoutesDefaultFilterOnlyTakesTheWallsGateways) {
    sim.Load(
        "route 0.0.0.0 0.0.0.0 10.0.0.254 3\n"
        "route 0.0.0.0 0.0.0.0 10.0.0.9 3\n"
        "route 0.0.0.0 0.0.0.0 10.20.30.7 2\n");
    const auto before = sim.RouteTexts();
    ops.DeleteRoutes("0.0.0.0", "10.0.0.9");
    EXPECT_EQ(sim.RouteTexts(),
              Without(before, {"0.0.0.0/0.0.0.0 via 10.0.0.9 if 3 metric 1 proto 3"}));
    ops.DeleteRoutes("0.0.0.0", "");
    EXPECT_EQ(sim.RouteTexts(),
              Without(before, {"0.0.0.0/0.0.0.0 via 10.0.0.9 if 3 metric 1 proto 3",
                               "0.0.0.0/0.0.0.0 via 10.0.0.254 if 3 metric 1 proto 3",
                               "0.0.0.0/0.0.0.0 via 10.20.30.1 if 2 metric 1 proto 3"}));
    EXPECT_TRUE(sim.HasRoute("0.0.0.0", "0.0.0.0", "10.20.30.7"));
}

TEST_F(RoutingRouteOperations, DeleteRoutesByDestinationAndNextHop) {
    sim.Load(
        "route 172.16.0.0 255.240.0.0 10.20.30.1 2\n"
        "route 172.16.0.0 255.255.0.0 10.20.30.1 2\n"
        "route 172.16.0.0 255.240.0.0 10.20.30.2 2\n");
    ops.DeleteRoutes("172.16.0.0", "10.20.30.1");
    EXPECT_FALSE(sim.HasRoute("172.16.0.0", "255.240.0.0", "10.20.30.1"));
    EXPECT_FALSE(sim.HasRoute("172.16.0.0", "255.255.0.0", "10.20.30.1"));
    EXPECT_TRUE(sim.HasRoute("172.16.0.0", "255.240.0.0", "10.20.30.2"));
}

TEST_F(RoutingRouteOperations, AnUnreadableTableIsShownOnceAndNothingIsDeleted) {
    const auto before = sim.RouteTexts();
    sim.FailNext(SimOperation::GetIpForwardTable, 5, 2);
    ops.DeleteRoutes("0.0.0.0", "10.20.30.1");
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Error");
    EXPECT_EQ(messages.shown[0].text,
              "Таблица роутинга не получена. Код ошибки: 5. Size = 1. Описание ошибки: " +
                  platform::StandardSystemMessage(5));
    sim.FailNext(SimOperation::GetIpForwardTable, 31, 2);
    EXPECT_FALSE(ops.CleanupRoutes());
    EXPECT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(sim.RouteTexts(), before);
}

// A table that grows between the size query and the read is read again, not cut short.
class GrowingTable : public SimIpHelper {
  public:
    using SimIpHelper::SimIpHelper;
    std::uint32_t GetIpForwardTable(MIB_IPFORWARDROW* table, std::uint32_t* size,
                                    bool sorted) override {
        if (table && !grown) {
            grown = true;
            Load("route 100.0.0.0 255.0.0.0 10.20.30.1 2\n");
        }
        return SimIpHelper::GetIpForwardTable(table, size, sorted);
    }
    bool grown = false;
};

TEST_F(RoutingRouteOperations, ATableThatGrowsWhileReadIsReadAgain) {
    GrowingTable growing(kNetwork);
    RouteOperations growingOps(growing, messages, persistent, wall, controls);
    growingOps.DeleteRoutes("0.0.0.0", "10.20.30.1");
    EXPECT_TRUE(growing.grown);
    EXPECT_FALSE(growing.HasRoute("100.0.0.0", "255.0.0.0", "10.20.30.1"));
    EXPECT_FALSE(growing.HasRoute("0.0.0.0", "0.0.0.0", "10.20.30.1"));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(RoutingRouteOperations, CleanupKeepsExactlyTheProtectedRows) {
    wall.UseVpn = true;
    wall.VpnServerAddress = "198.51.100.7";
    wall.UntouchedDestinations = {"192.0.2.0", "", "# comment"};
    sim.Load(
        "route 0.0.0.0 0.0.0.0 10.0.0.254 3\n"               // the wall's own default route
        "route 198.51.100.7 255.255.255.255 10.20.30.1 2\n"  // VPN server through the exchange
        "route 198.51.100.7 255.255.255.255 10.20.30.2 2\n"
        "route 10.0.0.0 255.0.0.0 10.20.30.1 2\n"       // not tap0's mask
        "route 192.0.2.0 255.255.255.0 10.20.30.1 2\n"  // untouched
        "route 172.16.0.0 255.240.0.0 10.20.30.1 2\n");
    const auto before = sim.RouteTexts();
    EXPECT_TRUE(ops.CleanupRoutes());
    EXPECT_EQ(sim.RouteTexts(),
              Without(before, {"0.0.0.0/0.0.0.0 via 10.20.30.1 if 2 metric 1 proto 3",
                               "198.51.100.7/255.255.255.255 via 10.20.30.2 if 2 metric 1 proto 3",
                               "10.0.0.0/255.0.0.0 via 10.20.30.1 if 2 metric 1 proto 3",
                               "172.16.0.0/255.240.0.0 via 10.20.30.1 if 2 metric 1 proto 3"}));
    EXPECT_TRUE(sim.HasRoute("10.20.30.0", "255.255.255.0", "0.0.0.0"));
    EXPECT_TRUE(sim.HasRoute("224.0.0.0", "240.0.0.0", "10.20.30.41"));

    wall.UseVpn = false;
    EXPECT_TRUE(ops.CleanupRoutes());
    EXPECT_FALSE(sim.HasRoute("198.51.100.7", "255.255.255.255", "10.20.30.1"));
}

TEST_F(RoutingRouteOperations, CleanupTellsWhetherAForeignDefaultRouteExists) {
    EXPECT_FALSE(ops.CleanupRoutes());  // the exchange default route is no foreign one ...
    EXPECT_FALSE(sim.HasRoute("0.0.0.0", "0.0.0.0", "10.20.30.1"));  // ... and is deleted
    sim.Load("route 0.0.0.0 0.0.0.0 10.20.30.7 2 metric 5\n");
    EXPECT_TRUE(ops.CleanupRoutes());
    EXPECT_TRUE(sim.HasRoute("0.0.0.0", "0.0.0.0", "10.20.30.7"));
}

TEST_F(RoutingRouteOperations, CleanupAndPersistentRoutes) {
    struct Case {
        bool useStatic, dontDelete, kept;
    };
    const Case cases[] = {
        {false, true, true}, {false, false, false}, {true, true, false}, {true, false, false}};
    const std::string name = "172.16.0.0,255.240.0.0,10.20.30.1,1";
    const std::string otherMetric = "172.17.0.0,255.255.0.0,10.20.30.1,2";
    for (const Case& c : cases) {
        sim.Load(
            "route 172.16.0.0 255.240.0.0 10.20.30.1 2 metric 1\n"
            "route 172.17.0.0 255.255.0.0 10.20.30.1 2 metric 1\n");
        registry.WriteString(Hive::LocalMachine, kPersistentRoutesKey, name, "");
        registry.WriteString(Hive::LocalMachine, kPersistentRoutesKey, otherMetric, "");
        controls.checkUseStaticRoutes = c.useStatic;
        controls.checkDontDeleteStaticRoutes = c.dontDelete;
        ops.CleanupRoutes();
        EXPECT_EQ(sim.HasRoute("172.16.0.0", "255.240.0.0", "10.20.30.1"), c.kept);
        EXPECT_EQ(Persistent(name), c.kept);  // a deleted row loses its copy
        // The copy under another metric protects nothing and is not the row's to delete.
        EXPECT_FALSE(sim.HasRoute("172.17.0.0", "255.255.0.0", "10.20.30.1"));
        EXPECT_TRUE(Persistent(otherMetric));
        sim.Routes().clear();
    }
}

TEST_F(RoutingRouteOperations, CleanupOfAHundredThousandRows) {
    // Half the rows have a persistent copy and are spared; the other half go.
    platform::RegistryBatch copies;
    auto& routes = sim.Routes();
    for (std::uint32_t i = 0; i < 100000; ++i) {
        MIB_IPFORWARDROW row;
        row.dwForwardDest = htonl((172u << 24) | (i << 8));
        row.dwForwardMask = TextToAddress("255.255.255.0");
        row.dwForwardNextHop = TextToAddress("10.20.30.1");
        row.dwForwardIfIndex = 2;
        row.dwForwardMetric1 = 1;
        routes.push_back(row);
        if (i % 2)
            copies.WriteString(kPersistentRoutesKey,
                               AddressToText(row.dwForwardDest) + ",255.255.255.0,10.20.30.1,1",
                               "");
    }
    registry.Apply(Hive::LocalMachine, copies);
    const std::size_t others = sim.Routes().size() - 100000;
    controls.checkDontDeleteStaticRoutes = true;
    ops.CleanupRoutes();
    EXPECT_EQ(sim.Routes().size(), 50000 + others - 1);  // the exchange default route went too
    EXPECT_TRUE(sim.HasRoute("172.0.1.0", "255.255.255.0", "10.20.30.1"));
    EXPECT_FALSE(sim.HasRoute("172.0.2.0", "255.255.255.0", "10.20.30.1"));

    controls.checkDontDeleteStaticRoutes = false;
    ops.CleanupRoutes();
    EXPECT_EQ(sim.Routes().size(), others - 1);
    EXPECT_TRUE(registry.ValueNames(Hive::LocalMachine, kPersistentRoutesKey).empty());
}

}  // namespace
}  // namespace korvane::routing
