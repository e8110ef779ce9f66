#pragma once
// An in-memory network behind IpHelper: adapters and one route table, with the statuses of
// the real backends, deterministic, for tests and the sandbox run.
//
// Network description, one item per line; blanks separate fields, "#" starts a comment:
//
//   adapter <index> <name> <address> <mask> [gateway <address>] [description <text...>]
//   route <destination> <mask> <next hop> <interface index> [metric <n>] [proto <n>]
//   interfaces <n>
//
// An adapter with address 0.0.0.0 has none. Each adapter with an address also gets its
// connected row (its network, its mask, next hop 0.0.0.0, direct, protocol local, metric 0).
// "interfaces" overrides GetNumberOfInterfaces (default: the adapters plus loopback).
// Interface index 1 is the loopback interface and cannot be an adapter.
//
// Rules the statuses follow, as on the real system: a row is identified by destination,
// mask, next hop and interface; a next hop other than 0.0.0.0 must lie in the network of the
// interface's address (else kErrorNetworkUnreachable); an unknown interface gives
// kErrorInvalidParameter; GetBestInterface takes the longest matching prefix, then the
// lowest metric, then the earliest row.
#include <array>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/iphelper.h"

namespace korvane::platform {

enum class SimOperation {
    GetNumberOfInterfaces,
    GetAdaptersInfo,
    GetIpForwardTable,
    CreateIpForwardEntry,
    SetIpForwardEntry,
    DeleteIpForwardEntry,
    GetBestInterface,
};
inline constexpr std::size_t kSimOperationCount = 7;

class SimIpHelper : public IpHelper {
  public:
    SimIpHelper() = default;
    // Throws std::invalid_argument naming the line that is wrong.
    explicit SimIpHelper(std::string_view description);
    static SimIpHelper FromFile(const std::filesystem::path& file);  // also throws FileError

    // Adds the items of a description to the present network.
    void Load(std::string_view description);

    // The network, to change between calls (a DHCP renewal, an unplugged adapter ...).
    // AddAdapter replaces an adapter with the same index and adds its connected row.
    void AddAdapter(const IP_ADAPTER_INFO& adapter);
    void RemoveAdapter(std::uint32_t index);  // and every row through it
    std::vector<IP_ADAPTER_INFO>& Adapters() { return adapters_; }
    // In no particular order (deleting moves the last row into the gap).
    std::vector<MIB_IPFORWARDROW>& Routes() {
        indexStale_ = true;
        return routes_;
    }
    const std::vector<MIB_IPFORWARDROW>& Routes() const { return routes_; }
    void SetInterfaceCount(std::uint32_t count) { interfaceCount_ = count; }

    // "dest/mask via hop if N metric M" per row (" proto P" when not the wall's), sorted.
    std::vector<std::string> RouteTexts() const;
    bool HasRoute(const std::string& destination, const std::string& mask,
                  const std::string& nextHop) const;

    // The next `times` calls of the operation fail with status and change nothing.
    void FailNext(SimOperation operation, std::uint32_t status, int times = 1);
    // Calls made so far, failed ones included.
    int Calls(SimOperation operation) const { return calls_[Slot(operation)]; }

    std::uint32_t GetNumberOfInterfaces(std::uint32_t* count) override;
    std::uint32_t GetAdaptersInfo(IP_ADAPTER_INFO* buffer, std::uint32_t* size) override;
    std::uint32_t GetIpForwardTable(MIB_IPFORWARDROW* table, std::uint32_t* size,
                                    bool sorted) override;
    std::uint32_t CreateIpForwardEntry(const MIB_IPFORWARDROW& row) override;
    std::uint32_t SetIpForwardEntry(const MIB_IPFORWARDROW& row) override;
    std::uint32_t DeleteIpForwardEntry(const MIB_IPFORWARDROW& row) override;
    std::uint32_t GetBestInterface(std::uint32_t destination, std::uint32_t* index) override;
    std::uint32_t LastError() const override { return lastError_; }

  private:
    static std::size_t Slot(SimOperation operation) { return static_cast<std::size_t>(operation); }
    // Counts the call; a scripted failure gives its status, else 0.
    std::uint32_t Enter(SimOperation operation);
    std::uint32_t Fail(std::uint32_t status);
    const IP_ADAPTER_INFO* FindAdapter(std::uint32_t index) const;
    std::uint32_t CheckRow(const MIB_IPFORWARDROW& row) const;
    // Position of the row with the same identity, or routes_.size(); a hash look-up.
    std::size_t FindRow(const MIB_IPFORWARDROW& row);
    void AddRow(const MIB_IPFORWARDROW& row);
    void EraseRow(std::size_t position);
    template <typename Predicate>
    void EraseRows(Predicate predicate);

    struct RowKeyHash {
        std::size_t operator()(const std::pair<std::uint64_t, std::uint64_t>& key) const {
            return std::hash<std::uint64_t>()(key.first * 0x9E3779B97F4A7C15ull ^ key.second);
        }
    };
    using RowKey = std::pair<std::uint64_t, std::uint64_t>;
    static RowKey KeyOf(const MIB_IPFORWARDROW& row);

    std::vector<IP_ADAPTER_INFO> adapters_;
    std::vector<MIB_IPFORWARDROW> routes_;
    std::unordered_map<RowKey, std::size_t, RowKeyHash> index_;
    bool indexStale_ = false;
    std::uint32_t interfaceCount_ = 0;  // 0: the adapters plus loopback
    std::array<int, kSimOperationCount> calls_{};
    std::map<std::size_t, std::vector<std::uint32_t>> failures_;
    std::uint32_t lastError_ = 0;
};

}  // namespace korvane::platform
