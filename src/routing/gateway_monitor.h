#pragma once
// The gateway monitor: every TimerRenewPeriod tick it looks at the exchange adapter, adopts a
// new DHCP gateway and re-applies the requested wall state after a change, shows the
// activation-impossible state while the adapter is missing, and, while the wall is on, removes
// the default route through the exchange gateway that a lease renewal puts back.
// Also the start-up adapter check that sets the initial availability.
//
// With blocking method 3 the wall leaves the routing table alone, and so does the monitor:
// it then neither cleans routes nor removes the exchange default route.
#include "lists/update_log.h"
#include "routing/wall.h"

namespace korvane::routing {

class GatewayMonitor {
  public:
    // Takes over the ticks of parts.renewPeriodTimer; the program enables it at the end of
    // its start.
    GatewayMonitor(const WallParts& parts, WallHooks& wall, lists::UpdateLog& log);
    GatewayMonitor(const GatewayMonitor&) = delete;
    GatewayMonitor& operator=(const GatewayMonitor&) = delete;

    // Run once at start, after the settings and the adapter list are loaded.
    void StartupAdapterCheck();
    // One monitor tick.
    void TimerRenewPeriodTimer();

  private:
    bool ManagesRoutes() const;
    void AdoptChangedAdapter(TAdapterList fresh, const AdapterRef& found);

    WallParts parts_;
    WallHooks& wall_;
    lists::UpdateLog& log_;
};

}  // namespace korvane::routing
