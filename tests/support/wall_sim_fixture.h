#pragma once
// The wall on the sim backend, on a small network: the exchange adapter eth0 10.20.30.40/24
// with the gateway 10.20.30.1 (a DHCP default route through it), a second adapter eth1
// 192.168.5.10/24 (gateway 192.168.5.1, virtual gateway 192.168.5.254), a multicast row and a
// route of the user's that the wall does not protect.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/iphelper_sim.h"
#include "support/wall_rig.h"

namespace korvane::test {

inline constexpr char kWallSimNetwork[] = R"(
adapter 2 eth0 10.20.30.40 255.255.255.0 gateway 10.20.30.1 description Exchange
adapter 3 eth1 192.168.5.10 255.255.255.0 gateway 192.168.5.1 description Second
route 0.0.0.0 0.0.0.0 10.20.30.1 2 metric 2
route 224.0.0.0 240.0.0.0 0.0.0.0 2 metric 1
route 198.51.100.0 255.255.255.0 10.20.30.1 2 metric 5
)";

// Rows as SimIpHelper::RouteTexts writes them.
inline constexpr char kConnectedExchange[] =
    "10.20.30.0/255.255.255.0 via 0.0.0.0 if 2 metric 0 proto 2";
inline constexpr char kConnectedSecond[] =
    "192.168.5.0/255.255.255.0 via 0.0.0.0 if 3 metric 0 proto 2";
inline constexpr char kMulticast[] = "224.0.0.0/240.0.0.0 via 0.0.0.0 if 2 metric 1 proto 3";
inline constexpr char kDhcpDefault[] = "0.0.0.0/0.0.0.0 via 10.20.30.1 if 2 metric 2 proto 3";
inline constexpr char kUserRoute[] =
    "198.51.100.0/255.255.255.0 via 10.20.30.1 if 2 metric 5 proto 3";
inline constexpr char kExchangeDefault[] = "0.0.0.0/0.0.0.0 via 10.20.30.1 if 2 metric 2";
inline constexpr char kVirtualDefault[] = "0.0.0.0/0.0.0.0 via 192.168.5.254 if 3 metric 1";
inline constexpr char kForeignDefault[] = "0.0.0.0/0.0.0.0 via 192.168.5.1 if 3 metric 1";

inline const std::vector<std::string> kTestSubnets = {"10.50.0.0/16", "172.16.0.0/12",
                                                      "80.91.160.0/19"};
inline const std::vector<std::string> kTestSubnetRows = {
    "10.50.0.0/255.255.0.0 via 10.20.30.1 if 2 metric 1",
    "172.16.0.0/255.240.0.0 via 10.20.30.1 if 2 metric 1",
    "80.91.160.0/255.255.224.0 via 10.20.30.1 if 2 metric 1",
};

// The rows before any switch.
inline std::vector<std::string> InitialRows() {
    return {kConnectedExchange, kConnectedSecond, kMulticast, kDhcpDefault, kUserRoute};
}

// The protected rows every switch with methods 0 to 2 leaves, plus the given ones.
inline std::vector<std::string> ProtectedRowsAnd(std::vector<std::string> more) {
    more.insert(more.end(), {kConnectedExchange, kConnectedSecond, kMulticast});
    return more;
}

inline std::vector<std::string> Concat(std::vector<std::string> a,
                                       const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline std::vector<std::string> Sorted(std::vector<std::string> rows) {
    std::sort(rows.begin(), rows.end());
    return rows;
}

class WallSimTest : public ::testing::Test {
  protected:
    // Exchange adapter eth0, second adapter eth1, gateway setting 10.20.30.1, foreign gateway
    // 192.168.5.1, the given blocking method.
    static WallSettings Settings(int blockingMethod) {
        WallSettings settings;
        settings.exchangeAdapterName = "eth0";
        settings.secondAdapterName = "eth1";
        settings.gatewayAddress = "10.20.30.1";
        settings.foreignGatewayAddress = "192.168.5.1";
        settings.blockingMethod = blockingMethod;
        return settings;
    }
    void Start(int blockingMethod) {
        rig.Start(Settings(blockingMethod));
        rig.SetSubnets(kTestSubnets);
    }
    // The whole route table, sorted.
    std::vector<std::string> Table() const { return sim.RouteTexts(); }
    std::vector<std::string> MessageTexts() const {
        std::vector<std::string> texts;
        for (const auto& message : rig.messages.shown) texts.push_back(message.text);
        return texts;
    }

    platform::SimIpHelper sim{kWallSimNetwork};
    WallRig rig{sim};
};

}  // namespace korvane::test
