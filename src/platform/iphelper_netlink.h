#pragma once
// IpHelper on this machine's IPv4 main routing table and interfaces, through rtnetlink
// (libnl-route-3). One object serves one thread at a time. Changing routes needs root or
// CAP_NET_ADMIN; without them the writes give kErrorAccessDenied, whose text says so.
//
// Rows the wall creates carry the route protocol kNetlinkRouteProtocol, which stands for
// kProtoNtAutostatic (10002) when read back. 222 is unused by the kernel and by iproute2's
// rt_protos. Other rows read as kProtoLocal (made by the kernel) or kProtoNetMgmt.
//
// On Linux a route's metric is part of its identity: creating a row that differs from an
// existing one only in metric adds a second row (the Windows table would report it as
// existing). Rows with one prefix and metric but other next hops coexist, as on Windows.
#include <memory>
#include <string>

#include "platform/iphelper.h"

namespace korvane::platform {

inline constexpr unsigned char kNetlinkRouteProtocol = 222;

class NetlinkIpHelper : public IpHelper {
  public:
    // Opens the rtnetlink socket; throws std::runtime_error when it cannot.
    NetlinkIpHelper();
    ~NetlinkIpHelper() override;

    std::uint32_t GetNumberOfInterfaces(std::uint32_t* count) override;
    std::uint32_t GetAdaptersInfo(IP_ADAPTER_INFO* buffer, std::uint32_t* size) override;
    std::uint32_t GetIpForwardTable(MIB_IPFORWARDROW* table, std::uint32_t* size,
                                    bool sorted) override;
    std::uint32_t CreateIpForwardEntry(const MIB_IPFORWARDROW& row) override;
    std::uint32_t SetIpForwardEntry(const MIB_IPFORWARDROW& row) override;
    std::uint32_t DeleteIpForwardEntry(const MIB_IPFORWARDROW& row) override;
    std::uint32_t GetBestInterface(std::uint32_t destination, std::uint32_t* index) override;
    std::uint32_t LastError() const override;
    // Adds the kernel's own reason to the text of the last failure.
    std::string SystemMessage(std::uint32_t code) const override;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace korvane::platform
