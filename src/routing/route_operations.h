#pragma once
// The three operations through which the wall changes the routing table. They read the wall
// state and the two static-route check boxes live, show their failures through Messages and
// never throw.
#include <cstdint>
#include <string>

#include "core/controls.h"
#include "platform/iphelper.h"
#include "platform/messages.h"
#include "routing/persistent_routes.h"
#include "routing/wall_state.h"

namespace korvane::routing {

// AddRoute's result when no interface leads to the gateway.
inline constexpr std::uint32_t kInterfaceNotFound = 10;

class RouteOperations {
  public:
    RouteOperations(platform::IpHelper& ipHelper, platform::Messages& messages,
                    PersistentRoutes& persistentRoutes, const WallState& wall,
                    const core::Controls& controls);

    // Creates or replaces one row. An empty metric means "1"; interface index 0 means: ask
    // the platform for the gateway's interface. 0 on success, otherwise a status.
    std::uint32_t AddRoute(const std::string& destination, const std::string& mask,
                           const std::string& gateway, const std::string& metric,
                           std::uint32_t interfaceIndex);

    // Deletes the rows whose destination text contains destinationFilter and whose next hop
    // text equals nextHopFilter (an empty filter selects all), sparing 224.0.0.0 and the
    // local networks.
    void DeleteRoutes(const std::string& destinationFilter, const std::string& nextHopFilter);

    // Deletes every row the wall does not protect; true when a default route through another
    // next hop than ExchangeGateway was seen.
    bool CleanupRoutes();

  private:
    bool ReadRouteTable(std::vector<platform::MIB_IPFORWARDROW>& rows);

    platform::IpHelper& ipHelper_;
    platform::Messages& messages_;
    PersistentRoutes& persistentRoutes_;
    const WallState& wall_;
    const core::Controls& controls_;
};

}  // namespace korvane::routing
