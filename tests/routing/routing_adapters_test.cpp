#include <gtest/gtest.h>

#include "core/controls.h"
#include "platform/iphelper_sim.h"
#include "platform/registry.h"
#include "routing/adapters.h"
#include "support/temp_dir.h"

namespace korvane::routing {
namespace {

using platform::SimIpHelper;
using platform::SimOperation;

constexpr char kTwoAdapters[] =
    "adapter 2 eth0 192.168.1.77 255.255.255.240 gateway 192.168.1.65 description Exchange NIC\n"
    "adapter 3 {B1D2-guid} 0.0.0.0 0.0.0.0 description Virtual adapter\n";

TEST(RoutingAdapters, RefreshCopiesEveryRecordInPlatformOrder) {
    SimIpHelper sim(kTwoAdapters);
    TAdapterList list(sim);
    ASSERT_EQ(list.Count(), 2u);
    EXPECT_EQ(list[0].Index, 2u);
    EXPECT_EQ(list[0].AdapterName, "eth0");
    EXPECT_EQ(list[0].Description, "Exchange NIC");
    EXPECT_EQ(list[0].IpAddress, "192.168.1.77");
    EXPECT_EQ(list[0].IpMask, "255.255.255.240");
    EXPECT_EQ(list[0].Gateway, "192.168.1.65");
    EXPECT_EQ(list[0].VirtualGateway, "192.168.1.254");
    // No address: listed with 0.0.0.0 and a virtual gateway 0.0.0.254, no gateway.
    EXPECT_EQ(list[1].IpAddress, "0.0.0.0");
    EXPECT_EQ(list[1].VirtualGateway, "0.0.0.254");
    EXPECT_EQ(list[1].Gateway, "");
}

TEST(RoutingAdapters, OnlyLoopbackGivesAnEmptyListWithoutAskingForAdapters) {
    SimIpHelper sim(kTwoAdapters);
    sim.SetInterfaceCount(1);
    TAdapterList list(sim);
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_EQ(list.FindByName("eth0"), nullptr);
    EXPECT_EQ(sim.Calls(SimOperation::GetAdaptersInfo), 0);
}

TEST(RoutingAdapters, FindByNameIsExactAndCaseSensitive) {
    SimIpHelper sim(kTwoAdapters);
    TAdapterList list(sim);
    ASSERT_NE(list.FindByName("{B1D2-guid}"), nullptr);
    EXPECT_EQ(list.FindByName("{B1D2-guid}")->Index, 3u);
    EXPECT_EQ(list.FindByName("{b1d2-GUID}"), nullptr);
    EXPECT_EQ(list.FindByName("eth"), nullptr);
}

TEST(RoutingAdapters, ItemsOutliveTheListThatMadeThem) {
    SimIpHelper sim(kTwoAdapters);
    TAdapterList list(sim);
    AdapterRef kept = list.FindByName("eth0");
    sim.Adapters()[0].IpAddress = "192.168.1.78";
    list.Refresh(sim);
    EXPECT_EQ(kept->IpAddress, "192.168.1.77");  // the old snapshot
    EXPECT_EQ(list.FindByName("eth0")->IpAddress, "192.168.1.78");
    EXPECT_EQ(list.IndexOf(kept), -1);
}

TEST(RoutingAdapters, EnumerationFailuresRaiseWithTheirTexts) {
    struct Case {
        SimOperation operation;
        std::uint32_t status;
        std::string message;
    };
    const Case cases[] = {
        {SimOperation::GetNumberOfInterfaces, 87,
         "Function GetNumberOfInterfaces. Invalid parameter"},
        {SimOperation::GetAdaptersInfo, 50,
         "Function GetAdaptersInfo is not supported by the operating system."},
        {SimOperation::GetAdaptersInfo, 232,
         "Function GetAdaptersInfo. No adapter information exists for the local computer."},
        {SimOperation::GetAdaptersInfo, 5,
         "System Error.  Code: 5.\nAccess is denied. Changing the routing table needs root "
         "rights or the CAP_NET_ADMIN capability."},
    };
    for (const Case& c : cases) {
        SimIpHelper sim(kTwoAdapters);
        sim.FailNext(c.operation, c.status);
        TAdapterList list;
        try {
            list.Refresh(sim);
            ADD_FAILURE() << "no error for status " << c.status;
        } catch (const EIpHlpError& error) {
            EXPECT_EQ(error.what(), c.message);
        }
        EXPECT_EQ(list.Count(), 0u);
    }
}

TEST(RoutingAdapters, NoAdaptersBesideLoopbackIsReportedAsNoData) {
    SimIpHelper sim;
    sim.SetInterfaceCount(2);  // an interface the platform does not report as an adapter
    EXPECT_THROW(TAdapterList{sim}, EIpHlpError);
}

TEST(RoutingLocalNetworks, EveryAddressedAdapterContributesItsNetwork) {
    SimIpHelper sim(kTwoAdapters);
    sim.Load("adapter 4 wlan0 10.5.0.7 255.255.0.0\n");
    TWin2KBlackRouteList networks(sim);
    ASSERT_EQ(networks.Items().size(), 2u);
    EXPECT_EQ(networks.Items()[0].Network, "192.168.1.64");
    EXPECT_EQ(networks.Items()[0].Mask, "255.255.255.240");
    EXPECT_TRUE(networks.Contains("192.168.1.64", "255.255.255.240"));
    EXPECT_TRUE(networks.Contains("10.5.0.0", "255.255.0.0"));
    // Both texts must match exactly.
    EXPECT_FALSE(networks.Contains("192.168.1.64", "255.255.255.0"));
    EXPECT_FALSE(networks.Contains("192.168.1.77", "255.255.255.240"));
    EXPECT_FALSE(networks.Contains("0.0.0.0", "0.0.0.0"));
}

TEST(RoutingAdapterCombos, ItemsAndSelectionsFollowTheAdapterItems) {
    SimIpHelper sim(
        "adapter 2 eth0 192.168.1.5 255.255.255.0 description LAN\n"
        "adapter 3 tap0 10.1.1.1 255.255.255.0 description Virtual\n");
    TAdapterList list(sim);
    core::Controls controls;
    FillAdapterCombos(controls, list, list.FindByName("eth0"), list.FindByName("tap0"));
    const std::vector<std::string> items = {"192.168.1.5; LAN", "10.1.1.1; Virtual"};
    EXPECT_EQ(controls.comboAdapters.items, items);
    EXPECT_EQ(controls.comboLoopbackAdapter.items, items);
    EXPECT_EQ(controls.comboAdapters.itemIndex, 0);
    EXPECT_EQ(controls.comboLoopbackAdapter.itemIndex, 1);
    EXPECT_EQ(controls.comboLoopbackAdapter.text, "10.1.1.1; Virtual");

    // An exchange adapter from an older list, and no second adapter: nothing selected.
    AdapterRef old = list.FindByName("eth0");
    list.Refresh(sim);
    FillAdapterCombos(controls, list, old, nullptr);
    EXPECT_EQ(controls.comboAdapters.itemIndex, -1);
    EXPECT_EQ(controls.comboLoopbackAdapter.itemIndex, -1);
    EXPECT_EQ(controls.comboAdapters.items, items);
}

class RoutingInterfaceMetrics : public ::testing::Test {
  protected:
    RoutingInterfaceMetrics() : registry(dir.path()) {
        registry.CreateKey(platform::Hive::LocalMachine, InterfaceParametersKey("eth0"));
        registry.CreateKey(platform::Hive::LocalMachine, InterfaceParametersKey("tap0"));
        SimIpHelper sim(
            "adapter 2 eth0 192.168.1.5 255.255.255.0\n"
            "adapter 3 tap0 10.1.1.1 255.255.255.0\n"
            "adapter 4 wlan0 10.2.1.1 255.255.255.0\n");
        list.Refresh(sim);
        controls.comboLoopbackAdapter.items = {"10.1.1.1; tap0"};
        controls.comboLoopbackAdapter.itemIndex = 0;
    }
    std::optional<std::uint32_t> Metric(const std::string& adapter) {
        return registry.ReadDword(platform::Hive::LocalMachine, InterfaceParametersKey(adapter),
                                  "InterfaceMetric");
    }
    test::TempDir dir;
    platform::Registry registry;
    TAdapterList list;
    core::Controls controls;
};

TEST_F(RoutingInterfaceMetrics, ByBlockingMethodAndVpn) {
    struct Case {
        int method;
        bool vpn;
        std::optional<std::uint32_t> second, exchange;
    };
    const Case cases[] = {
        {0, true, std::nullopt, std::nullopt},
        {1, true, 2u, 3u},
        {2, false, 1u, 3u},
        {3, false, 1u, 3u},
    };
    for (const Case& c : cases) {
        registry.DeleteValue(platform::Hive::LocalMachine, InterfaceParametersKey("eth0"),
                             "InterfaceMetric");
        registry.DeleteValue(platform::Hive::LocalMachine, InterfaceParametersKey("tap0"),
                             "InterfaceMetric");
        controls.comboBlockByLoopback.itemIndex = c.method;
        controls.checkUseVPN = c.vpn;
        WriteInterfaceMetrics(registry, controls, list.FindByName("eth0"), list.FindByName("tap0"));
        EXPECT_EQ(Metric("tap0"), c.second) << "method " << c.method;
        EXPECT_EQ(Metric("eth0"), c.exchange) << "method " << c.method;
    }
}

TEST_F(RoutingInterfaceMetrics, MissingKeysAndAnEmptyComboWriteNothing) {
    controls.comboBlockByLoopback.itemIndex = 1;
    WriteInterfaceMetrics(registry, controls, list.FindByName("wlan0"), list.FindByName("tap0"));
    EXPECT_FALSE(registry.KeyExists(platform::Hive::LocalMachine, InterfaceParametersKey("wlan0")));
    EXPECT_EQ(Metric("tap0"), 1u);

    registry.DeleteValue(platform::Hive::LocalMachine, InterfaceParametersKey("tap0"),
                         "InterfaceMetric");
    controls.comboLoopbackAdapter = {};
    WriteInterfaceMetrics(registry, controls, list.FindByName("eth0"), list.FindByName("tap0"));
    EXPECT_EQ(Metric("tap0"), std::nullopt);
    EXPECT_EQ(Metric("eth0"), std::nullopt);
}

}  // namespace
}  // namespace korvane::routing
