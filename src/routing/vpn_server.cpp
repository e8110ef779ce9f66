#include "routing/vpn_server.h"

#include "lists/host_names.h"

namespace korvane::routing {

void ResolveVpnServerAtStart(WallState& state, core::Controls& controls,
                             platform::Resolver& resolver, const std::string& storedName,
                             const std::string& storedAddress) {
    state.VpnServerName = storedName;
    controls.comboVPNServer.text = storedName;
    const lists::ResolvedHost resolved = lists::ResolveHost(resolver, storedName);
    state.VpnServerAddress = resolved.found() ? resolved.address : storedAddress;
    if (state.VpnServerAddress.empty()) {
        state.UseVpn = false;
        controls.checkUseVPN = false;
    }
}

void ResolveVpnServerOnSave(WallState& state, const core::Controls& controls,
                            platform::Resolver& resolver) {
    state.UseVpn = controls.checkUseVPN;
    state.VpnServerName = controls.comboVPNServer.text;
    const lists::ResolvedHost resolved = lists::ResolveHost(resolver, state.VpnServerName);
    state.VpnServerAddress = resolved.found() ? resolved.address : std::string();
}

void btnCheckVPNServerClick(const core::Controls& controls, platform::Resolver& resolver,
                            platform::Messages& messages) {
    const lists::ResolvedHost resolved = lists::ResolveHost(resolver, controls.comboVPNServer.text);
    if (resolved.found()) {
        messages.Notice("Сервер успешно найден. IP адрес: " + resolved.address);
    } else {
        messages.Error("Сервер не найден");
    }
}

}  // namespace korvane::routing
