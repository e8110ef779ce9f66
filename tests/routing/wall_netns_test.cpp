// The wall end to end on the real kernel, inside a private network namespace: veth pairs stand
// for the exchange adapter (kx0, gateway 10.20.30.1) and a second adapter (ks0, 192.168.5.0/24).
// Each table is compared with what `ip -4 route show table main` prints.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/iphelper_netlink.h"
#include "support/netns.h"
#include "support/wall_rig.h"

namespace korvane::test {
namespace {

using routing::TrayMenuItem;

void Shell(const std::string& command) {
    std::string output;
    ASSERT_EQ(RunCommand(command, &output), 0) << command << ": " << output;
}

// `ip -4 route show table main`, one line per route, blanks trimmed, sorted.
std::vector<std::string> IpRoutes() {
    std::string output;
    EXPECT_EQ(RunCommand("ip -4 route show table main", &output), 0) << output;
    std::vector<std::string> lines;
    std::istringstream stream(output);
    for (std::string line; std::getline(stream, line);) {
        line.erase(line.find_last_not_of(' ') + 1);
        if (!line.empty()) lines.push_back(line);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

std::vector<std::string> Sorted(std::vector<std::string> lines) {
    std::sort(lines.begin(), lines.end());
    return lines;
}

const std::vector<std::string> kSubnets = {"10.50.0.0/16", "172.16.0.0/12", "10.0.0.0"};

// Rows every switch keeps: the adapters' own networks and the multicast route.
const std::vector<std::string> kProtected = {
    "10.20.30.0/24 dev kx0 proto kernel scope link src 10.20.30.40",
    "192.168.5.0/24 dev ks0 proto kernel scope link src 192.168.5.10",
    "224.0.0.0/4 dev kx0 scope link",
};
const std::vector<std::string> kSubnetRoutes = {
    "10.50.0.0/16 via 10.20.30.1 dev kx0 proto 222 metric 1",
    "172.16.0.0/12 via 10.20.30.1 dev kx0 proto 222 metric 1",
};

std::vector<std::string> ProtectedAnd(std::vector<std::string> more) {
    more.insert(more.end(), kProtected.begin(), kProtected.end());
    return Sorted(more);
}

class WallNetnsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        KORVANE_REQUIRE_PRIVATE_NETNS();
        // The namespace lives as long as the process: start every test from the same links.
        RunCommand("ip link del kx0; ip link del ks0");
        Shell(
            "ip link add kx0 type veth peer name kx0p && ip link add ks0 type veth peer name ks0p");
        Shell("ip addr add 10.20.30.40/24 dev kx0 && ip addr add 192.168.5.10/24 dev ks0");
        Shell(
            "ip link set kx0 up && ip link set kx0p up && ip link set ks0 up && ip link set ks0p "
            "up");
        // What DHCP and the system put there: the default route, multicast, a route of the user's.
        Shell("ip route add default via 10.20.30.1 dev kx0 metric 2");
        Shell("ip route add 224.0.0.0/4 dev kx0");
        Shell("ip route add 198.51.100.0/24 via 10.20.30.1 dev kx0 metric 5");
        ipHelper = std::make_unique<platform::NetlinkIpHelper>();
        rig = std::make_unique<WallRig>(*ipHelper);
    }

    void Start(int blockingMethod) {
        WallSettings settings;
        settings.exchangeAdapterName = "kx0";
        settings.secondAdapterName = "ks0";
        settings.gatewayAddress = "10.20.30.1";
        settings.foreignGatewayAddress = "192.168.5.1";
        settings.blockingMethod = blockingMethod;
        rig->Start(settings);
        rig->SetSubnets(kSubnets);
        rig->controls.checkUseStaticRoutes = true;
        ASSERT_FALSE(rig->trayStatus.ActivationImpossible());
    }

    std::unique_ptr<platform::IpHelper> ipHelper;
    std::unique_ptr<WallRig> rig;
};

const std::vector<std::string> kInitial = {
    "default via 10.20.30.1 dev kx0 metric 2",
    "10.20.30.0/24 dev kx0 proto kernel scope link src 10.20.30.40",
    "192.168.5.0/24 dev ks0 proto kernel scope link src 192.168.5.10",
    "198.51.100.0/24 via 10.20.30.1 dev kx0 metric 5",
    "224.0.0.0/4 dev kx0 scope link",
};

TEST_F(WallNetnsTest, EachBlockingMethodActivatesAndDeactivates) {
    struct Case {
        int method;
        std::vector<std::string> activated;
        std::vector<std::string> deactivated;
    };
    const std::string restored = "default via 10.20.30.1 dev kx0 proto 222 metric 2";
    const Case cases[] = {
        {0, ProtectedAnd(kSubnetRoutes), ProtectedAnd({restored})},
        {1,
         ProtectedAnd({kSubnetRoutes[0], kSubnetRoutes[1],
                       "default via 192.168.5.254 dev ks0 proto 222 metric 1"}),
         ProtectedAnd({restored})},
        {2,
         ProtectedAnd({kSubnetRoutes[0], kSubnetRoutes[1],
                       "default via 192.168.5.1 dev ks0 proto 222 metric 1"}),
         ProtectedAnd({restored})},
        {3, Sorted(kInitial), Sorted(kInitial)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "method " << c.method);
        SetUp();
        Start(c.method);
        ASSERT_EQ(IpRoutes(), Sorted(kInitial));

        rig->wall.ActivateWall();
        EXPECT_EQ(IpRoutes(), c.activated);
        EXPECT_TRUE(rig->tray.Checked(TrayMenuItem::Activate));

        rig->wall.DeactivateWall();
        EXPECT_EQ(IpRoutes(), c.deactivated);
        EXPECT_TRUE(rig->tray.Checked(TrayMenuItem::Deactivate));
        EXPECT_TRUE(rig->messages.shown.empty());
        if (c.method < 3) {
            // 10.0.0.0 lost its route to the "0.0.0.0" filter, which leaves persistent copies be.
            EXPECT_EQ(Sorted(rig->PersistentRouteNames()),
                      Sorted({"0.0.0.0,0.0.0.0,10.20.30.1,2", "10.0.0.0,255.0.0.0,10.20.30.1,1"}));
        }
    }
}

TEST_F(WallNetnsTest, MonitorFollowsADhcpGatewayChange) {
    Start(1);
    rig->wall.ActivateWall();
    const std::vector<std::string> activated =
        ProtectedAnd({kSubnetRoutes[0], kSubnetRoutes[1],
                      "default via 192.168.5.254 dev ks0 proto 222 metric 1"});
    ASSERT_EQ(IpRoutes(), activated);
    rig->renewTimer.Fire();  // nothing changed
    EXPECT_EQ(IpRoutes(), activated);
    EXPECT_TRUE(rig->log.Lines().empty());

    // The lease moves kx0 to another network and gateway, with its default route.
    Shell("ip addr flush dev kx0 && ip addr add 10.20.40.7/24 dev kx0");
    Shell("ip route add default via 10.20.40.1 dev kx0 metric 2");
    rig->renewTimer.Fire();

    EXPECT_EQ(rig->state.ExchangeGateway, "10.20.40.1");
    EXPECT_EQ(rig->log.Lines(),
              (std::vector<std::string>{
                  "Изменились интерфейсы:  Gateway = 10.20.40.1. IP = 10.20.40.7"}));
    EXPECT_EQ(IpRoutes(), Sorted({
                              "10.20.40.0/24 dev kx0 proto kernel scope link src 10.20.40.7",
                              "192.168.5.0/24 dev ks0 proto kernel scope link src 192.168.5.10",
                              "10.50.0.0/16 via 10.20.40.1 dev kx0 proto 222 metric 1",
                              "172.16.0.0/12 via 10.20.40.1 dev kx0 proto 222 metric 1",
                              "default via 192.168.5.254 dev ks0 proto 222 metric 1",
                          }));

    // A lease renewal puts the default route back; the next tick removes it again.
    Shell("ip route add default via 10.20.40.1 dev kx0 metric 2");
    rig->renewTimer.Fire();
    EXPECT_EQ(IpRoutes(), Sorted({
                              "10.20.40.0/24 dev kx0 proto kernel scope link src 10.20.40.7",
                              "192.168.5.0/24 dev ks0 proto kernel scope link src 192.168.5.10",
                              "10.50.0.0/16 via 10.20.40.1 dev kx0 proto 222 metric 1",
                              "172.16.0.0/12 via 10.20.40.1 dev kx0 proto 222 metric 1",
                              "default via 192.168.5.254 dev ks0 proto 222 metric 1",
                          }));
    EXPECT_TRUE(rig->messages.shown.empty());
}

}  // namespace
}  // namespace korvane::test
