#pragma once
// The adapter list, the local networks the wall never deletes, the adapter combo boxes and
// the interface metrics written when the settings are saved.
#include <memory>
#include <stdexcept>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/iphelper.h"

namespace korvane::core {
struct Controls;
}
namespace korvane::platform {
class Registry;
}

namespace korvane::routing {

// Adapter enumeration failed; ends the operation that asked for the list.
class EIpHlpError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The EIpHlpError text for a failed operation ("GetAdaptersInfo", ...) and its status.
std::string IpHlpErrorText(const platform::IpHelper& ipHelper, const std::string& operation,
                           std::uint32_t status);

// A snapshot of one adapter. Items are shared: ExchangeAdapter and SecondAdapter keep the
// item they were given after the list that produced it has been replaced.
struct TAdapterItem {
    std::uint32_t Index = 0;
    std::string AdapterName;
    std::string Description;
    std::string Gateway;
    std::string IpAddress = "0.0.0.0";
    std::string VirtualGateway = "0.0.0.254";
    std::string IpMask;
};
using AdapterRef = std::shared_ptr<const TAdapterItem>;  // none = nullptr

// IpAddress with its last octet replaced by 254.
std::string VirtualGatewayOf(const std::string& ipAddress);

class TAdapterList {
  public:
    // Filled at once; throws EIpHlpError.
    explicit TAdapterList(platform::IpHelper& ipHelper);
    // An empty list, for a wall that has not looked yet.
    TAdapterList() = default;

    // Refilled from the platform; throws EIpHlpError (the list is then empty).
    void Refresh(platform::IpHelper& ipHelper);
    // First item whose AdapterName equals name exactly (case counts), or none.
    AdapterRef FindByName(const std::string& name) const;
    // Position of this very item, or -1.
    int IndexOf(const AdapterRef& item) const;

    const std::vector<AdapterRef>& Items() const { return items_; }
    std::size_t Count() const { return items_.size(); }
    const TAdapterItem& operator[](std::size_t i) const { return *items_[i]; }

  private:
    std::vector<AdapterRef> items_;
};

struct TWin2KBlackRouteItem {
    std::string Network;
    std::string Mask;
};

class TWin2KBlackRouteList {
  public:
    // Built at once from the adapters present; throws EIpHlpError.
    explicit TWin2KBlackRouteList(platform::IpHelper& ipHelper);
    TWin2KBlackRouteList() = default;

    void Build(platform::IpHelper& ipHelper);
    // The networks of these adapters (those with an address).
    void Build(const TAdapterList& adapters);
    // Adds the networks of these adapters that are not listed yet: an adapter that got its
    // address or a new network after the start keeps its own route too.
    void Include(const TAdapterList& adapters);
    // True when an item has exactly these two texts; a hash look-up.
    bool Contains(const std::string& network, const std::string& mask) const;

    const std::vector<TWin2KBlackRouteItem>& Items() const { return items_; }

  private:
    std::vector<TWin2KBlackRouteItem> items_;
    std::unordered_set<std::string> keys_;  // network + "\n" + mask
};

// The items and selections of comboAdapters and comboLoopbackAdapter (-1: none).
struct AdapterCombos {
    std::vector<std::string> items;  // IpAddress + "; " + Description, in list order
    int adaptersIndex = -1;          // position of ExchangeAdapter in the list
    int loopbackAdapterIndex = -1;   // position of SecondAdapter in the list
};
AdapterCombos FillAdapterCombos(const TAdapterList& adapters, const AdapterRef& exchangeAdapter,
                                const AdapterRef& secondAdapter);
// Writes them into the two combo boxes of the settings.
void FillAdapterCombos(core::Controls& controls, const TAdapterList& adapters,
                       const AdapterRef& exchangeAdapter, const AdapterRef& secondAdapter);

// "SYSTEM\CurrentControlSet\Services\Tcpip\Parameters\Interfaces\" + the adapter's name.
std::string InterfaceParametersKey(const std::string& adapterName);

// The interface metrics at the end of saving the settings: when comboLoopbackAdapter shows a
// text and the blocking method is above 0, the second adapter's key gets "InterfaceMetric" 2
// (checkUseVPN ticked) or 1, the exchange adapter's key 3. Keys that do not exist, and
// adapters that are none, are skipped silently; a hive that cannot be written throws
// platform::RegistryError.
void WriteInterfaceMetrics(platform::Registry& registry, const core::Controls& controls,
                           const AdapterRef& exchangeAdapter, const AdapterRef& secondAdapter);

}  // namespace korvane::routing
