#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/iphelper_sim.h"
#include "routing/ipv4.h"
#include "support/temp_dir.h"

namespace korvane::platform {
namespace {

using routing::TextToAddress;

constexpr char kNetwork[] =
    "# exchange side and a second adapter\n"
    "adapter 2 eth0 10.20.30.41 255.255.255.0 gateway 10.20.30.1 description Provider  link \n"
    "adapter 3 wlan0 192.168.7.23 255.255.255.0\n"
    "route 0.0.0.0 0.0.0.0 10.20.30.1 2 metric 5   # the default route\n";

MIB_IPFORWARDROW Row(const char* dest, const char* mask, const char* hop, std::uint32_t index,
                     std::uint32_t metric = 1) {
    MIB_IPFORWARDROW row;
    row.dwForwardDest = TextToAddress(dest);
    row.dwForwardMask = TextToAddress(mask);
    row.dwForwardNextHop = TextToAddress(hop);
    row.dwForwardIfIndex = index;
    row.dwForwardType = kRouteTypeDirect;
    row.dwForwardProto = kProtoNtAutostatic;
    row.dwForwardMetric1 = metric;
    return row;
}

TEST(PlatformSimIpHelper, DescriptionGivesAdaptersAndTheirConnectedRows) {
    SimIpHelper sim(kNetwork);
    ASSERT_EQ(sim.Adapters().size(), 2u);
    EXPECT_EQ(sim.Adapters()[0].Description, "Provider  link");
    EXPECT_EQ(sim.Adapters()[0].Gateway, "10.20.30.1");
    EXPECT_EQ(sim.Adapters()[1].Description, "wlan0");
    EXPECT_EQ(sim.RouteTexts(), (std::vector<std::string>{
                                    "0.0.0.0/0.0.0.0 via 10.20.30.1 if 2 metric 5 proto 3",
                                    "10.20.30.0/255.255.255.0 via 0.0.0.0 if 2 metric 0 proto 2",
                                    "192.168.7.0/255.255.255.0 via 0.0.0.0 if 3 metric 0 proto 2",
                                }));
    std::uint32_t count = 0;
    EXPECT_EQ(sim.GetNumberOfInterfaces(&count), 0u);
    EXPECT_EQ(count, 3u);

    sim.Load("adapter 4 description 0.0.0.0 0.0.0.0 description the  description \n");
    EXPECT_EQ(sim.Adapters()[2].AdapterName, "description");
    EXPECT_EQ(sim.Adapters()[2].Description, "the  description");
}

TEST(PlatformSimIpHelper, BadDescriptionsNameTheirLine) {
    const char* bad[] = {
        "adapter 2 eth0 10.1.1.1\n",
        "adapter x eth0 10.1.1.1 255.0.0.0\n",
        "adapter 1 lo 127.0.0.1 255.0.0.0\n",
        "adapter 2 eth0 10.1.1.300 255.0.0.0\n",
        "adapter 2 eth0 10.1.1.1 255.0.0.0 gateway\n",
        "route 10.0.0.0 255.0.0.0 10.1.1.2 9\n",
        "route 10.0.0.0 255.0.0.0 10.1.1.2 2 metric\n",
        "route 10.0.0.0 255.0.0.0 10.1.1.2 2 weight 3\n",
        "bridge br0\n",
    };
    for (const char* line : bad) {
        try {
            SimIpHelper sim(std::string("adapter 2 eth0 10.1.1.1 255.0.0.0\n\n") + line);
            ADD_FAILURE() << "accepted: " << line;
        } catch (const std::invalid_argument& error) {
            EXPECT_NE(std::string(error.what()).find("line 3"), std::string::npos) << error.what();
        }
    }
}

TEST(PlatformSimIpHelper, RowStatuses) {
    SimIpHelper sim(kNetwork);
    EXPECT_EQ(sim.CreateIpForwardEntry(Row("10.1.0.0", "255.255.0.0", "10.20.30.1", 2)), 0u);
    // A row is its destination, mask, next hop and interface; the metric does not count.
    EXPECT_EQ(sim.CreateIpForwardEntry(Row("10.1.0.0", "255.255.0.0", "10.20.30.1", 2, 9)),
              kErrorAlreadyExists);
    EXPECT_EQ(sim.CreateIpForwardEntry(Row("10.1.0.0", "255.255.0.0", "10.20.30.2", 2)), 0u);
    EXPECT_EQ(sim.SetIpForwardEntry(Row("10.1.0.0", "255.255.0.0", "10.20.30.1", 2, 9)), 0u);
    EXPECT_TRUE(sim.HasRoute("10.1.0.0", "255.255.0.0", "10.20.30.1"));
    EXPECT_EQ(sim.SetIpForwardEntry(Row("10.2.0.0", "255.255.0.0", "10.20.30.1", 2)),
              kErrorNotFound);

    EXPECT_EQ(sim.CreateIpForwardEntry(Row("10.3.0.0", "255.255.0.0", "192.168.7.1", 2)),
              kErrorNetworkUnreachable);  // not on eth0's network
    EXPECT_EQ(sim.CreateIpForwardEntry(Row("10.3.0.0", "255.255.0.0", "10.20.30.1", 7)),
              kErrorInvalidParameter);  // no such interface
    EXPECT_EQ(sim.CreateIpForwardEntry(Row("10.3.1.0", "255.255.0.0", "10.20.30.1", 2)),
              kErrorInvalidParameter);  // bits outside the mask
    EXPECT_EQ(sim.CreateIpForwardEntry(Row("10.0.0.0", "255.0.255.0", "10.20.30.1", 2)),
              kErrorInvalidParameter);  // mask with a hole
    EXPECT_EQ(sim.LastError(), kErrorInvalidParameter);

    EXPECT_EQ(sim.DeleteIpForwardEntry(Row("10.1.0.0", "255.255.0.0", "10.20.30.1", 2)), 0u);
    EXPECT_EQ(sim.DeleteIpForwardEntry(Row("10.1.0.0", "255.255.0.0", "10.20.30.1", 2)),
              kErrorNotFound);
    EXPECT_FALSE(sim.HasRoute("10.1.0.0", "255.255.0.0", "10.20.30.1"));
    EXPECT_TRUE(sim.HasRoute("10.1.0.0", "255.255.0.0", "10.20.30.2"));
}

TEST(PlatformSimIpHelper, SizeProtocols) {
    SimIpHelper sim(kNetwork);
    std::uint32_t size = 0;
    EXPECT_EQ(sim.GetAdaptersInfo(nullptr, &size), kErrorBufferOverflow);
    EXPECT_EQ(size, 2u);
    std::vector<IP_ADAPTER_INFO> adapters(1);
    size = 1;
    EXPECT_EQ(sim.GetAdaptersInfo(adapters.data(), &size), kErrorBufferOverflow);
    adapters.resize(2);
    EXPECT_EQ(sim.GetAdaptersInfo(adapters.data(), &size), 0u);
    EXPECT_EQ(adapters[1].AdapterName, "wlan0");

    sim.Load("route 172.16.0.0 255.240.0.0 10.20.30.1 2\nroute 8.0.0.0 255.0.0.0 10.20.30.1 2\n");
    size = 0;
    EXPECT_EQ(sim.GetIpForwardTable(nullptr, &size, true), kErrorInsufficientBuffer);
    EXPECT_EQ(size, 5u);
    std::vector<MIB_IPFORWARDROW> rows(3);
    size = 3;
    EXPECT_EQ(sim.GetIpForwardTable(rows.data(), &size, true), kErrorMoreData);
    EXPECT_EQ(size, 5u);  // what is needed; the first three sorted rows were delivered
    EXPECT_EQ(rows[0].dwForwardDest, TextToAddress("0.0.0.0"));
    EXPECT_EQ(rows[1].dwForwardDest, TextToAddress("8.0.0.0"));
    EXPECT_EQ(rows[2].dwForwardDest, TextToAddress("10.20.30.0"));
}

TEST(PlatformSimIpHelper, BestInterfaceTakesTheLongestPrefixThenTheLowestMetric) {
    SimIpHelper sim(kNetwork);
    sim.Load(
        "route 172.16.0.0 255.240.0.0 10.20.30.1 2 metric 1\n"
        "route 172.16.5.0 255.255.255.0 192.168.7.1 3 metric 9\n"
        "route 0.0.0.0 0.0.0.0 192.168.7.1 3 metric 2\n");
    std::uint32_t index = 0;
    const std::pair<const char*, std::uint32_t> cases[] = {
        {"172.16.5.9", 3}, {"172.17.0.1", 2}, {"192.168.7.200", 3}, {"8.8.8.8", 3}};
    for (const auto& [destination, expected] : cases) {
        ASSERT_EQ(sim.GetBestInterface(TextToAddress(destination), &index), 0u);
        EXPECT_EQ(index, expected) << destination;
    }
    sim.Routes().clear();
    EXPECT_EQ(sim.GetBestInterface(TextToAddress("8.8.8.8"), &index), kErrorCanNotComplete);
}

TEST(PlatformSimIpHelper, ScriptedFailuresChangeNothingAndSetTheLastError) {
    SimIpHelper sim(kNetwork);
    sim.FailNext(SimOperation::CreateIpForwardEntry, kErrorAccessDenied, 2);
    const auto row = Row("10.1.0.0", "255.255.0.0", "10.20.30.1", 2);
    EXPECT_EQ(sim.CreateIpForwardEntry(row), kErrorAccessDenied);
    EXPECT_EQ(sim.CreateIpForwardEntry(row), kErrorAccessDenied);
    EXPECT_EQ(sim.LastError(), kErrorAccessDenied);
    EXPECT_NE(sim.SystemMessage(sim.LastError()).find("CAP_NET_ADMIN"), std::string::npos);
    EXPECT_FALSE(sim.HasRoute("10.1.0.0", "255.255.0.0", "10.20.30.1"));
    EXPECT_EQ(sim.CreateIpForwardEntry(row), 0u);
    EXPECT_EQ(sim.Calls(SimOperation::CreateIpForwardEntry), 3);
}

TEST(PlatformSimIpHelper, AdaptersComeAndGoWithTheirRows) {
    SimIpHelper sim(kNetwork);
    IP_ADAPTER_INFO moved = sim.Adapters()[0];
    moved.IpAddress = "10.20.40.41";
    sim.AddAdapter(moved);  // DHCP gave another network
    EXPECT_FALSE(sim.HasRoute("10.20.30.0", "255.255.255.0", "0.0.0.0"));
    EXPECT_TRUE(sim.HasRoute("10.20.40.0", "255.255.255.0", "0.0.0.0"));
    sim.RemoveAdapter(2);  // unplugged
    EXPECT_EQ(sim.Adapters().size(), 1u);
    EXPECT_EQ(sim.RouteTexts(), std::vector<std::string>{
                                    "192.168.7.0/255.255.255.0 via 0.0.0.0 if 3 metric 0 proto 2"});
}

TEST(PlatformIpHelperFactory, ByNameAndFromTheEnvironment) {
    test::TempDir dir;
    const auto file = dir.Write("network.txt", kNetwork);
    auto sim = CreateIpHelper("sim", file.string());
    std::uint32_t count = 0;
    ASSERT_EQ(sim->GetNumberOfInterfaces(&count), 0u);
    EXPECT_EQ(count, 3u);
    EXPECT_THROW(CreateIpHelper("winsock"), std::invalid_argument);
    EXPECT_THROW(CreateIpHelper("sim", (dir / "missing.txt").string()), std::runtime_error);

    setenv("KORVANE_BACKEND", "sim", 1);
    setenv("KORVANE_SIM_NETWORK", file.c_str(), 1);
    auto fromEnvironment = CreateIpHelperFromEnvironment();
    unsetenv("KORVANE_BACKEND");
    unsetenv("KORVANE_SIM_NETWORK");
    ASSERT_NE(dynamic_cast<SimIpHelper*>(fromEnvironment.get()), nullptr);
}

TEST(PlatformSimIpHelper, SandboxNetworkLoads) {
    const auto file =
        std::filesystem::path(__FILE__).parent_path() / "../../data/sandbox-network.txt";
    const SimIpHelper sim = SimIpHelper::FromFile(file);
    EXPECT_EQ(sim.RouteTexts().front(), "0.0.0.0/0.0.0.0 via 10.20.30.1 if 2 metric 1 proto 3");
}

}  // namespace
}  // namespace korvane::platform
