#pragma once
// The IP helper operations the wall uses for every adapter and route-table access, with the
// Windows status codes its logic relies on. Backends: "netlink" (this machine's IPv4 main
// table and interfaces) and "sim" (an in-memory network for tests and the sandbox run).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace korvane::platform {

// Windows status codes.
inline constexpr std::uint32_t kNoError = 0;
inline constexpr std::uint32_t kErrorAccessDenied = 5;  // no right to change routes
inline constexpr std::uint32_t kErrorNotEnoughMemory = 8;
inline constexpr std::uint32_t kErrorGenFailure = 31;  // anything without a closer code
inline constexpr std::uint32_t kErrorNotSupported = 50;
inline constexpr std::uint32_t kErrorInvalidParameter = 87;
inline constexpr std::uint32_t kErrorBufferOverflow = 111;      // GetAdaptersInfo: buffer too small
inline constexpr std::uint32_t kErrorInsufficientBuffer = 122;  // GetIpForwardTable: no buffer
inline constexpr std::uint32_t kErrorAlreadyExists = 183;
inline constexpr std::uint32_t kErrorNoData = 232;    // no adapter information
inline constexpr std::uint32_t kErrorMoreData = 234;  // table grew: rows delivered in part
inline constexpr std::uint32_t kErrorCanNotComplete = 1003;
inline constexpr std::uint32_t kErrorNotFound = 1168;  // no such route row
inline constexpr std::uint32_t kErrorNetworkUnreachable = 1231;
inline constexpr std::uint32_t kErrorHostUnreachable = 1232;

// Route protocol of the rows the wall creates (PROTO_IP_NT_AUTOSTATIC).
inline constexpr std::uint32_t kProtoNtAutostatic = 10002;
// Route types.
inline constexpr std::uint32_t kRouteTypeInvalid = 2;   // unreachable, blackhole, prohibit
inline constexpr std::uint32_t kRouteTypeDirect = 3;    // no next hop (on-link)
inline constexpr std::uint32_t kRouteTypeIndirect = 4;  // through a gateway
// Route protocols of rows the wall did not create.
inline constexpr std::uint32_t kProtoLocal = 2;    // made by the system for an address
inline constexpr std::uint32_t kProtoNetMgmt = 3;  // static, boot, DHCP and the like

// One route-table row; addresses are in network byte order.
struct MIB_IPFORWARDROW {
    std::uint32_t dwForwardDest = 0;
    std::uint32_t dwForwardMask = 0;
    std::uint32_t dwForwardPolicy = 0;
    std::uint32_t dwForwardNextHop = 0;
    std::uint32_t dwForwardIfIndex = 0;
    std::uint32_t dwForwardType = 0;
    std::uint32_t dwForwardProto = 0;
    std::uint32_t dwForwardAge = 0;
    std::uint32_t dwForwardNextHopAS = 0;
    std::uint32_t dwForwardMetric1 = 0;
    std::uint32_t dwForwardMetric2 = 0xFFFFFFFFu;
    std::uint32_t dwForwardMetric3 = 0xFFFFFFFFu;
    std::uint32_t dwForwardMetric4 = 0xFFFFFFFFu;
    std::uint32_t dwForwardMetric5 = 0xFFFFFFFFu;

    bool operator==(const MIB_IPFORWARDROW&) const = default;
};

// One adapter record. Texts are dotted quads; IpAddress and IpMask are "0.0.0.0" when the
// adapter has no IPv4 address, Gateway is empty when it has none.
struct IP_ADAPTER_INFO {
    std::string AdapterName;  // the interface name on Linux
    std::string Description;
    std::uint32_t Index = 0;
    std::string IpAddress = "0.0.0.0";
    std::string IpMask = "0.0.0.0";
    std::string Gateway;

    bool operator==(const IP_ADAPTER_INFO&) const = default;
};

class IpHelper {
  public:
    virtual ~IpHelper() = default;

    // Interfaces present, the loopback interface included.
    virtual std::uint32_t GetNumberOfInterfaces(std::uint32_t* count) = 0;

    // Adapter records, loopback excluded, in the platform's order. With buffer == nullptr or
    // *size (in records) too small: kErrorBufferOverflow and *size = the records needed.
    virtual std::uint32_t GetAdaptersInfo(IP_ADAPTER_INFO* buffer, std::uint32_t* size) = 0;

    // The IPv4 main table. With table == nullptr: kErrorInsufficientBuffer and *size = the rows
    // needed. With a buffer too small for a table that has grown meanwhile: kErrorMoreData,
    // the rows that fit, and *size = the rows needed. Sorted: by destination, mask, next hop,
    // interface and metric, as numbers in host order.
    virtual std::uint32_t GetIpForwardTable(MIB_IPFORWARDROW* table, std::uint32_t* size,
                                            bool sorted) = 0;

    // kErrorAlreadyExists when a row with the same destination, mask, next hop and interface
    // exists already.
    virtual std::uint32_t CreateIpForwardEntry(const MIB_IPFORWARDROW& row) = 0;
    // Gives the existing row with that destination, mask, next hop and interface the other
    // values of row; kErrorNotFound when there is none.
    virtual std::uint32_t SetIpForwardEntry(const MIB_IPFORWARDROW& row) = 0;
    // Removes the row as read from the table; kErrorNotFound when it is gone.
    virtual std::uint32_t DeleteIpForwardEntry(const MIB_IPFORWARDROW& row) = 0;
    // The interface a packet to destination (network byte order) would leave by.
    virtual std::uint32_t GetBestInterface(std::uint32_t destination, std::uint32_t* index) = 0;

    // The status of the last operation that failed on this object (GetLastError).
    virtual std::uint32_t LastError() const = 0;
    // The system message text for a status (FormatMessage). Backends may add the underlying
    // cause of their last failure when code is LastError().
    virtual std::string SystemMessage(std::uint32_t code) const;
};

// Row identity (destination, mask, next hop, interface) and the sorted table's order.
bool SameForwardRow(const MIB_IPFORWARDROW& a, const MIB_IPFORWARDROW& b);
bool ForwardRowLess(const MIB_IPFORWARDROW& a, const MIB_IPFORWARDROW& b);
// kErrorInvalidParameter for a mask that is not contiguous or a destination with bits outside
// its mask, as the platform refuses them; else kNoError.
std::uint32_t CheckForwardRowShape(const MIB_IPFORWARDROW& row);

// The message texts of the statuses above; "Unknown error <code>." for others.
std::string StandardSystemMessage(std::uint32_t code);

// "netlink" or "sim"; throws std::invalid_argument for another name and std::runtime_error
// when the backend cannot start. The sim backend starts from the network description in the
// file simNetworkFile, or empty when that is empty.
std::unique_ptr<IpHelper> CreateIpHelper(const std::string& backend,
                                         const std::string& simNetworkFile = {});
// The backend named by $KORVANE_BACKEND (default "netlink"); sim reads $KORVANE_SIM_NETWORK.
std::unique_ptr<IpHelper> CreateIpHelperFromEnvironment();

}  // namespace korvane::platform
