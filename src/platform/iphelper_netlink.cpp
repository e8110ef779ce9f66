#include "platform/iphelper_netlink.h"

#include <arpa/inet.h>
#include <linux/if_arp.h>
#include <linux/rtnetlink.h>
#include <netlink/attr.h>
#include <netlink/errno.h>
#include <netlink/handlers.h>
#include <netlink/msg.h>
#include <netlink/netlink.h>
#include <netlink/socket.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <map>
#include <stdexcept>

namespace korvane::platform {
namespace {

using MessageHandler = std::function<void(nlmsghdr*)>;

// A dump that a concurrent change interrupted is read again this often; after that the rows
// are taken as they are: a table that keeps changing has no stable snapshot, and every
// operation of the wall reads the table afresh anyway.
constexpr int kDumpAttempts = 3;

constexpr std::size_t kReceiveBufferSize = 64 * 1024;

std::uint32_t PrefixMask(int prefix) {
    return prefix <= 0 ? 0 : htonl(0xFFFFFFFFu << (32 - std::min(prefix, 32)));
}

int MaskPrefix(std::uint32_t mask) { return __builtin_popcount(mask); }

std::string AddressText(std::uint32_t address) {
    char buffer[INET_ADDRSTRLEN];
    in_addr value{address};
    inet_ntop(AF_INET, &value, buffer, sizeof buffer);
    return buffer;
}

std::uint32_t StatusOfErrno(int error) {
    switch (error) {
        case 0:
            return kNoError;
        case EPERM:
        case EACCES:
            return kErrorAccessDenied;
        case EEXIST:
            return kErrorAlreadyExists;
        case ESRCH:
        case ENOENT:
            return kErrorNotFound;
        case EINVAL:
        case ENODEV:
        case ERANGE:
            return kErrorInvalidParameter;
        case ENETUNREACH:
            return kErrorNetworkUnreachable;
        case EHOSTUNREACH:
            return kErrorHostUnreachable;
        case EOPNOTSUPP:
        case EAFNOSUPPORT:
        case EPROTONOSUPPORT:
            return kErrorNotSupported;
        case ENOMEM:
        case ENOBUFS:
            return kErrorNotEnoughMemory;
        default:
            return kErrorGenFailure;
    }
}

nla_policy RoutePolicy(int attribute) {
    nla_policy policy{};
    switch (attribute) {
        case RTA_DST:
        case RTA_GATEWAY:
        case RTA_OIF:
        case RTA_PRIORITY:
        case RTA_TABLE:
            policy.type = NLA_U32;
            break;
        default:
            break;
    }
    return policy;
}

struct Policies {
    nla_policy route[RTA_MAX + 1];
    nla_policy link[IFLA_MAX + 1]{};
    nla_policy linkInfo[IFLA_INFO_MAX + 1]{};
    nla_policy address[IFA_MAX + 1]{};
    Policies() {
        for (int i = 0; i <= RTA_MAX; ++i) route[i] = RoutePolicy(i);
        link[IFLA_IFNAME].type = NLA_STRING;
        link[IFLA_IFALIAS].type = NLA_STRING;
        link[IFLA_LINKINFO].type = NLA_NESTED;
        linkInfo[IFLA_INFO_KIND].type = NLA_STRING;
        address[IFA_LOCAL].type = NLA_U32;
        address[IFA_ADDRESS].type = NLA_U32;
    }
};
const Policies kPolicies;

std::uint32_t WindowsProtocol(unsigned char protocol) {
    if (protocol == kNetlinkRouteProtocol) return kProtoNtAutostatic;
    if (protocol == RTPROT_KERNEL) return kProtoLocal;
    return kProtoNetMgmt;
}

// The rows of one RTM_NEWROUTE message of the IPv4 main table: one per next hop.
void AppendRouteRows(nlmsghdr* header, std::vector<MIB_IPFORWARDROW>& rows) {
    if (header->nlmsg_type != RTM_NEWROUTE) return;
    nlattr* attrs[RTA_MAX + 1];
    if (nlmsg_parse(header, sizeof(rtmsg), attrs, RTA_MAX,
                    const_cast<nla_policy*>(kPolicies.route)) < 0)
        return;
    const auto* rtm = static_cast<const rtmsg*>(nlmsg_data(header));
    if (rtm->rtm_family != AF_INET || (rtm->rtm_flags & RTM_F_CLONED)) return;
    const std::uint32_t table = attrs[RTA_TABLE] ? nla_get_u32(attrs[RTA_TABLE]) : rtm->rtm_table;
    if (table != RT_TABLE_MAIN) return;

    MIB_IPFORWARDROW row;
    row.dwForwardDest = attrs[RTA_DST] ? nla_get_u32(attrs[RTA_DST]) : 0;
    row.dwForwardMask = PrefixMask(rtm->rtm_dst_len);
    row.dwForwardProto = WindowsProtocol(rtm->rtm_protocol);
    row.dwForwardMetric1 = attrs[RTA_PRIORITY] ? nla_get_u32(attrs[RTA_PRIORITY]) : 0;
    const bool deliverable = rtm->rtm_type == RTN_UNICAST || rtm->rtm_type == RTN_MULTICAST;
    auto append = [&](std::uint32_t nextHop, std::uint32_t ifIndex) {
        row.dwForwardNextHop = nextHop;
        row.dwForwardIfIndex = ifIndex;
        row.dwForwardType = !deliverable ? kRouteTypeInvalid
                            : nextHop    ? kRouteTypeIndirect
                                         : kRouteTypeDirect;
        rows.push_back(row);
    };

    if (!attrs[RTA_MULTIPATH]) {
        append(attrs[RTA_GATEWAY] ? nla_get_u32(attrs[RTA_GATEWAY]) : 0,
               attrs[RTA_OIF] ? nla_get_u32(attrs[RTA_OIF]) : 0);
        return;
    }
    auto* hop = static_cast<rtnexthop*>(nla_data(attrs[RTA_MULTIPATH]));
    int remaining = nla_len(attrs[RTA_MULTIPATH]);
    while (RTNH_OK(hop, remaining)) {
        nlattr* hopAttrs[RTA_MAX + 1];
        std::uint32_t gateway = 0;
        if (nla_parse(hopAttrs, RTA_MAX, reinterpret_cast<nlattr*>(RTNH_DATA(hop)),
                      hop->rtnh_len - static_cast<int>(sizeof(rtnexthop)),
                      const_cast<nla_policy*>(kPolicies.route)) == 0 &&
            hopAttrs[RTA_GATEWAY])
            gateway = nla_get_u32(hopAttrs[RTA_GATEWAY]);
        append(gateway, static_cast<std::uint32_t>(hop->rtnh_ifindex));
        remaining -= RTNH_ALIGN(hop->rtnh_len);
        hop = RTNH_NEXT(hop);
    }
}

struct Link {
    std::uint32_t index = 0;
    std::string name;
    std::string description;
    bool loopback = false;
};

void AppendLink(nlmsghdr* header, std::vector<Link>& links) {
    if (header->nlmsg_type != RTM_NEWLINK) return;
    nlattr* attrs[IFLA_MAX + 1];
    if (nlmsg_parse(header, sizeof(ifinfomsg), attrs, IFLA_MAX,
                    const_cast<nla_policy*>(kPolicies.link)) < 0 ||
        !attrs[IFLA_IFNAME])
        return;
    const auto* info = static_cast<const ifinfomsg*>(nlmsg_data(header));
    Link link;
    link.index = static_cast<std::uint32_t>(info->ifi_index);
    link.name = nla_get_string(attrs[IFLA_IFNAME]);
    link.loopback = (info->ifi_flags & IFF_LOOPBACK) != 0;
    std::string kind;
    nlattr* linkInfo[IFLA_INFO_MAX + 1];
    if (attrs[IFLA_LINKINFO] &&
        nla_parse_nested(linkInfo, IFLA_INFO_MAX, attrs[IFLA_LINKINFO],
                         const_cast<nla_policy*>(kPolicies.linkInfo)) == 0 &&
        linkInfo[IFLA_INFO_KIND])
        kind = nla_get_string(linkInfo[IFLA_INFO_KIND]);
    if (kind.empty() && info->ifi_type == ARPHRD_ETHER) kind = "ethernet";
    if (attrs[IFLA_IFALIAS] && *nla_get_string(attrs[IFLA_IFALIAS]))
        link.description = nla_get_string(attrs[IFLA_IFALIAS]);
    else
        link.description = kind.empty() ? link.name : link.name + " (" + kind + ")";
    links.push_back(link);
}

struct Address {
    std::uint32_t address = 0;
    int prefix = 0;
};

// The first primary IPv4 address of each interface (a secondary one when it has no other).
void AddAddress(nlmsghdr* header, std::map<std::uint32_t, Address>& first,
                std::map<std::uint32_t, bool>& primary) {
    if (header->nlmsg_type != RTM_NEWADDR) return;
    nlattr* attrs[IFA_MAX + 1];
    if (nlmsg_parse(header, sizeof(ifaddrmsg), attrs, IFA_MAX,
                    const_cast<nla_policy*>(kPolicies.address)) < 0)
        return;
    const auto* info = static_cast<const ifaddrmsg*>(nlmsg_data(header));
    nlattr* local = attrs[IFA_LOCAL] ? attrs[IFA_LOCAL] : attrs[IFA_ADDRESS];
    if (info->ifa_family != AF_INET || !local) return;
    const bool isPrimary = !(info->ifa_flags & IFA_F_SECONDARY);
    auto [it, added] = first.try_emplace(info->ifa_index);
    if (!added && (primary[info->ifa_index] || !isPrimary)) return;
    it->second = {nla_get_u32(local), info->ifa_prefixlen};
    primary[info->ifa_index] = isPrimary;
}

}  // namespace

struct NetlinkIpHelper::Impl {
    nl_sock* socket = nullptr;
    nl_cb* callbacks = nullptr;

    // The request in flight.
    std::uint32_t sequence = 0;
    const MessageHandler* onMessage = nullptr;
    bool done = false;
    bool interrupted = false;
    int kernelError = 0;

    std::uint32_t lastError = 0;
    std::string lastCause;

    Impl() {
        socket = nl_socket_alloc();
        callbacks = nl_cb_alloc(NL_CB_DEFAULT);
        if (!socket || !callbacks) throw std::runtime_error("netlink: out of memory");
        if (int error = nl_connect(socket, NETLINK_ROUTE); error < 0) {
            Release();
            throw std::runtime_error(std::string("netlink: cannot open the route socket: ") +
                                     nl_geterror(error));
        }
        // Acknowledgements are asked for explicitly, and every answer is checked below.
        nl_socket_disable_auto_ack(socket);
        // The kernel never sends a datagram larger than 32 KiB, so one read of a buffer this
        // size takes any answer whole, without peeking at its size first.
        nl_socket_disable_msg_peek(socket);
        if (int error = nl_socket_set_msg_buf_size(socket, kReceiveBufferSize); error < 0) {
            Release();
            throw std::runtime_error(std::string("netlink: ") + nl_geterror(error));
        }
        nl_cb_set(callbacks, NL_CB_SEQ_CHECK, NL_CB_CUSTOM, &Impl::CheckOrigin, this);
        nl_cb_set(callbacks, NL_CB_VALID, NL_CB_CUSTOM, &Impl::Valid, this);
        nl_cb_set(callbacks, NL_CB_FINISH, NL_CB_CUSTOM, &Impl::Finish, this);
        nl_cb_set(callbacks, NL_CB_ACK, NL_CB_CUSTOM, &Impl::Finish, this);
        nl_cb_set(callbacks, NL_CB_DUMP_INTR, NL_CB_CUSTOM, &Impl::Interrupted, this);
        nl_cb_err(callbacks, NL_CB_CUSTOM, &Impl::Error, this);
    }
    ~Impl() { Release(); }
    void Release() {
        if (callbacks) nl_cb_put(callbacks);
        if (socket) nl_socket_free(socket);
        callbacks = nullptr;
        socket = nullptr;
    }

    // Answers to an earlier request that was abandoned, or from anyone but the kernel
    // answering us, are skipped.
    static int CheckOrigin(nl_msg* message, void* arg) {
        auto* self = static_cast<Impl*>(arg);
        const nlmsghdr* header = nlmsg_hdr(message);
        const bool ours = header->nlmsg_seq == self->sequence &&
                          header->nlmsg_pid == nl_socket_get_local_port(self->socket);
        return ours ? NL_OK : NL_SKIP;
    }
    static int Valid(nl_msg* message, void* arg) {
        auto* self = static_cast<Impl*>(arg);
        if (self->onMessage) (*self->onMessage)(nlmsg_hdr(message));
        return NL_OK;
    }
    static int Finish(nl_msg*, void* arg) {
        static_cast<Impl*>(arg)->done = true;
        return NL_STOP;
    }
    static int Interrupted(nl_msg*, void* arg) {
        static_cast<Impl*>(arg)->interrupted = true;
        return NL_OK;
    }
    static int Error(sockaddr_nl*, nlmsgerr* error, void* arg) {
        auto* self = static_cast<Impl*>(arg);
        self->kernelError = -error->error;
        self->done = true;
        return NL_STOP;
    }

    std::uint32_t Fail(std::uint32_t status, const std::string& cause) {
        lastError = status;
        lastCause = cause;
        return status;
    }

    // Sends the message (and frees it) and reads every answer to it until the dump ends or
    // the kernel acknowledges. 0, or the kernel's errno (> 0), or a libnl error (< 0).
    int Transact(nl_msg* message, const MessageHandler& handler) {
        sequence = 0;
        onMessage = &handler;
        done = false;
        interrupted = false;
        kernelError = 0;
        const int sent = nl_send_auto(socket, message);
        sequence = nlmsg_hdr(message)->nlmsg_seq;
        nlmsg_free(message);
        if (sent < 0) return sent;
        while (!done) {
            const int received = nl_recvmsgs(socket, callbacks);
            if (kernelError) break;
            if (received < 0 && received != -NLE_DUMP_INTR) return received;
        }
        onMessage = nullptr;
        return kernelError;
    }

    std::uint32_t Status(int result, const char* what) {
        if (result == 0) return kNoError;
        if (result > 0)
            return Fail(StatusOfErrno(result), std::string(what) + ": " + std::strerror(result));
        return Fail(kErrorGenFailure, std::string(what) + ": " + nl_geterror(result));
    }

    template <typename Header>
    std::uint32_t Dump(int type, const Header& request, const char* what,
                       const MessageHandler& handler, const std::function<void()>& restart) {
        for (int attempt = 1;; ++attempt) {
            restart();
            nl_msg* message = nlmsg_alloc_simple(type, NLM_F_DUMP);
            if (!message || nlmsg_append(message, const_cast<Header*>(&request), sizeof request,
                                         NLMSG_ALIGNTO) < 0) {
                if (message) nlmsg_free(message);
                return Fail(kErrorNotEnoughMemory, what);
            }
            const int result = Transact(message, handler);
            if (result != 0 || !interrupted || attempt == kDumpAttempts)
                return Status(result, what);
        }
    }

    std::uint32_t DumpRoutes(std::vector<MIB_IPFORWARDROW>& rows) {
        rtmsg request{};
        request.rtm_family = AF_INET;
        request.rtm_table = RT_TABLE_MAIN;
        const MessageHandler handler = [&](nlmsghdr* header) { AppendRouteRows(header, rows); };
        return Dump(RTM_GETROUTE, request, "RTM_GETROUTE", handler, [&] { rows.clear(); });
    }

    std::uint32_t DumpLinks(std::vector<Link>& links) {
        ifinfomsg request{};
        request.ifi_family = AF_UNSPEC;
        const MessageHandler handler = [&](nlmsghdr* header) { AppendLink(header, links); };
        std::uint32_t status =
            Dump(RTM_GETLINK, request, "RTM_GETLINK", handler, [&] { links.clear(); });
        std::sort(links.begin(), links.end(),
                  [](const Link& a, const Link& b) { return a.index < b.index; });
        return status;
    }

    std::uint32_t DumpAddresses(std::map<std::uint32_t, Address>& addresses) {
        ifaddrmsg request{};
        request.ifa_family = AF_INET;
        std::map<std::uint32_t, bool> primary;
        const MessageHandler handler = [&](nlmsghdr* header) {
            AddAddress(header, addresses, primary);
        };
        return Dump(RTM_GETADDR, request, "RTM_GETADDR", handler, [&] {
            addresses.clear();
            primary.clear();
        });
    }

    std::uint32_t Adapters(std::vector<IP_ADAPTER_INFO>& adapters) {
        std::vector<Link> links;
        std::map<std::uint32_t, Address> addresses;
        std::vector<MIB_IPFORWARDROW> routes;
        if (std::uint32_t status = DumpLinks(links)) return status;
        if (std::uint32_t status = DumpAddresses(addresses)) return status;
        if (std::uint32_t status = DumpRoutes(routes)) return status;
        adapters.clear();
        for (const Link& link : links) {
            if (link.loopback) continue;
            IP_ADAPTER_INFO adapter;
            adapter.AdapterName = link.name;
            adapter.Description = link.description;
            adapter.Index = link.index;
            if (auto it = addresses.find(link.index); it != addresses.end()) {
                adapter.IpAddress = AddressText(it->second.address);
                adapter.IpMask = AddressText(PrefixMask(it->second.prefix));
            }
            // The gateway: the next hop of the best default route through this interface.
            const MIB_IPFORWARDROW* best = nullptr;
            for (const auto& row : routes)
                if (row.dwForwardDest == 0 && row.dwForwardMask == 0 && row.dwForwardNextHop &&
                    row.dwForwardIfIndex == link.index &&
                    (!best || row.dwForwardMetric1 < best->dwForwardMetric1))
                    best = &row;
            if (best) adapter.Gateway = AddressText(best->dwForwardNextHop);
            adapters.push_back(adapter);
        }
        return kNoError;
    }

    // RTM_NEWROUTE or RTM_DELROUTE for one row of the main table.
    std::uint32_t ChangeRoute(int type, int flags, const MIB_IPFORWARDROW& row,
                              unsigned char protocol, const char* what) {
        rtmsg request{};
        request.rtm_family = AF_INET;
        request.rtm_dst_len = static_cast<unsigned char>(MaskPrefix(row.dwForwardMask));
        request.rtm_table = RT_TABLE_MAIN;
        request.rtm_protocol = protocol;
        if (type == RTM_DELROUTE) {
            request.rtm_scope = RT_SCOPE_NOWHERE;  // any scope, any type
            request.rtm_type = RTN_UNSPEC;
        } else {
            request.rtm_scope = row.dwForwardNextHop ? RT_SCOPE_UNIVERSE : RT_SCOPE_LINK;
            request.rtm_type = RTN_UNICAST;
        }
        nl_msg* message = nlmsg_alloc_simple(type, flags | NLM_F_ACK);
        bool built = message &&
                     nlmsg_append(message, &request, sizeof request, NLMSG_ALIGNTO) == 0 &&
                     nla_put_u32(message, RTA_TABLE, RT_TABLE_MAIN) == 0 &&
                     nla_put_u32(message, RTA_DST, row.dwForwardDest) == 0 &&
                     nla_put_u32(message, RTA_PRIORITY, row.dwForwardMetric1) == 0;
        if (built && row.dwForwardNextHop)
            built = nla_put_u32(message, RTA_GATEWAY, row.dwForwardNextHop) == 0;
        if (built && row.dwForwardIfIndex)
            built = nla_put_u32(message, RTA_OIF, row.dwForwardIfIndex) == 0;
        if (!built) {
            if (message) nlmsg_free(message);
            return Fail(kErrorNotEnoughMemory, what);
        }
        static const MessageHandler ignore = [](nlmsghdr*) {};
        return Status(Transact(message, ignore), what);
    }

    static unsigned char LinuxProtocol(const MIB_IPFORWARDROW& row) {
        return row.dwForwardProto == kProtoNtAutostatic ? kNetlinkRouteProtocol : RTPROT_STATIC;
    }

    std::uint32_t Create(const MIB_IPFORWARDROW& row) {
        if (std::uint32_t status = CheckForwardRowShape(row))
            return Fail(status, "mask not contiguous or destination outside it");
        // The fast path: no row with this prefix and metric exists.
        std::uint32_t status = ChangeRoute(RTM_NEWROUTE, NLM_F_CREATE | NLM_F_EXCL, row,
                                           LinuxProtocol(row), "RTM_NEWROUTE");
        if (status != kErrorAlreadyExists) return status;
        // Another row shares prefix and metric: "exists" only when it is this very row,
        // otherwise both rows live side by side.
        std::vector<MIB_IPFORWARDROW> rows;
        if (std::uint32_t dumped = DumpRoutes(rows)) return dumped;
        for (const auto& existing : rows)
            if (SameForwardRow(existing, row))
                return Fail(kErrorAlreadyExists, "RTM_NEWROUTE: row exists");
        return ChangeRoute(RTM_NEWROUTE, NLM_F_CREATE | NLM_F_APPEND, row, LinuxProtocol(row),
                           "RTM_NEWROUTE");
    }

    std::uint32_t Set(const MIB_IPFORWARDROW& row) {
        if (std::uint32_t status = CheckForwardRowShape(row))
            return Fail(status, "mask not contiguous or destination outside it");
        std::vector<MIB_IPFORWARDROW> rows;
        if (std::uint32_t status = DumpRoutes(rows)) return status;
        auto existing = std::find_if(rows.begin(), rows.end(),
                                     [&](const auto& r) { return SameForwardRow(r, row); });
        if (existing == rows.end()) return Fail(kErrorNotFound, "no such row");
        if (existing->dwForwardMetric1 == row.dwForwardMetric1 &&
            existing->dwForwardProto == row.dwForwardProto)
            return kNoError;
        // The new row first, so that a refused change leaves the old one in place; appended
        // after the old one, so that deleting by the old values takes the old one.
        if (std::uint32_t status = ChangeRoute(RTM_NEWROUTE, NLM_F_CREATE | NLM_F_APPEND, row,
                                               LinuxProtocol(row), "RTM_NEWROUTE"))
            return status;
        return Delete(*existing);
    }

    std::uint32_t Delete(const MIB_IPFORWARDROW& row) {
        if (std::uint32_t status = CheckForwardRowShape(row))
            return Fail(status, "mask not contiguous or destination outside it");
        const unsigned char protocol =
            row.dwForwardProto == kProtoNtAutostatic ? kNetlinkRouteProtocol : RTPROT_UNSPEC;
        return ChangeRoute(RTM_DELROUTE, 0, row, protocol, "RTM_DELROUTE");
    }

    std::uint32_t BestInterface(std::uint32_t destination, std::uint32_t* index) {
        rtmsg request{};
        request.rtm_family = AF_INET;
        request.rtm_dst_len = 32;
        nl_msg* message = nlmsg_alloc_simple(RTM_GETROUTE, NLM_F_ACK);
        if (!message || nlmsg_append(message, &request, sizeof request, NLMSG_ALIGNTO) < 0 ||
            nla_put_u32(message, RTA_DST, destination) < 0) {
            if (message) nlmsg_free(message);
            return Fail(kErrorNotEnoughMemory, "RTM_GETROUTE");
        }
        std::uint32_t found = 0;
        const MessageHandler handler = [&](nlmsghdr* header) {
            nlattr* attrs[RTA_MAX + 1];
            if (header->nlmsg_type == RTM_NEWROUTE &&
                nlmsg_parse(header, sizeof(rtmsg), attrs, RTA_MAX,
                            const_cast<nla_policy*>(kPolicies.route)) == 0 &&
                attrs[RTA_OIF])
                found = nla_get_u32(attrs[RTA_OIF]);
        };
        const int result = Transact(message, handler);
        switch (result) {
            case 0:
                break;
            // No usable route: unreachable, blackhole or prohibit.
            case ENETUNREACH:
            case EHOSTUNREACH:
            case EINVAL:
            case EACCES:
                return Fail(kErrorCanNotComplete,
                            std::string("RTM_GETROUTE: ") + std::strerror(result));
            default:
                return Status(result, "RTM_GETROUTE");
        }
        if (!found) return Fail(kErrorCanNotComplete, "RTM_GETROUTE: no interface");
        *index = found;
        return kNoError;
    }
};

NetlinkIpHelper::NetlinkIpHelper() : impl_(std::make_unique<Impl>()) {}
NetlinkIpHelper::~NetlinkIpHelper() = default;

std::uint32_t NetlinkIpHelper::GetNumberOfInterfaces(std::uint32_t* count) {
    std::vector<Link> links;
    if (std::uint32_t status = impl_->DumpLinks(links)) return status;
    *count = static_cast<std::uint32_t>(links.size());
    return kNoError;
}

std::uint32_t NetlinkIpHelper::GetAdaptersInfo(IP_ADAPTER_INFO* buffer, std::uint32_t* size) {
    if (!size) return impl_->Fail(kErrorInvalidParameter, "no size");
    std::vector<IP_ADAPTER_INFO> adapters;
    if (std::uint32_t status = impl_->Adapters(adapters)) return status;
    if (adapters.empty()) return impl_->Fail(kErrorNoData, "no adapter");
    const auto needed = static_cast<std::uint32_t>(adapters.size());
    if (!buffer || *size < needed) {
        *size = needed;
        return impl_->Fail(kErrorBufferOverflow, "buffer too small");
    }
    std::copy(adapters.begin(), adapters.end(), buffer);
    *size = needed;
    return kNoError;
}

std::uint32_t NetlinkIpHelper::GetIpForwardTable(MIB_IPFORWARDROW* table, std::uint32_t* size,
                                                 bool sorted) {
    if (!size) return impl_->Fail(kErrorInvalidParameter, "no size");
    std::vector<MIB_IPFORWARDROW> rows;
    if (std::uint32_t status = impl_->DumpRoutes(rows)) return status;
    const auto needed = static_cast<std::uint32_t>(rows.size());
    if (!table) {
        *size = needed;
        return impl_->Fail(kErrorInsufficientBuffer, "no buffer");
    }
    if (sorted) std::stable_sort(rows.begin(), rows.end(), ForwardRowLess);
    const std::uint32_t delivered = std::min(*size, needed);
    std::copy_n(rows.begin(), delivered, table);
    *size = needed;
    return delivered < needed ? impl_->Fail(kErrorMoreData, "the table has grown") : kNoError;
}

std::uint32_t NetlinkIpHelper::CreateIpForwardEntry(const MIB_IPFORWARDROW& row) {
    return impl_->Create(row);
}

std::uint32_t NetlinkIpHelper::SetIpForwardEntry(const MIB_IPFORWARDROW& row) {
    return impl_->Set(row);
}

std::uint32_t NetlinkIpHelper::DeleteIpForwardEntry(const MIB_IPFORWARDROW& row) {
    return impl_->Delete(row);
}

std::uint32_t NetlinkIpHelper::GetBestInterface(std::uint32_t destination, std::uint32_t* index) {
    if (!index) return impl_->Fail(kErrorInvalidParameter, "no index");
    return impl_->BestInterface(destination, index);
}

std::uint32_t NetlinkIpHelper::LastError() const { return impl_->lastError; }

std::string NetlinkIpHelper::SystemMessage(std::uint32_t code) const {
    std::string text = StandardSystemMessage(code);
    if (code == impl_->lastError && !impl_->lastCause.empty())
        text += " (" + impl_->lastCause + ")";
    return text;
}

}  // namespace korvane::platform
