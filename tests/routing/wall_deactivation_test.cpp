// DeactivateWall on the sim backend; every test checks the whole route table afterwards.
#include <gtest/gtest.h>

#include "support/wall_sim_fixture.h"

namespace korvane::test {
namespace {

using plugins::PluginEntry;
using routing::TrayMenuItem;
using routing::TrayPicture;

class WallDeactivationTest : public WallSimTest {};

TEST_F(WallDeactivationTest, EachBlockingMethodRestoresTheExchangeDefaultRoute) {
    for (int method : {0, 1, 2}) {
        SCOPED_TRACE(method);
        platform::SimIpHelper network(kWallSimNetwork);
        WallRig wall(network);
        wall.Start(Settings(method));
        wall.SetSubnets(kTestSubnets);
        wall.controls.CheckBoxUseWhiteList = true;
        wall.controls.MemoWhiteList = {"203.0.113.7"};
        wall.controls.memoWhiteList2 = {"198.18.0.1"};
        wall.wall.ActivateWall();
        wall.plugins.calls.clear();
        wall.tray.balloons.clear();

        wall.wall.DeactivateWall();

        EXPECT_EQ(network.RouteTexts(), Sorted(ProtectedRowsAnd({kExchangeDefault})));
        EXPECT_TRUE(wall.messages.shown.empty());
        EXPECT_EQ(wall.plugins.calls,
                  (std::vector<PluginCall>{{PluginEntry::TurnWorldOn, false, "10.20.30.40"}}));
        EXPECT_FALSE(wall.tray.Checked(TrayMenuItem::Activate));
        EXPECT_TRUE(wall.tray.Checked(TrayMenuItem::Deactivate));
        EXPECT_EQ(wall.tray.Picture(), TrayPicture::IconOff);
        EXPECT_EQ(wall.tray.Hint(),
                  "Korvane (деактивирована)\n\rПоследнее обновление: не было\n\r"
                  "Количество подсетей: 3");
        EXPECT_TRUE(wall.tray.balloons.empty());  // the menu command asks for it, not the wall
        EXPECT_TRUE(wall.renewTimer.Enabled());
    }
}

TEST_F(WallDeactivationTest, MethodThreeTouchesNoRoute) {
    Start(3);
    rig.wall.ActivateWall();
    rig.renewTimer.SetEnabled(false);
    rig.wall.DeactivateWall();
    EXPECT_EQ(Table(), Sorted(InitialRows()));
    EXPECT_EQ(rig.plugins.calls.back(),
              (PluginCall{PluginEntry::TurnWorldOn, false, "10.20.30.40"}));
    EXPECT_TRUE(rig.tray.Checked(TrayMenuItem::Deactivate));
    EXPECT_EQ(rig.tray.Picture(), TrayPicture::IconOff);
    EXPECT_TRUE(rig.renewTimer.Enabled());
}

TEST_F(WallDeactivationTest, TimerIsStoppedWhileDeactivating) {
    Start(1);
    bool enabledDuringPluginCall = true;
    struct Probe : plugins::PluginCaller {
        platform::Timer* timer;
        bool* enabled;
        void CallEnabledPlugins(PluginEntry, bool, const std::string&) override {
            *enabled = timer->Enabled();
        }
    } probe;
    probe.timer = &rig.renewTimer;
    probe.enabled = &enabledDuringPluginCall;
    routing::WallParts parts = rig.Parts();
    routing::WallParts probed{parts.ipHelper,
                              parts.routes,
                              parts.persistentRoutes,
                              parts.state,
                              parts.subnets,
                              parts.controls,
                              parts.tray,
                              parts.trayStatus,
                              parts.messages,
                              parts.renewPeriodTimer,
                              probe};
    routing::Wall wall(probed);
    wall.DeactivateWall();
    EXPECT_FALSE(enabledDuringPluginCall);
    EXPECT_TRUE(rig.renewTimer.Enabled());
}

TEST_F(WallDeactivationTest, RepeatedDeactivationRecreatesTheSameDefaultRoute) {
    Start(1);
    rig.wall.DeactivateWall();
    const std::vector<std::string> once = Table();
    EXPECT_EQ(once, Sorted(ProtectedRowsAnd({kExchangeDefault})));
    rig.wall.DeactivateWall();
    EXPECT_EQ(Table(), once);
    EXPECT_TRUE(rig.messages.shown.empty());
}

TEST_F(WallDeactivationTest, VpnKeepsServerRouteAndMetricDependsOnAnotherDefaultRoute) {
    struct Case {
        const char* name;
        bool vpnDefaultRoute;  // the VPN connection's own default route exists
        bool useVpn;
        std::string metric;
    };
    for (const Case& c : {Case{"VPN default route", true, true, "3"},
                          Case{"no other default route", false, true, "2"},
                          Case{"other default route without VPN mode", true, false, "2"}}) {
        SCOPED_TRACE(c.name);
        platform::SimIpHelper network(kWallSimNetwork);
        network.Load("adapter 4 ppp0 10.99.1.2 255.255.255.255 description VPN\n");
        if (c.vpnDefaultRoute) network.Load("route 0.0.0.0 0.0.0.0 0.0.0.0 4 metric 1\n");
        WallRig wall(network);
        wall.Start(Settings(1));
        wall.SetSubnets(kTestSubnets);
        wall.state.UseVpn = c.useVpn;
        wall.state.VpnServerAddress = "10.99.0.5";
        wall.wall.ActivateWall();
        wall.wall.DeactivateWall();

        std::vector<std::string> rows = {
            "0.0.0.0/0.0.0.0 via 10.20.30.1 if 2 metric " + c.metric,
            "10.99.1.2/255.255.255.255 via 0.0.0.0 if 4 metric 0 proto 2",
        };
        if (c.useVpn) rows.push_back("10.99.0.5/255.255.255.255 via 10.20.30.1 if 2 metric 1");
        if (c.vpnDefaultRoute) rows.push_back("0.0.0.0/0.0.0.0 via 0.0.0.0 if 4 metric 1 proto 3");
        EXPECT_EQ(network.RouteTexts(), Sorted(ProtectedRowsAnd(rows)));
    }
}

TEST_F(WallDeactivationTest, UnreachableGatewayIsReportedWithItsCode) {
    WallSettings settings = Settings(1);
    settings.gatewayAddress = "10.77.0.1";  // not on eth0's network
    rig.Start(settings);
    rig.state.ExchangeGateway =
        "10.77.0.1";  // as saved in the settings window, over the adopted one
    rig.SetSubnets(kTestSubnets);
    rig.wall.DeactivateWall();
    EXPECT_EQ(MessageTexts(),
              (std::vector<std::string>{"Проблема при создании правила маршрутизации. Проверьте "
                                        "значение шлюза по умолчанию а также содержимое белых "
                                        "списков. Код ошибки: 1231"}));
    // The DHCP default route through 10.20.30.1 is another gateway's now, so it stays.
    EXPECT_EQ(Table(), Sorted(ProtectedRowsAnd({kDhcpDefault})));
    EXPECT_EQ(rig.plugins.calls.size(), 1u);
    EXPECT_TRUE(rig.tray.Checked(TrayMenuItem::Deactivate));
    EXPECT_EQ(rig.tray.Picture(), TrayPicture::IconOff);
}

TEST_F(WallDeactivationTest, StaticRoutesTickedLeavesOnlyTheRestoredDefaultPersistent) {
    for (int method : {1, 2}) {
        SCOPED_TRACE(method);
        platform::SimIpHelper network(kWallSimNetwork);
        WallRig wall(network);
        wall.Start(Settings(method));
        wall.SetSubnets(kTestSubnets);
        wall.controls.checkUseStaticRoutes = true;
        wall.wall.ActivateWall();
        ASSERT_EQ(wall.PersistentRouteNames().size(), 4u);
        wall.wall.DeactivateWall();
        // The blocking default route loses its copy too, or it would come back at system start.
        EXPECT_EQ(wall.PersistentRouteNames(),
                  (std::vector<std::string>{"0.0.0.0,0.0.0.0,10.20.30.1,2"}));
        EXPECT_EQ(network.RouteTexts(), Sorted(ProtectedRowsAnd({kExchangeDefault})));
    }
}

TEST_F(WallDeactivationTest, UsersPersistentRouteSurvivesWithDontDelete) {
    Start(1);
    for (const char* name :
         {"198.51.100.0,255.255.255.0,10.20.30.1,5", "0.0.0.0,0.0.0.0,192.168.5.254,1"}) {
        rig.registry.WriteString(platform::Hive::LocalMachine, routing::kPersistentRoutesKey, name,
                                 "");
    }
    rig.controls.checkDontDeleteStaticRoutes = true;
    rig.wall.ActivateWall();
    rig.wall.DeactivateWall();
    EXPECT_EQ(Table(), Sorted(ProtectedRowsAnd({kExchangeDefault, kUserRoute})));
    EXPECT_EQ(Sorted(rig.PersistentRouteNames()), Sorted({"198.51.100.0,255.255.255.0,10.20.30.1,5",
                                                          "0.0.0.0,0.0.0.0,192.168.5.254,1"}));
}

TEST_F(WallDeactivationTest, NoExchangeAdapterRemovesTheWallButCannotRestore) {
    Start(1);
    rig.wall.ActivateWall();
    sim.RemoveAdapter(2);  // eth0 unplugged: its rows go with it
    rig.plugins.calls.clear();

    rig.wall.DeactivateWall();

    EXPECT_EQ(Table(), Sorted({kConnectedSecond}));
    EXPECT_TRUE(rig.messages.shown.empty());
    EXPECT_EQ(rig.plugins.calls, (std::vector<PluginCall>{{PluginEntry::TurnWorldOn, false, ""}}));
    EXPECT_TRUE(rig.tray.Checked(TrayMenuItem::Deactivate));
    EXPECT_EQ(rig.tray.Picture(), TrayPicture::UnavailableDeactivated);
    EXPECT_TRUE(rig.trayStatus.ActivationImpossible());
    EXPECT_FALSE(rig.tray.Enabled(TrayMenuItem::Activate));
    EXPECT_TRUE(rig.renewTimer.Enabled());

    // Plugged in again: the monitor restores the requested (deactivated) state.
    sim.Load(R"(adapter 2 eth0 10.20.30.40 255.255.255.0 gateway 10.20.30.1
route 224.0.0.0 240.0.0.0 0.0.0.0 2 metric 1
)");
    rig.renewTimer.Fire();
    EXPECT_EQ(Table(), Sorted(ProtectedRowsAnd({kExchangeDefault})));
    EXPECT_FALSE(rig.trayStatus.ActivationImpossible());
    EXPECT_EQ(rig.tray.Picture(), TrayPicture::IconOff);
}

TEST_F(WallDeactivationTest, AdapterEnumerationFailureIsShownAndChangesNothing) {
    Start(1);
    rig.wall.ActivateWall();
    const std::vector<std::string> activated = Table();
    const std::string hint = rig.tray.Hint();
    rig.plugins.calls.clear();
    sim.FailNext(platform::SimOperation::GetAdaptersInfo, platform::kErrorInvalidParameter);

    rig.wall.DeactivateWall();

    EXPECT_EQ(MessageTexts(),
              (std::vector<std::string>{"Function GetAdaptersInfo. Invalid parameter"}));
    EXPECT_EQ(Table(), activated);
    EXPECT_TRUE(rig.plugins.calls.empty());
    EXPECT_TRUE(rig.tray.Checked(TrayMenuItem::Activate));
    EXPECT_EQ(rig.tray.Hint(), hint);
    EXPECT_TRUE(rig.renewTimer.Enabled());
}

}  // namespace
}  // namespace korvane::test
