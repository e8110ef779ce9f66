// The netlink backend against the kernel, inside a private network namespace with veth pairs,
// checked against what `ip -4 route` reports.
#include <gtest/gtest.h>
#include <net/if.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <sstream>

#include "platform/iphelper_netlink.h"
#include "platform/registry.h"
#include "routing/ipv4.h"
#include "routing/route_operations.h"
#include "support/netns.h"
#include "support/temp_dir.h"

namespace korvane::routing {
namespace {

using platform::MIB_IPFORWARDROW;
using platform::NetlinkIpHelper;

std::string Shell(const std::string& command) {
    std::string output;
    const int status = test::RunCommand(command, &output);
    EXPECT_EQ(status, 0) << command << ": " << output;
    return output;
}

std::string InterfaceName(std::uint32_t index) {
    char name[IF_NAMESIZE] = {};
    return index && if_indextoname(index, name) ? name : "-";
}

// One text per row: "10.1.0.0/16 via 10.77.0.1 dev kv0 metric 1" (via 0.0.0.0 when direct).
std::string RowText(const std::string& destination, const std::string& via,
                    const std::string& device, const std::string& metric) {
    return destination + " via " + via + " dev " + device + " metric " + metric;
}

std::vector<std::string> OurTable(platform::IpHelper& helper) {
    std::uint32_t size = 0;
    EXPECT_EQ(helper.GetIpForwardTable(nullptr, &size, true), platform::kErrorInsufficientBuffer);
    std::vector<MIB_IPFORWARDROW> rows(size + 8);
    size = static_cast<std::uint32_t>(rows.size());
    EXPECT_EQ(helper.GetIpForwardTable(rows.data(), &size, true), 0u);
    rows.resize(size);
    EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end(), platform::ForwardRowLess));
    std::vector<std::string> texts;
    for (const auto& row : rows)
        texts.push_back(RowText(AddressToText(row.dwForwardDest) + "/" +
                                    std::to_string(std::popcount(row.dwForwardMask)),
                                AddressToText(row.dwForwardNextHop),
                                InterfaceName(row.dwForwardIfIndex),
                                std::to_string(row.dwForwardMetric1)));
    std::sort(texts.begin(), texts.end());
    return texts;
}

// The main table as `ip -4 -o route` prints it, one text per next hop.
std::vector<std::string> IpTable() {
    static const std::vector<std::string> kTypes = {"unicast",  "blackhole", "unreachable",
                                                    "prohibit", "throw",     "multicast"};
    std::istringstream lines(Shell("ip -4 -o route show table main"));
    std::vector<std::string> texts;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string word; words >> word;)
            if (word != "\\") w.push_back(word);
        if (w.empty()) continue;
        std::size_t i = 0;
        if (std::find(kTypes.begin(), kTypes.end(), w[0]) != kTypes.end()) ++i;
        std::string destination = w[i] == "default" ? "0.0.0.0/0" : w[i];
        if (destination.find('/') == std::string::npos) destination += "/32";
        std::string metric = "0", via = "0.0.0.0", dev = "-";
        std::vector<std::pair<std::string, std::string>> hops;
        for (++i; i + 1 < w.size(); ++i) {
            if (w[i] == "metric") metric = w[i + 1];
            if (w[i] == "via") via = w[i + 1];
            if (w[i] == "dev") dev = w[i + 1];
            if (w[i] == "nexthop" && dev != "-") {
                hops.emplace_back(via, dev);
                via = "0.0.0.0";
                dev = "-";
            }
        }
        hops.emplace_back(via, dev);
        for (const auto& [hopVia, hopDev] : hops)
            texts.push_back(RowText(destination, hopVia, hopDev, metric));
    }
    std::sort(texts.begin(), texts.end());
    return texts;
}

std::string Trim(std::string text) {
    text.erase(text.find_last_not_of(" \n") + 1);
    return text;
}

// kv0 (10.77.0.2/24, default route via 10.77.0.1) is the exchange side; kv2 (10.88.0.2/24)
// a second adapter; kv1 and kv3 are their peers without addresses.
class RoutingNetlink : public ::testing::Test {
  protected:
    void SetUp() override {
        KORVANE_REQUIRE_PRIVATE_NETNS();  // before anything touches a routing table
        Shell("ip link add kv0 type veth peer name kv1 && ip link add kv2 type veth peer name kv3");
        Shell("ip addr add 10.77.0.2/24 dev kv0 && ip addr add 10.88.0.2/24 dev kv2");
        Shell("for l in kv0 kv1 kv2 kv3; do ip link set $l up; done");
        Shell("ip route add default via 10.77.0.1 dev kv0");
        kv0 = if_nametoindex("kv0");
        kv2 = if_nametoindex("kv2");
        helper = std::make_unique<NetlinkIpHelper>();
    }
    void TearDown() override {
        if (test::InPrivateNetworkNamespace()) test::RunCommand("ip link del kv0; ip link del kv2");
    }
    MIB_IPFORWARDROW Row(const std::string& destination, const std::string& mask,
                         const std::string& gateway, std::uint32_t index, std::uint32_t metric) {
        MIB_IPFORWARDROW row;
        row.dwForwardDest = TextToAddress(destination);
        row.dwForwardMask = TextToAddress(mask);
        row.dwForwardNextHop = TextToAddress(gateway);
        row.dwForwardIfIndex = index;
        row.dwForwardType = platform::kRouteTypeDirect;
        row.dwForwardProto = platform::kProtoNtAutostatic;
        row.dwForwardMetric1 = metric;
        return row;
    }

    std::uint32_t kv0 = 0, kv2 = 0;
    std::unique_ptr<NetlinkIpHelper> helper;
};

TEST_F(RoutingNetlink, AdapterListAndLocalNetworks) {
    Shell("ip addr add 10.77.0.3/24 dev kv0");  // a secondary address does not replace the first
    Shell("ip link set kv2 alias 'Foreign uplink'");
    std::uint32_t count = 0;
    ASSERT_EQ(helper->GetNumberOfInterfaces(&count), 0u);
    EXPECT_EQ(count, 5u);  // lo and the four veth ends

    TAdapterList adapters(*helper);
    ASSERT_EQ(adapters.Count(), 4u);
    EXPECT_EQ(adapters.FindByName("lo"), nullptr);
    AdapterRef exchange = adapters.FindByName("kv0");
    ASSERT_NE(exchange, nullptr);
    EXPECT_EQ(exchange->Index, kv0);
    EXPECT_EQ(exchange->IpAddress, "10.77.0.2");
    EXPECT_EQ(exchange->IpMask, "255.255.255.0");
    EXPECT_EQ(exchange->Gateway, "10.77.0.1");
    EXPECT_EQ(exchange->VirtualGateway, "10.77.0.254");
    EXPECT_EQ(exchange->Description, "kv0 (veth)");
    AdapterRef second = adapters.FindByName("kv2");
    EXPECT_EQ(second->Gateway, "");
    EXPECT_EQ(second->Description, "Foreign uplink");
    EXPECT_EQ(adapters.FindByName("kv1")->IpAddress, "0.0.0.0");
    EXPECT_TRUE(std::is_sorted(adapters.Items().begin(), adapters.Items().end(),
                               [](const auto& a, const auto& b) { return a->Index < b->Index; }));

    TWin2KBlackRouteList local(*helper);
    ASSERT_EQ(local.Items().size(), 2u);
    EXPECT_TRUE(local.Contains("10.77.0.0", "255.255.255.0"));
    EXPECT_TRUE(local.Contains("10.88.0.0", "255.255.255.0"));
}

TEST_F(RoutingNetlink, DumpHasEveryRowThatIpShowsInOrder) {
    Shell("ip route append default via 10.77.0.9 dev kv0");  // same prefix and metric, other hop
    Shell("ip route add 10.1.0.0/16 via 10.77.0.1 metric 5");
    Shell("ip route add blackhole 192.0.2.0/24");
    Shell("ip route add 10.2.0.0/16 nexthop via 10.77.0.1 nexthop via 10.88.0.1");
    Shell("ip route add 10.3.0.0/16 via 10.77.0.1 table 100");  // not the main table
    const auto ours = OurTable(*helper);
    EXPECT_EQ(ours, IpTable());
    EXPECT_EQ(std::count(ours.begin(), ours.end(), RowText("0.0.0.0/0", "10.77.0.9", "kv0", "0")),
              1);
    EXPECT_EQ(std::count(ours.begin(), ours.end(), RowText("10.2.0.0/16", "10.88.0.1", "kv2", "0")),
              1);
    EXPECT_EQ(ours.size(), 8u);

    // Every row as read can be deleted again (blackhole and multipath ones too; deleting the
    // first next hop of a multipath route takes the whole route).
    std::uint32_t size = 64;
    std::vector<MIB_IPFORWARDROW> rows(size);
    ASSERT_EQ(helper->GetIpForwardTable(rows.data(), &size, false), 0u);
    rows.resize(size);
    for (const auto& row : rows)
        if (row.dwForwardProto != platform::kProtoLocal) helper->DeleteIpForwardEntry(row);
    EXPECT_EQ(IpTable(),
              (std::vector<std::string>{RowText("10.77.0.0/24", "0.0.0.0", "kv0", "0"),
                                        RowText("10.88.0.0/24", "0.0.0.0", "kv2", "0")}));
}

TEST_F(RoutingNetlink, CreateExistsReplaceDelete) {
    const MIB_IPFORWARDROW row = Row("10.1.0.0", "255.255.0.0", "10.77.0.1", kv0, 1);
    ASSERT_EQ(helper->CreateIpForwardEntry(row), 0u);
    EXPECT_EQ(Trim(Shell("ip -4 route show 10.1.0.0/16")),
              "10.1.0.0/16 via 10.77.0.1 dev kv0 proto 222 metric 1");
    EXPECT_EQ(helper->CreateIpForwardEntry(row), platform::kErrorAlreadyExists);

    // Another next hop for the same prefix and metric is a row of its own.
    const MIB_IPFORWARDROW other = Row("10.1.0.0", "255.255.0.0", "10.77.0.9", kv0, 1);
    ASSERT_EQ(helper->CreateIpForwardEntry(other), 0u);
    EXPECT_EQ(Trim(Shell("ip -4 route show 10.1.0.0/16")),
              "10.1.0.0/16 via 10.77.0.1 dev kv0 proto 222 metric 1 \n"
              "10.1.0.0/16 via 10.77.0.9 dev kv0 proto 222 metric 1");

    MIB_IPFORWARDROW changed = row;
    changed.dwForwardMetric1 = 7;
    ASSERT_EQ(helper->SetIpForwardEntry(changed), 0u);
    EXPECT_EQ(Trim(Shell("ip -4 route show 10.1.0.0/16 via 10.77.0.1")),
              "10.1.0.0/16 dev kv0 proto 222 metric 7");
    EXPECT_EQ(helper->SetIpForwardEntry(Row("10.4.0.0", "255.255.0.0", "10.77.0.1", kv0, 1)),
              platform::kErrorNotFound);

    ASSERT_EQ(helper->DeleteIpForwardEntry(changed), 0u);
    EXPECT_EQ(Trim(Shell("ip -4 route show 10.1.0.0/16")),
              "10.1.0.0/16 via 10.77.0.9 dev kv0 proto 222 metric 1");
    EXPECT_EQ(helper->DeleteIpForwardEntry(changed), platform::kErrorNotFound);

    // Shapes the kernel refuses.
    EXPECT_EQ(helper->CreateIpForwardEntry(Row("10.1.2.0", "255.0.0.0", "10.77.0.1", kv0, 1)),
              platform::kErrorInvalidParameter);
    EXPECT_EQ(helper->CreateIpForwardEntry(Row("10.1.0.0", "255.0.255.0", "10.77.0.1", kv0, 1)),
              platform::kErrorInvalidParameter);
    EXPECT_NE(helper->CreateIpForwardEntry(Row("10.5.0.0", "255.255.0.0", "192.0.2.1", kv0, 1)),
              0u);
    EXPECT_EQ(Trim(Shell("ip -4 route show 10.5.0.0/16")), "");
}

TEST_F(RoutingNetlink, BestInterfaceFollowsTheKernelsLookup) {
    std::uint32_t index = 0;
    ASSERT_EQ(helper->GetBestInterface(TextToAddress("10.88.0.9"), &index), 0u);
    EXPECT_EQ(index, kv2);
    ASSERT_EQ(helper->GetBestInterface(TextToAddress("8.8.8.8"), &index), 0u);
    EXPECT_EQ(index, kv0);
    EXPECT_NE(Shell("ip -4 route get 8.8.8.8").find("dev kv0"), std::string::npos);
    Shell("ip route del default");
    index = 0;
    EXPECT_EQ(helper->GetBestInterface(TextToAddress("8.8.8.8"), &index),
              platform::kErrorCanNotComplete);
    EXPECT_EQ(index, 0u);
}

TEST_F(RoutingNetlink, WithoutRightsTheUserLearnsWhy) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
        NetlinkIpHelper unprivileged;
        const std::uint32_t status =
            unprivileged.CreateIpForwardEntry(Row("10.1.0.0", "255.255.0.0", "10.77.0.1", kv0, 1));
        const std::string text = unprivileged.SystemMessage(unprivileged.LastError());
        _exit(status == platform::kErrorAccessDenied &&
                      text.find("CAP_NET_ADMIN") != std::string::npos
                  ? 0
                  : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "2: could not drop privileges; 1: wrong status or text";
    EXPECT_EQ(Trim(Shell("ip -4 route show 10.1.0.0/16")), "");
}

TEST_F(RoutingNetlink, RouteOperationsAddAndCleanupKeepExactlyTheProtectedRows) {
    test::TempDir dir;
    platform::Registry registry(dir.path());
    registry.CreateKey(platform::Hive::LocalMachine, kPersistentRoutesKey);
    PersistentRoutes persistent(registry);
    platform::ScriptedMessages messages;
    core::Controls controls;
    controls.checkUseStaticRoutes = true;
    WallState wall;
    wall.Adapters.Refresh(*helper);
    wall.LocalNetworks.Build(wall.Adapters);
    wall.ExchangeAdapter = wall.Adapters.FindByName("kv0");
    wall.ExchangeGateway = "10.77.0.1";
    wall.UseVpn = true;
    wall.VpnServerAddress = "10.9.9.9";
    wall.UntouchedDestinations = {"10.55.0.0"};
    RouteOperations ops(*helper, messages, persistent, wall, controls);

    EXPECT_EQ(ops.AddRoute("10.1.0.0", "255.255.0.0", "10.77.0.1", "", kv0), 0u);
    EXPECT_EQ(ops.AddRoute("10.1.0.0", "255.255.0.0", "10.77.0.1", "", kv0), 0u);  // exists
    EXPECT_EQ(ops.AddRoute("10.9.9.9", "255.255.255.255", "10.77.0.1", "1", 0), 0u);
    EXPECT_EQ(ops.AddRoute("10.55.0.0", "255.255.0.0", "10.77.0.1", "", kv0), 0u);
    EXPECT_EQ(ops.AddRoute("0.0.0.0", "0.0.0.0", "10.88.0.1", "2", kv2), 0u);
    Shell("ip route add 10.2.0.0/16 via 10.88.0.1");
    Shell("ip route add 224.0.0.0/4 dev kv0");
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(registry.ValueExists(platform::Hive::LocalMachine, kPersistentRoutesKey,
                                     "10.1.0.0,255.255.0.0,10.77.0.1,1"));

    EXPECT_TRUE(ops.CleanupRoutes());
    const std::vector<std::string> expected = {
        RowText("0.0.0.0/0", "10.88.0.1", "kv2", "2"),
        RowText("10.55.0.0/16", "10.77.0.1", "kv0", "1"),
        RowText("10.77.0.0/24", "0.0.0.0", "kv0", "0"),
        RowText("10.88.0.0/24", "0.0.0.0", "kv2", "0"),
        RowText("10.9.9.9/32", "10.77.0.1", "kv0", "1"),
        RowText("224.0.0.0/4", "0.0.0.0", "kv0", "0"),
    };
    EXPECT_EQ(IpTable(), expected);
    EXPECT_FALSE(registry.ValueExists(platform::Hive::LocalMachine, kPersistentRoutesKey,
                                      "10.1.0.0,255.255.0.0,10.77.0.1,1"));
    EXPECT_TRUE(registry.ValueExists(platform::Hive::LocalMachine, kPersistentRoutesKey,
                                     "10.55.0.0,255.255.0.0,10.77.0.1,1"));

    ops.DeleteRoutes("0.0.0.0", "");  // the default route through another gateway stays
    EXPECT_EQ(IpTable(), expected);
    wall.ForeignGateway = "10.88.0.1";
    ops.DeleteRoutes("0.0.0.0", "10.88.0.1");
    EXPECT_EQ(Trim(Shell("ip -4 route show default")), "");
    EXPECT_TRUE(messages.shown.empty());
}

}  // namespace
}  // namespace korvane::routing
