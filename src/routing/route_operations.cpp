#include "routing/route_operations.h"

#include <charconv>
#include <unordered_set>

#include "routing/ipv4.h"

namespace korvane::routing {
namespace {

using platform::MIB_IPFORWARDROW;

// A table that grows between asking for its size and reading it is asked for again.
constexpr int kTableReadAttempts = 3;

// The metric text's integer value, 1 when it is no integer.
std::uint32_t MetricValue(const std::string& text) {
    std::int32_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) return 1;
    return static_cast<std::uint32_t>(value);
}

}  // namespace

RouteOperations::RouteOperations(platform::IpHelper& ipHelper, platform::Messages& messages,
                                 PersistentRoutes& persistentRoutes, const WallState& wall,
                                 const core::Controls& controls)
    : ipHelper_(ipHelper),
      messages_(messages),
      persistentRoutes_(persistentRoutes),
      wall_(wall),
      controls_(controls) {}

std::uint32_t RouteOperations::AddRoute(const std::string& destination, const std::string& mask,
                                        const std::string& gateway, const std::string& metric,
                                        std::uint32_t interfaceIndex) {
    const std::string metricText = metric.empty() ? "1" : metric;

    std::uint32_t index = interfaceIndex;
    if (index == 0) {
        const std::uint32_t status = ipHelper_.GetBestInterface(TextToAddress(gateway), &index);
        if (status == platform::kErrorNotSupported)
            messages_.Error("Function GetBestInterface is not supported by the operating system.");
        else if (status == platform::kErrorCanNotComplete)
            messages_.Error("Can't complete function GetBestInterface");
        else if (status != platform::kNoError)
            messages_.Error(ipHelper_.SystemMessage(ipHelper_.LastError()));
        if (status != platform::kNoError) index = 0;
        if (index == 0) {
            messages_.Error("Interface is not found.");
            return kInterfaceNotFound;
        }
    }

    MIB_IPFORWARDROW row;
    row.dwForwardDest = TextToAddress(destination);
    row.dwForwardMask = TextToAddress(mask);
    row.dwForwardPolicy = 0;
    row.dwForwardNextHop = TextToAddress(gateway);
    row.dwForwardIfIndex = index;
    row.dwForwardType = platform::kRouteTypeDirect;
    row.dwForwardProto = platform::kProtoNtAutostatic;
    row.dwForwardAge = 0;
    row.dwForwardNextHopAS = 0;
    row.dwForwardMetric1 = MetricValue(metricText);

    std::uint32_t result = ipHelper_.CreateIpForwardEntry(row);
    if (result == platform::kErrorAlreadyExists) {
        result = platform::kNoError;
        if (std::uint32_t status = ipHelper_.SetIpForwardEntry(row))
            messages_.Error(destination + " : " + std::to_string(status) + " : " +
                            ipHelper_.SystemMessage(ipHelper_.LastError()));
    }
    if (controls_.checkUseStaticRoutes)
        persistentRoutes_.WritePersistentRoute(destination, mask, gateway, metricText);
    return result;
}

bool RouteOperations::ReadRouteTable(std::vector<MIB_IPFORWARDROW>& rows) {
    std::uint32_t size = 0;
    ipHelper_.GetIpForwardTable(nullptr, &size, true);  // only the size counts
    std::uint32_t status = platform::kNoError;
    for (int attempt = 0; attempt < kTableReadAttempts; ++attempt) {
        rows.assign(std::max<std::uint32_t>(size, 1), {});
        std::uint32_t capacity = static_cast<std::uint32_t>(rows.size());
        size = capacity;
        status = ipHelper_.GetIpForwardTable(rows.data(), &size, true);
        rows.resize(std::min(size, capacity));
        if (status != platform::kErrorMoreData) break;
    }
    if (status != platform::kNoError && status != platform::kErrorMoreData) {
        rows.clear();
        messages_.Show({"Таблица роутинга не получена. Код ошибки: " + std::to_string(status) +
                            ". Size = " + std::to_string(size) +
                            ". Описание ошибки: " + ipHelper_.SystemMessage(status),
                        "Error", platform::MessageIcon::Error, platform::MessageButtons::Ok});
        return false;
    }
    return true;
}

void RouteOperations::DeleteRoutes(const std::string& destinationFilter,
                                   const std::string& nextHopFilter) {
    std::vector<MIB_IPFORWARDROW> rows;
    if (!ReadRouteTable(rows)) return;
    const bool defaultFilter = destinationFilter == "0.0.0.0";
    for (const auto& row : rows) {
        const std::string dest = AddressToText(row.dwForwardDest);
        const std::string hop = AddressToText(row.dwForwardNextHop);
        if (!destinationFilter.empty() && dest.find(destinationFilter) == std::string::npos)
            continue;
        if (!nextHopFilter.empty() && hop != nextHopFilter) continue;
        if (defaultFilter && hop != wall_.ExchangeGateway &&
            !(wall_.SecondAdapter && hop == wall_.SecondAdapter->VirtualGateway) &&
            hop != wall_.ForeignGateway)
            continue;
        if (dest == "224.0.0.0") continue;
        if (wall_.LocalNetworks.Contains(dest, AddressToText(row.dwForwardMask))) continue;
        ipHelper_.DeleteIpForwardEntry(row);
    }
}

bool RouteOperations::CleanupRoutes() {
    // One read of the persistent routes and one rewrite of them for the whole table.
    PersistentRoutes::Batch batch(persistentRoutes_);
    std::vector<MIB_IPFORWARDROW> rows;
    if (!ReadRouteTable(rows)) return false;

    const std::unordered_set<std::string> untouched(wall_.UntouchedDestinations.begin(),
                                                    wall_.UntouchedDestinations.end());
    const bool sparePersistent =
        !controls_.checkUseStaticRoutes && controls_.checkDontDeleteStaticRoutes;
    bool foreignDefaultRoute = false;
    for (const auto& row : rows) {
        const std::string dest = AddressToText(row.dwForwardDest);
        const std::string hop = AddressToText(row.dwForwardNextHop);
        if (dest == "0.0.0.0" && hop != wall_.ExchangeGateway) {
            foreignDefaultRoute = true;
            continue;
        }
        if (dest == "224.0.0.0") continue;
        if (wall_.UseVpn && dest == wall_.VpnServerAddress && hop == wall_.ExchangeGateway)
            continue;
        const std::string mask = AddressToText(row.dwForwardMask);
        if (wall_.LocalNetworks.Contains(dest, mask)) continue;
        if (untouched.contains(dest)) continue;
        const std::string metric = std::to_string(row.dwForwardMetric1);
        if (sparePersistent && persistentRoutes_.IsPersistentRoute(dest, mask, hop, metric))
            continue;
        ipHelper_.DeleteIpForwardEntry(row);
        persistentRoutes_.DeletePersistentRoute(dest, mask, hop, metric);
    }
    return foreignDefaultRoute;
}

}  // namespace korvane::routing
