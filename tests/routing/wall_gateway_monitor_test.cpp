// The start-up adapter check and the gateway monitor on the sim backend.
#include <gtest/gtest.h>

#include "support/wall_sim_fixture.h"

namespace korvane::test {
namespace {

using plugins::PluginEntry;
using routing::TrayMenuItem;
using routing::TrayPicture;

class WallGatewayMonitorTest : public WallSimTest {
  protected:
    // DHCP hands eth0 a new address and gateway and puts a default route through it.
    void RenewLease(const std::string& address, const std::string& gateway) {
        sim.RemoveAdapter(2);
        sim.AddAdapter({"eth0", "Exchange", 2, address, "255.255.255.0", gateway});
        sim.Load("route 0.0.0.0 0.0.0.0 " + gateway + " 2 metric 2\n");
    }
    void ExpectSwitchingItemsEnabled(bool enabled) {
        for (TrayMenuItem item : {TrayMenuItem::Activate, TrayMenuItem::Deactivate,
                                  TrayMenuItem::WhiteListOn, TrayMenuItem::WhiteListOff}) {
            EXPECT_EQ(rig.tray.Enabled(item), enabled);
        }
    }
};

TEST_F(WallGatewayMonitorTest, StartupCheckAdoptsTheAdaptersGateway) {
    WallSettings settings = Settings(1);
    settings.gatewayAddress = "10.20.30.254";
    rig.Start(settings);
    EXPECT_EQ(rig.state.ExchangeGateway, "10.20.30.1");
    EXPECT_EQ(rig.controls.editGateway, "10.20.30.1");
    EXPECT_FALSE(rig.trayStatus.ActivationImpossible());
    ASSERT_TRUE(rig.state.ExchangeAdapter);
    EXPECT_EQ(rig.controls.comboAdapters.itemIndex, 0);
    EXPECT_EQ(rig.controls.comboAdapters.items,
              (std::vector<std::string>{"10.20.30.40; Exchange", "192.168.5.10; Second"}));
    EXPECT_EQ(rig.tray.Picture(), TrayPicture::IconOff);
    ExpectSwitchingItemsEnabled(true);
}

TEST_F(WallGatewayMonitorTest, StartupCheckWithAnAdapterWithoutGatewayKeepsTheSetting) {
    sim.AddAdapter({"eth0", "Exchange", 2, "10.20.30.40", "255.255.255.0", ""});
    WallSettings settings = Settings(1);
    settings.gatewayAddress = "10.20.30.254";
    rig.Start(settings);
    EXPECT_EQ(rig.state.ExchangeGateway, "10.20.30.254");
    EXPECT_FALSE(rig.trayStatus.ActivationImpossible());
}

TEST_F(WallGatewayMonitorTest, StartupCheckUnusableAdapterMarksTheStartRequest) {
    struct Case {
        const char* name;
        std::string address;  // empty: no adapter of that name
        bool activateOnStartup;
    };
    for (const Case& c :
         {Case{"no address", "0.0.0.0", true}, Case{"modem range", "192.168.100.10", false},
          Case{"missing", "", true}}) {
        SCOPED_TRACE(c.name);
        platform::SimIpHelper network(kWallSimNetwork);
        network.RemoveAdapter(2);
        if (!c.address.empty()) {
            network.AddAdapter({"eth0", "Exchange", 2, c.address, "255.255.255.0", "10.20.30.1"});
        }
        WallRig wall(network);
        wall.controls.CheckBoxAutoLock = c.activateOnStartup;
        wall.Start(Settings(1));
        EXPECT_TRUE(wall.trayStatus.ActivationImpossible());
        EXPECT_EQ(wall.tray.Checked(TrayMenuItem::Activate), c.activateOnStartup);
        EXPECT_EQ(wall.tray.Checked(TrayMenuItem::Deactivate), !c.activateOnStartup);
        EXPECT_EQ(wall.tray.Picture(), c.activateOnStartup ? TrayPicture::UnavailableActivated
                                                           : TrayPicture::UnavailableDeactivated);
        EXPECT_FALSE(wall.tray.Enabled(TrayMenuItem::Activate));
        EXPECT_EQ(wall.state.ExchangeGateway, "10.20.30.1");  // the setting, not adopted
    }
}

TEST_F(WallGatewayMonitorTest, UnusableAtStartActivatesOnTheFirstTickThatFindsItUsable) {
    sim.AddAdapter({"eth0", "Exchange", 2, "0.0.0.0", "0.0.0.0", ""});
    rig.controls.CheckBoxAutoLock = true;
    rig.Start(Settings(1));
    rig.SetSubnets(kTestSubnets);
    sim.AddAdapter({"eth0", "Exchange", 2, "10.20.30.40", "255.255.255.0", "10.20.30.1"});
    rig.renewTimer.Fire();

    EXPECT_FALSE(rig.trayStatus.ActivationImpossible());
    ExpectSwitchingItemsEnabled(true);
    EXPECT_EQ(rig.tray.Picture(), TrayPicture::IconOn);
    EXPECT_EQ(Table(), Sorted(ProtectedRowsAnd(Concat(kTestSubnetRows, {kVirtualDefault}))));
    EXPECT_EQ(rig.log.Lines(),
              (std::vector<std::string>{
                  "Изменились интерфейсы:  Gateway = 10.20.30.1. IP = 10.20.30.40"}));
    EXPECT_EQ(rig.log.SelectedIndex(), -1);
}

TEST_F(WallGatewayMonitorTest, TickWithoutChangeDoesNothing) {
    Start(1);
    rig.wall.ActivateWall();
    const std::vector<std::string> table = Table();
    const std::size_t balloons = rig.tray.balloons.size();
    rig.renewTimer.Fire();
    EXPECT_EQ(Table(), table);
    EXPECT_TRUE(rig.log.Lines().empty());
    EXPECT_EQ(rig.plugins.calls.size(), 1u);
    EXPECT_EQ(rig.tray.balloons.size(), balloons);
}

TEST_F(WallGatewayMonitorTest, DhcpGatewayChangeIsAdoptedAndTheWallReapplied) {
    Start(1);
    rig.wall.ActivateWall();
    rig.tray.balloons.clear();
    RenewLease("10.20.40.7", "10.20.40.1");

    rig.renewTimer.Fire();

    EXPECT_EQ(rig.state.ExchangeGateway, "10.20.40.1");
    EXPECT_EQ(rig.controls.editGateway, "10.20.40.1");
    EXPECT_EQ(rig.log.Lines(),
              (std::vector<std::string>{
                  "Изменились интерфейсы:  Gateway = 10.20.40.1. IP = 10.20.40.7"}));
    // The activation-impossible balloon comes first, then the activation's own.
    ASSERT_EQ(rig.tray.balloons.size(), 2u);
    EXPECT_EQ(rig.tray.balloons[0].title, "Korvane (активация невозможна)");
    EXPECT_EQ(rig.tray.balloons[1].title, "Korvane (активирована)");
    EXPECT_EQ(Table(), Sorted({
                           "10.20.40.0/255.255.255.0 via 0.0.0.0 if 2 metric 0 proto 2",
                           kConnectedSecond,
                           "10.50.0.0/255.255.0.0 via 10.20.40.1 if 2 metric 1",
                           "172.16.0.0/255.240.0.0 via 10.20.40.1 if 2 metric 1",
                           "80.91.160.0/255.255.224.0 via 10.20.40.1 if 2 metric 1",
                           kVirtualDefault,
                       }));
    EXPECT_EQ(rig.plugins.calls.back(),
              (PluginCall{PluginEntry::TurnWorldOff, false, "10.20.40.7"}));
    EXPECT_EQ(rig.tray.Picture(), TrayPicture::IconOn);
    ExpectSwitchingItemsEnabled(true);
    EXPECT_FALSE(rig.trayStatus.ActivationImpossible());
}

TEST_F(WallGatewayMonitorTest, DhcpGatewayChangeWhileDeactivatedRestoresThroughTheNewGateway) {
    Start(1);
    rig.wall.DeactivateWall();
    RenewLease("10.20.40.7", "10.20.40.1");
    rig.renewTimer.Fire();
    EXPECT_EQ(Table(), Sorted({
                           "10.20.40.0/255.255.255.0 via 0.0.0.0 if 2 metric 0 proto 2",
                           kConnectedSecond,
                           "0.0.0.0/0.0.0.0 via 10.20.40.1 if 2 metric 2",
                       }));
    EXPECT_EQ(rig.plugins.calls.back(),
              (PluginCall{PluginEntry::TurnWorldOn, false, "10.20.40.7"}));
    EXPECT_TRUE(rig.tray.Checked(TrayMenuItem::Deactivate));
}

TEST_F(WallGatewayMonitorTest, UnplugThenReplugReactivates) {
    Start(1);
    rig.wall.ActivateWall();
    sim.RemoveAdapter(2);

    rig.renewTimer.Fire();
    // The cleanup kept the wall's default route: it leads through another gateway.
    EXPECT_EQ(Table(), Sorted({kConnectedSecond, kVirtualDefault}));
    EXPECT_TRUE(rig.trayStatus.ActivationImpossible());
    EXPECT_EQ(rig.tray.Picture(), TrayPicture::UnavailableActivated);
    ExpectSwitchingItemsEnabled(false);
    EXPECT_TRUE(rig.tray.Checked(TrayMenuItem::Activate));

    rig.renewTimer.Fire();  // still missing: nothing new happens
    EXPECT_EQ(rig.tray.balloons.back().title, "Korvane (активация невозможна)");
    EXPECT_TRUE(rig.log.Lines().empty());

    sim.Load(R"(adapter 2 eth0 10.20.30.40 255.255.255.0 gateway 10.20.30.1
route 0.0.0.0 0.0.0.0 10.20.30.1 2 metric 2
)");
    rig.renewTimer.Fire();
    EXPECT_FALSE(rig.trayStatus.ActivationImpossible());
    ExpectSwitchingItemsEnabled(true);
    EXPECT_EQ(rig.tray.Picture(), TrayPicture::IconOn);
    EXPECT_EQ(Table(), Sorted({kConnectedExchange, kConnectedSecond, kTestSubnetRows[0],
                               kTestSubnetRows[1], kTestSubnetRows[2], kVirtualDefault}));
    EXPECT_EQ(rig.log.Lines().size(), 1u);
}

TEST_F(WallGatewayMonitorTest, LeaseRenewalDefaultRouteRemovedOnlyWithGatewayMonitor) {
    for (bool gatewayMonitor : {true, false}) {
        SCOPED_TRACE(gatewayMonitor);
        platform::SimIpHelper network(kWallSimNetwork);
        WallRig wall(network);
        wall.Start(Settings(0));
        wall.SetSubnets(kTestSubnets);
        wall.controls.CheckBoxGatewayMonitor = gatewayMonitor;
        wall.wall.ActivateWall();
        network.Load("route 0.0.0.0 0.0.0.0 10.20.30.1 2 metric 2\n");  // the renewal puts it back

        wall.renewTimer.Fire();

        std::vector<std::string> rows = kTestSubnetRows;
        if (!gatewayMonitor) rows.push_back(kDhcpDefault);
        EXPECT_EQ(network.RouteTexts(), Sorted(ProtectedRowsAnd(rows)));
        EXPECT_EQ(wall.plugins.calls.size(), 1u);  // no change, no re-activation
    }
}

TEST_F(WallGatewayMonitorTest, DeactivatedWallKeepsItsDefaultRouteOnEveryTick) {
    Start(0);
    rig.wall.DeactivateWall();
    rig.renewTimer.Fire();
    rig.renewTimer.Fire();
    EXPECT_EQ(Table(), Sorted(ProtectedRowsAnd({kExchangeDefault})));
}

TEST_F(WallGatewayMonitorTest, MethodThreeMonitorLeavesTheTableAlone) {
    Start(3);
    rig.wall.ActivateWall();
    rig.renewTimer.Fire();  // the DHCP default route is not the wall's business with method 3
    EXPECT_EQ(Table(), Sorted(InitialRows()));

    const std::string usersForeignRoute =
        "198.18.0.0/255.254.0.0 via 192.168.5.1 if 3 metric 1 proto 3";
    sim.Load("route 198.18.0.0 255.254.0.0 192.168.5.1 3\n");
    sim.RemoveAdapter(2);
    rig.renewTimer.Fire();
    EXPECT_EQ(Table(), Sorted({kConnectedSecond, usersForeignRoute}));
    EXPECT_TRUE(rig.trayStatus.ActivationImpossible());
    EXPECT_EQ(rig.tray.Picture(), TrayPicture::UnavailableActivated);
}

TEST_F(WallGatewayMonitorTest, AdapterEnumerationFailureEndsTheTickSilently) {
    Start(0);
    rig.wall.ActivateWall();
    const std::vector<std::string> activated = Table();
    sim.FailNext(platform::SimOperation::GetAdaptersInfo, platform::kErrorInvalidParameter);
    sim.Load("route 0.0.0.0 0.0.0.0 10.20.30.1 2 metric 2\n");
    rig.renewTimer.Fire();
    EXPECT_TRUE(rig.messages.shown.empty());
    EXPECT_FALSE(rig.trayStatus.ActivationImpossible());
    // The whole tick ended: even the renewed default route is still there.
    EXPECT_EQ(Table(), Sorted(Concat(activated, {kDhcpDefault})));
    rig.renewTimer.Fire();
    EXPECT_EQ(Table(), activated);
}

}  // namespace
}  // namespace korvane::test
