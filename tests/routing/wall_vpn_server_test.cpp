// The VPN server's address at start and at a save, and the "Проверить" button.
#include <gtest/gtest.h>

#include <string>

#include "routing/vpn_server.h"

namespace korvane::routing {
namespace {

class WallVpnServerTest : public ::testing::Test {
  protected:
    WallVpnServerTest() {
        resolver.addresses["vpn.example.net"] = "10.99.0.5";
        state.UseVpn = true;
        controls.checkUseVPN = true;
    }
    platform::FakeResolver resolver;
    platform::ScriptedMessages messages;
    WallState state;
    core::Controls controls;
};

TEST_F(WallVpnServerTest, StartResolvesTheStoredName) {
    ResolveVpnServerAtStart(state, controls, resolver, "vpn.example.net", "10.99.0.9");
    EXPECT_EQ(state.VpnServerName, "vpn.example.net");
    EXPECT_EQ(controls.comboVPNServer.text, "vpn.example.net");
    EXPECT_EQ(state.VpnServerAddress, "10.99.0.5");
    EXPECT_TRUE(state.UseVpn);
    EXPECT_TRUE(controls.checkUseVPN);
}

TEST_F(WallVpnServerTest, StartFallsBackToTheAddressOfTheLastSave) {
    ResolveVpnServerAtStart(state, controls, resolver, "gone.example.net", "10.99.0.9");
    EXPECT_EQ(state.VpnServerAddress, "10.99.0.9");
    EXPECT_TRUE(state.UseVpn);
}

TEST_F(WallVpnServerTest, StartWithoutAnyAddressSwitchesVpnOff) {
    ResolveVpnServerAtStart(state, controls, resolver, "gone.example.net", "");
    EXPECT_EQ(state.VpnServerAddress, "");
    EXPECT_FALSE(state.UseVpn);
    EXPECT_FALSE(controls.checkUseVPN);
    EXPECT_EQ(state.VpnServerName, "gone.example.net");
}

TEST_F(WallVpnServerTest, SaveResolvesAgainAndForgetsTheOldAddressOnFailure) {
    state.VpnServerAddress = "10.99.0.9";
    controls.comboVPNServer.text = "gone.example.net";
    ResolveVpnServerOnSave(state, controls, resolver);
    EXPECT_EQ(state.VpnServerName, "gone.example.net");
    EXPECT_EQ(state.VpnServerAddress, "");
    EXPECT_TRUE(state.UseVpn);  // follows the check box; activation then refuses

    controls.comboVPNServer.text = "vpn.example.net";
    controls.checkUseVPN = false;
    ResolveVpnServerOnSave(state, controls, resolver);
    EXPECT_EQ(state.VpnServerAddress, "10.99.0.5");
    EXPECT_FALSE(state.UseVpn);
}

TEST_F(WallVpnServerTest, CheckButtonReportsAndStoresNothing) {
    struct Case {
        std::string typed;
        std::string text;
        std::string caption;
    };
    for (const Case& c :
         {Case{"vpn.example.net", "Сервер успешно найден. IP адрес: 10.99.0.5", "Korvane"},
          Case{"198.51.100.23", "Сервер успешно найден. IP адрес: 198.51.100.23", "Korvane"},
          Case{"gone.example.net", "Сервер не найден", "Ошибка"},
          Case{std::string(300, 'a'), "Сервер не найден", "Ошибка"}}) {
        SCOPED_TRACE(c.typed);
        messages.shown.clear();
        controls.comboVPNServer.text = c.typed;
        btnCheckVPNServerClick(controls, resolver, messages);
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text, c.text);
        EXPECT_EQ(messages.shown[0].caption, c.caption);
    }
    EXPECT_EQ(state.VpnServerName, "");
    EXPECT_EQ(state.VpnServerAddress, "");
}

}  // namespace
}  // namespace korvane::routing
