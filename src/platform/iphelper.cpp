#include "platform/iphelper.h"

#include <arpa/inet.h>

#include <cstdlib>
#include <stdexcept>
#include <tuple>

#include "platform/iphelper_netlink.h"
#include "platform/iphelper_sim.h"

namespace korvane::platform {

bool SameForwardRow(const MIB_IPFORWARDROW& a, const MIB_IPFORWARDROW& b) {
    return a.dwForwardDest == b.dwForwardDest && a.dwForwardMask == b.dwForwardMask &&
           a.dwForwardNextHop == b.dwForwardNextHop && a.dwForwardIfIndex == b.dwForwardIfIndex;
}

bool ForwardRowLess(const MIB_IPFORWARDROW& a, const MIB_IPFORWARDROW& b) {
    auto key = [](const MIB_IPFORWARDROW& row) {
        return std::make_tuple(ntohl(row.dwForwardDest), ntohl(row.dwForwardMask),
                               ntohl(row.dwForwardNextHop), row.dwForwardIfIndex,
                               row.dwForwardMetric1);
    };
    return key(a) < key(b);
}

std::uint32_t CheckForwardRowShape(const MIB_IPFORWARDROW& row) {
    const std::uint32_t hostBits = ~ntohl(row.dwForwardMask);
    const bool contiguous = (hostBits & (hostBits + 1)) == 0;
    if (!contiguous || (row.dwForwardDest & ~row.dwForwardMask) != 0) return kErrorInvalidParameter;
    return kNoError;
}

std::string StandardSystemMessage(std::uint32_t code) {
    switch (code) {
        case kNoError:
            return "The operation completed successfully.";
        case kErrorAccessDenied:
            return "Access is denied. Changing the routing table needs root rights or the "
                   "CAP_NET_ADMIN capability.";
        case kErrorNotEnoughMemory:
            return "Not enough memory resources are available to process this command.";
        case kErrorGenFailure:
            return "A device attached to the system is not functioning.";
        case kErrorNotSupported:
            return "The request is not supported.";
        case kErrorInvalidParameter:
            return "The parameter is incorrect.";
        case kErrorBufferOverflow:
            return "The file name is too long.";
        case kErrorInsufficientBuffer:
            return "The data area passed to a system call is too small.";
        case kErrorAlreadyExists:
            return "Cannot create a file when that file already exists.";
        case kErrorNoData:
            return "The pipe is being closed.";
        case kErrorMoreData:
            return "More data is available.";
        case kErrorCanNotComplete:
            return "Cannot complete this function.";
        case kErrorNotFound:
            return "Element not found.";
        case kErrorNetworkUnreachable:
            return "The network location cannot be reached.";
        case kErrorHostUnreachable:
            return "The remote system is not reachable by the transport.";
        default:
            return "Unknown error " + std::to_string(code) + ".";
    }
}

std::string IpHelper::SystemMessage(std::uint32_t code) const {
    return StandardSystemMessage(code);
}

std::unique_ptr<IpHelper> CreateIpHelper(const std::string& backend,
                                         const std::string& simNetworkFile) {
    if (backend == "netlink") return std::make_unique<NetlinkIpHelper>();
    if (backend == "sim") {
        if (simNetworkFile.empty()) return std::make_unique<SimIpHelper>();
        return std::make_unique<SimIpHelper>(SimIpHelper::FromFile(simNetworkFile));
    }
    throw std::invalid_argument("unknown network backend \"" + backend +
                                "\" (expected \"netlink\" or \"sim\")");
}

std::unique_ptr<IpHelper> CreateIpHelperFromEnvironment() {
    const char* backend = std::getenv("KORVANE_BACKEND");
    const char* network = std::getenv("KORVANE_SIM_NETWORK");
    return CreateIpHelper(backend && *backend ? backend : "netlink", network ? network : "");
}

}  // namespace korvane::platform
