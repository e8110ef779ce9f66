#pragma once
// The VPN server's address: resolved at start and at every save of the settings, and the
// "Проверить" button of the adapter page.
#include <string>

#include "core/controls.h"
#include "platform/messages.h"
#include "platform/resolver.h"
#include "routing/wall_state.h"

namespace korvane::routing {

// At start: VpnServerName is the stored name (also the text of comboVPNServer); its address
// when it resolves, else the address stored at the last save. Without an address VPN mode is
// switched off and checkUseVPN unticked (the caller runs checkUseVPNClick afterwards).
void ResolveVpnServerAtStart(WallState& state, core::Controls& controls,
                             platform::Resolver& resolver, const std::string& storedName,
                             const std::string& storedAddress);

// At a save: the name from comboVPNServer, resolved again (empty when that fails); UseVpn
// follows checkUseVPN even without an address, and activation then refuses to proceed.
// The caller stores VpnServerName and VpnServerAddress.
void ResolveVpnServerOnSave(WallState& state, const core::Controls& controls,
                            platform::Resolver& resolver);

// Resolves the text of comboVPNServer and reports the address or the failure; stores nothing.
void btnCheckVPNServerClick(const core::Controls& controls, platform::Resolver& resolver,
                            platform::Messages& messages);

}  // namespace korvane::routing
