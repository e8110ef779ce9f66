// ActivateWall on the sim backend; every test checks the whole route table afterwards.
#include <gtest/gtest.h>

#include "support/wall_sim_fixture.h"

namespace korvane::test {
namespace {

using plugins::PluginEntry;
using routing::TrayMenuItem;
using routing::TrayPicture;

class WallActivationTest : public WallSimTest {};

struct MethodCase {
    int method;
    std::vector<std::string> rows;  // besides the subnets and the protected rows
};

TEST_F(WallActivationTest, EachBlockingMethodLeavesItsTable) {
    const MethodCase cases[] = {
        {0, {}},
        {1, {kVirtualDefault}},
        {2, {kForeignDefault}},
    };
    for (const MethodCase& c : cases) {
        SCOPED_TRACE(c.method);
        platform::SimIpHelper network(kWallSimNetwork);
        WallRig wall(network);
        wall.Start(Settings(c.method));
        wall.SetSubnets(kTestSubnets);
        wall.renewTimer.SetEnabled(false);  // as the start-up activation leaves it

        wall.wall.ActivateWall();

        EXPECT_EQ(network.RouteTexts(), Sorted(ProtectedRowsAnd(Concat(kTestSubnetRows, c.rows))));
        EXPECT_TRUE(wall.renewTimer.Enabled());
        EXPECT_TRUE(wall.messages.shown.empty());
        EXPECT_EQ(wall.plugins.calls,
                  (std::vector<PluginCall>{{PluginEntry::TurnWorldOff, false, "10.20.30.40"}}));
        EXPECT_TRUE(wall.tray.Checked(TrayMenuItem::Activate));
        EXPECT_FALSE(wall.tray.Checked(TrayMenuItem::Deactivate));
        EXPECT_EQ(wall.tray.Picture(), TrayPicture::IconOn);
        EXPECT_EQ(wall.tray.Hint(),
                  "Korvane (активирована)\n\rПоследнее обновление: не было\n\r"
                  "Количество подсетей: 3");
        ASSERT_EQ(wall.tray.balloons.size(), 1u);
        EXPECT_EQ(wall.tray.balloons[0].title, "Korvane (активирована)");
    }
}

TEST_F(WallActivationTest, MethodThreeTouchesNoRouteButTellsPluginsAndSwitches) {
    Start(3);
    rig.tray.SetChecked(TrayMenuItem::WhiteListOn, true);
    rig.renewTimer.SetEnabled(false);
    rig.wall.ActivateWall();

    EXPECT_EQ(Table(), Sorted(InitialRows()));
    EXPECT_FALSE(rig.renewTimer.Enabled());
    EXPECT_EQ(rig.plugins.calls,
              (std::vector<PluginCall>{{PluginEntry::TurnWorldOff, true, "10.20.30.40"}}));
    EXPECT_TRUE(rig.tray.Checked(TrayMenuItem::Activate));
    EXPECT_EQ(rig.tray.Picture(), TrayPicture::IconOn);
}

TEST_F(WallActivationTest, NoBalloonWithoutPopupsOnUpdate) {
    Start(1);
    rig.controls.checkBoxEnablePopupsOnUpdate = false;
    rig.wall.ActivateWall();
    EXPECT_TRUE(rig.tray.balloons.empty());
    EXPECT_TRUE(rig.tray.Checked(TrayMenuItem::Activate));
}

TEST_F(WallActivationTest, EmptySubnetListStopsAfterTheInProgressHint) {
    rig.Start(Settings(1));
    rig.wall.ActivateWall();
    EXPECT_EQ(Table(), Sorted(InitialRows()));
    EXPECT_EQ(rig.tray.Hint(), "Korvane (активирование в процессе)");
    EXPECT_TRUE(rig.plugins.calls.empty());
    EXPECT_TRUE(rig.tray.Checked(TrayMenuItem::Deactivate));
    EXPECT_EQ(rig.tray.Picture(), TrayPicture::IconOff);
}

TEST_F(WallActivationTest, VpnModeKeepsServerRouteAndUsesMetricTwo) {
    Start(1);
    rig.state.UseVpn = true;
    rig.state.VpnServerAddress = "10.99.0.5";
    rig.wall.ActivateWall();
    const std::vector<std::string> expected = ProtectedRowsAnd(
        Concat(kTestSubnetRows, {"10.99.0.5/255.255.255.255 via 10.20.30.1 if 2 metric 1",
                                 "0.0.0.0/0.0.0.0 via 192.168.5.254 if 3 metric 2"}));
    EXPECT_EQ(Table(), Sorted(expected));

    // Re-activation: the cleanup spares the server's host route, the default route is replaced.
    rig.wall.ActivateWall();
    EXPECT_EQ(Table(), Sorted(expected));
}

TEST_F(WallActivationTest, VpnRefusedShowsDeactivatedAndTouchesNothing) {
    struct Case {
        const char* name;
        std::string exchangeAddress;
        std::string serverAddress;
    };
    for (const Case& c : {Case{"modem range", "192.168.100.10", "10.99.0.5"},
                          Case{"no address", "0.0.0.0", "10.99.0.5"},
                          Case{"server unresolved", "10.20.30.40", ""}}) {
        SCOPED_TRACE(c.name);
        platform::SimIpHelper network(kWallSimNetwork);
        WallRig wall(network);
        wall.Start(Settings(1));
        wall.SetSubnets(kTestSubnets);
        network.AddAdapter(
            {"eth0", "Exchange", 2, c.exchangeAddress, "255.255.255.0", "10.20.30.1"});
        const std::vector<std::string> before = network.RouteTexts();
        wall.state.UseVpn = true;
        wall.state.VpnServerAddress = c.serverAddress;

        wall.wall.ActivateWall();

        EXPECT_EQ(network.RouteTexts(), before);
        EXPECT_EQ(wall.tray.Hint(),
                  "Korvane (деактивирована)\n\rПоследнее обновление: не было\n\r"
                  "Количество подсетей: 3");
        ASSERT_EQ(wall.tray.balloons.size(), 1u);
        EXPECT_EQ(wall.tray.balloons[0].title, "Korvane (деактивирована)");
        EXPECT_TRUE(wall.plugins.calls.empty());
        EXPECT_TRUE(wall.tray.Checked(TrayMenuItem::Deactivate));
        EXPECT_FALSE(wall.tray.Checked(TrayMenuItem::Activate));
        EXPECT_EQ(wall.tray.Picture(), TrayPicture::IconOff);
    }
}

TEST_F(WallActivationTest, LanModeSkipsTheAdaptersOwnNetwork) {
    Start(0);
    rig.state.LanMode = true;
    rig.SetSubnets({"10.50.0.0/16", "10.20.30.0/24", "172.16.0.0/12"});
    rig.wall.ActivateWall();
    EXPECT_EQ(rig.state.LanNetwork, "10.20.30.0");
    EXPECT_EQ(Table(), Sorted(ProtectedRowsAnd({
                           "10.50.0.0/255.255.0.0 via 10.20.30.1 if 2 metric 1",
                           "172.16.0.0/255.240.0.0 via 10.20.30.1 if 2 metric 1",
                       })));
}

TEST_F(WallActivationTest, WhiteListRoutedThroughExchangeBlackListThroughForeignGateway) {
    Start(2);
    rig.controls.CheckBoxUseWhiteList = true;
    rig.controls.MemoWhiteList = {"# friends", "", "203.0.113.7", "not an entry", "198.18.0.0/15"};
    rig.controls.memoWhiteList2 = {"#", "10.50.0.0/16", "80.91.160.7"};
    rig.SetSubnets({"10.50.0.0/16", "172.16.0.0/12"});
    rig.wall.ActivateWall();
    // The black-listed subnet is routed again by the subnet loop, which comes after the lists.
    EXPECT_EQ(Table(), Sorted(ProtectedRowsAnd({
                           "203.0.113.7/255.255.255.255 via 10.20.30.1 if 2 metric 1",
                           "198.18.0.0/255.254.0.0 via 10.20.30.1 if 2 metric 1",
                           "10.50.0.0/255.255.0.0 via 192.168.5.1 if 3 metric 1",
                           "80.91.160.7/255.255.255.255 via 192.168.5.1 if 3 metric 1",
                           "10.50.0.0/255.255.0.0 via 10.20.30.1 if 2 metric 1",
                           "172.16.0.0/255.240.0.0 via 10.20.30.1 if 2 metric 1",
                           kForeignDefault,
                       })));
}

TEST_F(WallActivationTest, BlackListDeletesExchangeRoutesContainingTheEntry) {
    Start(2);
    rig.controls.CheckBoxUseWhiteList = true;
    // The white list routes 203.0.113.70 through the exchange; the black-list entry 203.0.113.7
    // is a substring of it, so that route goes again.
    rig.controls.MemoWhiteList = {"203.0.113.70"};
    rig.controls.memoWhiteList2 = {"203.0.113.7"};
    rig.wall.ActivateWall();
    EXPECT_EQ(Table(),
              Sorted(ProtectedRowsAnd(Concat(
                  kTestSubnetRows, {"203.0.113.7/255.255.255.255 via 192.168.5.1 if 3 metric 1",
                                    kForeignDefault}))));
}

TEST_F(WallActivationTest, BlackListOnlyWithMethodTwoAndTheWhiteListOn) {
    struct Case {
        int method;
        bool whiteListOn;
        std::vector<std::string> rows;
    };
    const std::string white = "203.0.113.7/255.255.255.255 via 10.20.30.1 if 2 metric 1";
    const std::string black = "198.18.0.1/255.255.255.255 via 192.168.5.1 if 3 metric 1";
    for (const Case& c :
         {Case{0, true, {white}}, Case{1, true, {white, kVirtualDefault}},
          Case{2, false, {kForeignDefault}}, Case{2, true, {white, black, kForeignDefault}}}) {
        SCOPED_TRACE(testing::Message()
                     << "method " << c.method << " white list " << c.whiteListOn);
        platform::SimIpHelper network(kWallSimNetwork);
        WallRig wall(network);
        wall.Start(Settings(c.method));
        wall.SetSubnets(kTestSubnets);
        wall.controls.CheckBoxUseWhiteList = c.whiteListOn;
        wall.controls.MemoWhiteList = {"203.0.113.7"};
        wall.controls.memoWhiteList2 = {"198.18.0.1"};
        wall.wall.ActivateWall();
        EXPECT_EQ(network.RouteTexts(), Sorted(ProtectedRowsAnd(Concat(kTestSubnetRows, c.rows))));
    }
}

TEST_F(WallActivationTest, SwitchingTheWhiteListOffAndReactivatingRemovesItsRoutes) {
    Start(2);
    rig.controls.CheckBoxUseWhiteList = true;
    rig.controls.MemoWhiteList = {"203.0.113.7"};
    rig.controls.memoWhiteList2 = {"198.18.0.1"};
    rig.wall.ActivateWall();
    rig.controls.CheckBoxUseWhiteList = false;
    rig.wall.ActivateWall();
    EXPECT_EQ(Table(), Sorted(ProtectedRowsAnd(Concat(kTestSubnetRows, {kForeignDefault}))));
}

TEST_F(WallActivationTest, BlackListWithoutSecondAdapterLeavesEntriesUnrouted) {
    WallSettings settings = Settings(2);
    settings.secondAdapterName = "wlan9";  // not present
    rig.Start(settings);
    rig.SetSubnets({"10.50.0.0/16", "172.16.0.0/12"});
    rig.controls.CheckBoxUseWhiteList = true;
    rig.controls.memoWhiteList2 = {"10.50.0.0/16", "198.18.0.1"};
    rig.controls.MemoWhiteList = {"198.18.0.1"};
    rig.wall.ActivateWall();
    // The white-list route of 198.18.0.1 is gone, no foreign route and no default route exist.
    EXPECT_EQ(Table(), Sorted(ProtectedRowsAnd({
                           "10.50.0.0/255.255.0.0 via 10.20.30.1 if 2 metric 1",
                           "172.16.0.0/255.240.0.0 via 10.20.30.1 if 2 metric 1",
                       })));
    EXPECT_TRUE(rig.messages.shown.empty());
    EXPECT_TRUE(rig.tray.Checked(TrayMenuItem::Activate));
}

// The line 80.91.160.0 means 80.91.160.0 with the class-A mask 255.0.0.0: host bits set in the
// destination, which the platform refuses.
constexpr char kUnroutableSubnet[] = "80.91.160.0";

TEST_F(WallActivationTest, LastSubnetFailingShowsMessageAndStopsBeforeTheDefaultRoute) {
    Start(1);
    rig.state.UseVpn = true;
    rig.state.VpnServerAddress = "10.99.0.5";
    rig.renewTimer.SetEnabled(false);
    rig.SetSubnets({"10.50.0.0/16", "172.16.0.0/12", kUnroutableSubnet});
    rig.wall.ActivateWall();

    EXPECT_EQ(MessageTexts(),
              (std::vector<std::string>{"Проблема при создании правила маршрутизации. Проверьте "
                                        "значение шлюза по умолчанию а также содержимое белых "
                                        "списков"}));
    EXPECT_EQ(rig.messages.shown[0].caption, "Ошибка");
    // No VPN host route, no new default route; the cleanup removed the exchange default route.
    EXPECT_EQ(Table(), Sorted(ProtectedRowsAnd({
                           "10.50.0.0/255.255.0.0 via 10.20.30.1 if 2 metric 1",
                           "172.16.0.0/255.240.0.0 via 10.20.30.1 if 2 metric 1",
                       })));
    EXPECT_FALSE(rig.renewTimer.Enabled());
    EXPECT_EQ(rig.plugins.calls.size(), 1u);
    EXPECT_TRUE(rig.tray.Checked(TrayMenuItem::Activate));
    EXPECT_EQ(rig.tray.Picture(), TrayPicture::IconOn);
}

TEST_F(WallActivationTest, MiddleSubnetFailingIsSilentAndActivationCompletes) {
    Start(1);
    rig.renewTimer.SetEnabled(false);
    rig.SetSubnets({"10.50.0.0/16", kUnroutableSubnet, "172.16.0.0/12"});
    rig.wall.ActivateWall();

    EXPECT_TRUE(rig.messages.shown.empty());
    EXPECT_EQ(Table(), Sorted(ProtectedRowsAnd({
                           "10.50.0.0/255.255.0.0 via 10.20.30.1 if 2 metric 1",
                           "172.16.0.0/255.240.0.0 via 10.20.30.1 if 2 metric 1",
                           kVirtualDefault,
                       })));
    EXPECT_TRUE(rig.renewTimer.Enabled());
}

TEST_F(WallActivationTest, SubnetContainingZeroDotsIsRoutedAndRemovedAgain) {
    Start(1);
    // "10.0.0.0" contains "0.0.0.0": the removal of the exchange default route takes it too.
    rig.SetSubnets({"10.0.0.0", "172.16.0.0/12", "100.64.0.0/10"});
    rig.wall.ActivateWall();
    EXPECT_EQ(Table(), Sorted(ProtectedRowsAnd({
                           "172.16.0.0/255.240.0.0 via 10.20.30.1 if 2 metric 1",
                           "100.64.0.0/255.192.0.0 via 10.20.30.1 if 2 metric 1",
                           kVirtualDefault,
                       })));
    EXPECT_GE(sim.Calls(platform::SimOperation::CreateIpForwardEntry), 4);
}

TEST_F(WallActivationTest, ReactivationRebuildsTheSameTableAndFollowsANewList) {
    Start(1);
    rig.wall.ActivateWall();
    const std::vector<std::string> first = Table();
    rig.wall.ActivateWall();
    EXPECT_EQ(Table(), first);
    EXPECT_EQ(rig.plugins.calls.size(), 2u);

    rig.SetSubnets({"192.0.2.0/24"});
    rig.wall.ActivateWall();
    EXPECT_EQ(Table(),
              Sorted(ProtectedRowsAnd(
                  {"192.0.2.0/255.255.255.0 via 10.20.30.1 if 2 metric 1", kVirtualDefault})));
}

TEST_F(WallActivationTest, NoExchangeAdapterKeepsTheRequestAndTouchesNoRoute) {
    WallSettings settings = Settings(1);
    settings.exchangeAdapterName = "eth7";
    rig.Start(settings);
    rig.SetSubnets(kTestSubnets);
    ASSERT_TRUE(rig.trayStatus.ActivationImpossible());  // from the start-up check
    rig.renewTimer.SetEnabled(false);                    // the start-up activation tick
    rig.tray.balloons.clear();

    rig.wall.ActivateWall();

    EXPECT_EQ(Table(), Sorted(InitialRows()));
    EXPECT_TRUE(rig.plugins.calls.empty());
    EXPECT_TRUE(rig.messages.shown.empty());
    EXPECT_TRUE(rig.tray.Checked(TrayMenuItem::Activate));
    EXPECT_FALSE(rig.tray.Checked(TrayMenuItem::Deactivate));
    EXPECT_EQ(rig.tray.Picture(), TrayPicture::UnavailableActivated);
    EXPECT_EQ(rig.tray.Hint().substr(0, rig.tray.Hint().find('\n')),
              "Korvane (активация невозможна)");
    EXPECT_FALSE(rig.tray.Enabled(TrayMenuItem::Activate));
    EXPECT_TRUE(rig.renewTimer.Enabled());  // so the monitor sees the adapter come back
}

TEST_F(WallActivationTest, MethodThreeWithoutExchangeAdapterGivesPluginsAnEmptyAddress) {
    WallSettings settings = Settings(3);
    settings.exchangeAdapterName = "eth7";
    rig.Start(settings);
    rig.SetSubnets(kTestSubnets);
    rig.wall.ActivateWall();
    EXPECT_EQ(Table(), Sorted(InitialRows()));
    EXPECT_EQ(rig.plugins.calls, (std::vector<PluginCall>{{PluginEntry::TurnWorldOff, false, ""}}));
    EXPECT_TRUE(rig.tray.Checked(TrayMenuItem::Activate));
}

TEST_F(WallActivationTest, AdapterEnumerationFailureIsShownAndChangesNothing) {
    Start(1);
    const std::string hint = rig.tray.Hint();
    sim.FailNext(platform::SimOperation::GetAdaptersInfo, platform::kErrorNotSupported);
    rig.wall.ActivateWall();
    EXPECT_EQ(MessageTexts(),
              (std::vector<std::string>{
                  "Function GetAdaptersInfo is not supported by the operating system."}));
    EXPECT_EQ(Table(), Sorted(InitialRows()));
    EXPECT_EQ(rig.tray.Hint(), hint);
    EXPECT_TRUE(rig.plugins.calls.empty());
    EXPECT_TRUE(rig.tray.Checked(TrayMenuItem::Deactivate));
}

TEST_F(WallActivationTest, StaticRoutesTickedWritesEveryRouteAsPersistent) {
    Start(1);
    rig.controls.checkUseStaticRoutes = true;
    rig.wall.ActivateWall();
    EXPECT_EQ(
        Sorted(rig.PersistentRouteNames()),
        Sorted({"10.50.0.0,255.255.0.0,10.20.30.1,1", "172.16.0.0,255.240.0.0,10.20.30.1,1",
                "80.91.160.0,255.255.224.0,10.20.30.1,1", "0.0.0.0,0.0.0.0,192.168.5.254,1"}));
    EXPECT_EQ(Table(), Sorted(ProtectedRowsAnd(Concat(kTestSubnetRows, {kVirtualDefault}))));
}

TEST_F(WallActivationTest, UsersPersistentRouteSurvivesOnlyWithDontDelete) {
    for (bool dontDelete : {true, false}) {
        SCOPED_TRACE(dontDelete);
        platform::SimIpHelper network(kWallSimNetwork);
        WallRig wall(network);
        wall.Start(Settings(1));
        wall.SetSubnets(kTestSubnets);
        wall.registry.WriteString(platform::Hive::LocalMachine, routing::kPersistentRoutesKey,
                                  "198.51.100.0,255.255.255.0,10.20.30.1,5", "");
        wall.controls.checkUseStaticRoutes = false;
        wall.controls.checkDontDeleteStaticRoutes = dontDelete;

        wall.wall.ActivateWall();

        std::vector<std::string> rows = Concat(kTestSubnetRows, {kVirtualDefault});
        if (dontDelete) rows.push_back(kUserRoute);
        EXPECT_EQ(network.RouteTexts(), Sorted(ProtectedRowsAnd(rows)));
        EXPECT_EQ(wall.PersistentRouteNames().size(), dontDelete ? 1u : 0u);
    }
}

}  // namespace
}  // namespace korvane::test
