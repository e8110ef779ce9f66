#include "platform/iphelper_sim.h"

#include <arpa/inet.h>

#include <algorithm>
#include <bit>
#include <sstream>
#include <stdexcept>

#include "platform/atomic_file.h"

namespace korvane::platform {
namespace {

constexpr std::uint32_t kLoopbackIndex = 1;

std::uint32_t ParseAddress(const std::string& text, int line) {
    in_addr address{};
    if (inet_pton(AF_INET, text.c_str(), &address) != 1)
        throw std::invalid_argument("network description, line " + std::to_string(line) + ": \"" +
                                    text + "\" is no IPv4 address");
    return address.s_addr;
}

std::uint32_t ParseNumber(const std::string& text, int line) {
    std::size_t used = 0;
    unsigned long value = 0;
    try {
        value = std::stoul(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != text.size() || value > 0xFFFFFFFFul)
        throw std::invalid_argument("network description, line " + std::to_string(line) + ": \"" +
                                    text + "\" is no number");
    return static_cast<std::uint32_t>(value);
}

std::string Text(std::uint32_t address) {
    char buffer[INET_ADDRSTRLEN];
    in_addr value{address};
    inet_ntop(AF_INET, &value, buffer, sizeof buffer);
    return buffer;
}

MIB_IPFORWARDROW ConnectedRow(const IP_ADAPTER_INFO& adapter) {
    MIB_IPFORWARDROW row;
    const std::uint32_t mask = ParseAddress(adapter.IpMask, 0);
    row.dwForwardDest = ParseAddress(adapter.IpAddress, 0) & mask;
    row.dwForwardMask = mask;
    row.dwForwardIfIndex = adapter.Index;
    row.dwForwardType = kRouteTypeDirect;
    row.dwForwardProto = kProtoLocal;
    return row;
}

}  // namespace

SimIpHelper::SimIpHelper(std::string_view description) { Load(description); }

SimIpHelper SimIpHelper::FromFile(const std::filesystem::path& file) {
    return SimIpHelper(ReadWholeFile(file));
}

void SimIpHelper::Load(std::string_view description) {
    std::istringstream lines{std::string(description)};
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        line = line.substr(0, line.find('#'));
        // Words and where each starts, so that a description can run to the line's end.
        std::vector<std::string> words;
        std::vector<std::size_t> starts;
        for (std::size_t at = line.find_first_not_of(" \t\r"); at != std::string::npos;) {
            const std::size_t end = std::min(line.find_first_of(" \t\r", at), line.size());
            words.push_back(line.substr(at, end - at));
            starts.push_back(at);
            at = line.find_first_not_of(" \t\r", end);
        }
        if (words.empty()) continue;
        auto fail = [&](const std::string& why) {
            throw std::invalid_argument("network description, line " + std::to_string(number) +
                                        ": " + why);
        };
        if (words[0] == "adapter") {
            if (words.size() < 5) fail("adapter <index> <name> <address> <mask> ... expected");
            IP_ADAPTER_INFO adapter;
            adapter.Index = ParseNumber(words[1], number);
            if (adapter.Index == kLoopbackIndex) fail("index 1 is the loopback interface");
            adapter.AdapterName = words[2];
            ParseAddress(words[3], number);
            ParseAddress(words[4], number);
            adapter.IpAddress = words[3];
            adapter.IpMask = words[4];
            adapter.Description = adapter.AdapterName;
            for (std::size_t i = 5; i < words.size(); ++i) {
                if (words[i] == "gateway" && i + 1 < words.size()) {
                    ParseAddress(words[i + 1], number);
                    adapter.Gateway = words[++i];
                } else if (words[i] == "description" && i + 1 < words.size()) {
                    adapter.Description = line.substr(starts[i + 1]);
                    adapter.Description.erase(adapter.Description.find_last_not_of(" \t\r") + 1);
                    break;
                } else {
                    fail("unexpected \"" + words[i] + "\"");
                }
            }
            AddAdapter(adapter);
        } else if (words[0] == "route") {
            if (words.size() < 5)
                fail("route <destination> <mask> <next hop> <interface> expected");
            MIB_IPFORWARDROW row;
            row.dwForwardDest = ParseAddress(words[1], number);
            row.dwForwardMask = ParseAddress(words[2], number);
            row.dwForwardNextHop = ParseAddress(words[3], number);
            row.dwForwardIfIndex = ParseNumber(words[4], number);
            row.dwForwardType = row.dwForwardNextHop ? kRouteTypeIndirect : kRouteTypeDirect;
            row.dwForwardProto = kProtoNetMgmt;
            row.dwForwardMetric1 = 1;
            for (std::size_t i = 5; i < words.size(); i += 2) {
                if (i + 1 == words.size()) fail("\"" + words[i] + "\" needs a value");
                const std::uint32_t value = ParseNumber(words[i + 1], number);
                if (words[i] == "metric")
                    row.dwForwardMetric1 = value;
                else if (words[i] == "proto")
                    row.dwForwardProto = value;
                else
                    fail("unexpected \"" + words[i] + "\"");
            }
            if (!FindAdapter(row.dwForwardIfIndex)) fail("no adapter " + words[4]);
            if (FindRow(row) != routes_.size()) fail("the row exists already");
            AddRow(row);
        } else if (words[0] == "interfaces" && words.size() == 2) {
            interfaceCount_ = ParseNumber(words[1], number);
        } else {
            fail("unknown item \"" + words[0] + "\"");
        }
    }
}

void SimIpHelper::AddAdapter(const IP_ADAPTER_INFO& adapter) {
    auto existing = std::find_if(adapters_.begin(), adapters_.end(),
                                 [&](const auto& a) { return a.Index == adapter.Index; });
    if (existing != adapters_.end()) {
        if (existing->IpAddress != "0.0.0.0") {
            const std::size_t old = FindRow(ConnectedRow(*existing));
            if (old != routes_.size()) EraseRow(old);
        }
        *existing = adapter;
    } else {
        adapters_.push_back(adapter);
        std::sort(adapters_.begin(), adapters_.end(),
                  [](const auto& a, const auto& b) { return a.Index < b.Index; });
    }
    if (adapter.IpAddress != "0.0.0.0") {
        const MIB_IPFORWARDROW connected = ConnectedRow(adapter);
        if (FindRow(connected) == routes_.size()) AddRow(connected);
    }
}

void SimIpHelper::RemoveAdapter(std::uint32_t index) {
    std::erase_if(adapters_, [&](const auto& a) { return a.Index == index; });
    EraseRows([&](const auto& row) { return row.dwForwardIfIndex == index; });
}

std::vector<std::string> SimIpHelper::RouteTexts() const {
    std::vector<std::string> texts;
    for (const auto& row : routes_) {
        std::string text = Text(row.dwForwardDest) + "/" + Text(row.dwForwardMask) + " via " +
                           Text(row.dwForwardNextHop) + " if " +
                           std::to_string(row.dwForwardIfIndex) + " metric " +
                           std::to_string(row.dwForwardMetric1);
        if (row.dwForwardProto != kProtoNtAutostatic)
            text += " proto " + std::to_string(row.dwForwardProto);
        texts.push_back(text);
    }
    std::sort(texts.begin(), texts.end());
    return texts;
}

bool SimIpHelper::HasRoute(const std::string& destination, const std::string& mask,
                           const std::string& nextHop) const {
    return std::any_of(routes_.begin(), routes_.end(), [&](const auto& row) {
        return Text(row.dwForwardDest) == destination && Text(row.dwForwardMask) == mask &&
               Text(row.dwForwardNextHop) == nextHop;
    });
}

void SimIpHelper::FailNext(SimOperation operation, std::uint32_t status, int times) {
    auto& queue = failures_[Slot(operation)];
    queue.insert(queue.end(), times, status);
}

std::uint32_t SimIpHelper::Enter(SimOperation operation) {
    ++calls_[Slot(operation)];
    auto& queue = failures_[Slot(operation)];
    if (queue.empty()) return kNoError;
    const std::uint32_t status = queue.front();
    queue.erase(queue.begin());
    return Fail(status);
}

std::uint32_t SimIpHelper::Fail(std::uint32_t status) {
    if (status != kNoError) lastError_ = status;
    return status;
}

const IP_ADAPTER_INFO* SimIpHelper::FindAdapter(std::uint32_t index) const {
    for (const auto& adapter : adapters_)
        if (adapter.Index == index) return &adapter;
    return nullptr;
}

std::uint32_t SimIpHelper::CheckRow(const MIB_IPFORWARDROW& row) const {
    if (std::uint32_t status = CheckForwardRowShape(row)) return status;
    const IP_ADAPTER_INFO* adapter = FindAdapter(row.dwForwardIfIndex);
    if (!adapter) return kErrorInvalidParameter;
    if (row.dwForwardNextHop == 0) return kNoError;
    if (adapter->IpAddress == "0.0.0.0") return kErrorNetworkUnreachable;
    const std::uint32_t mask = ParseAddress(adapter->IpMask, 0);
    const bool onLink =
        (row.dwForwardNextHop & mask) == (ParseAddress(adapter->IpAddress, 0) & mask);
    return onLink ? kNoError : kErrorNetworkUnreachable;
}

SimIpHelper::RowKey SimIpHelper::KeyOf(const MIB_IPFORWARDROW& row) {
    return {(std::uint64_t{row.dwForwardDest} << 32) | row.dwForwardMask,
            (std::uint64_t{row.dwForwardNextHop} << 32) | row.dwForwardIfIndex};
}

std::size_t SimIpHelper::FindRow(const MIB_IPFORWARDROW& row) {
    if (indexStale_) {
        index_.clear();
        for (std::size_t i = 0; i < routes_.size(); ++i) index_.emplace(KeyOf(routes_[i]), i);
        indexStale_ = false;
    }
    auto it = index_.find(KeyOf(row));
    return it == index_.end() ? routes_.size() : it->second;
}

void SimIpHelper::AddRow(const MIB_IPFORWARDROW& row) {
    routes_.push_back(row);
    if (!indexStale_) index_.emplace(KeyOf(row), routes_.size() - 1);
}

void SimIpHelper::EraseRow(std::size_t position) {
    if (!indexStale_) index_.erase(KeyOf(routes_[position]));
    if (position + 1 != routes_.size()) {
        routes_[position] = routes_.back();
        if (!indexStale_) index_[KeyOf(routes_[position])] = position;
    }
    routes_.pop_back();
}

template <typename Predicate>
void SimIpHelper::EraseRows(Predicate predicate) {
    std::erase_if(routes_, predicate);
    indexStale_ = true;
}

std::uint32_t SimIpHelper::GetNumberOfInterfaces(std::uint32_t* count) {
    if (std::uint32_t status = Enter(SimOperation::GetNumberOfInterfaces)) return status;
    *count = interfaceCount_ ? interfaceCount_ : static_cast<std::uint32_t>(adapters_.size() + 1);
    return kNoError;
}

std::uint32_t SimIpHelper::GetAdaptersInfo(IP_ADAPTER_INFO* buffer, std::uint32_t* size) {
    if (std::uint32_t status = Enter(SimOperation::GetAdaptersInfo)) return status;
    if (!size) return Fail(kErrorInvalidParameter);
    if (adapters_.empty()) return Fail(kErrorNoData);
    const auto needed = static_cast<std::uint32_t>(adapters_.size());
    if (!buffer || *size < needed) {
        *size = needed;
        return Fail(kErrorBufferOverflow);
    }
    std::copy(adapters_.begin(), adapters_.end(), buffer);
    *size = needed;
    return kNoError;
}

std::uint32_t SimIpHelper::GetIpForwardTable(MIB_IPFORWARDROW* table, std::uint32_t* size,
                                             bool sorted) {
    if (std::uint32_t status = Enter(SimOperation::GetIpForwardTable)) return status;
    if (!size) return Fail(kErrorInvalidParameter);
    const auto needed = static_cast<std::uint32_t>(routes_.size());
    if (!table) {
        *size = needed;
        return Fail(kErrorInsufficientBuffer);
    }
    std::vector<MIB_IPFORWARDROW> rows = routes_;
    if (sorted) std::stable_sort(rows.begin(), rows.end(), ForwardRowLess);
    const std::uint32_t delivered = std::min(*size, needed);
    std::copy_n(rows.begin(), delivered, table);
    *size = needed;
    return delivered < needed ? Fail(kErrorMoreData) : kNoError;
}

std::uint32_t SimIpHelper::CreateIpForwardEntry(const MIB_IPFORWARDROW& row) {
    if (std::uint32_t status = Enter(SimOperation::CreateIpForwardEntry)) return status;
    if (std::uint32_t status = CheckRow(row)) return Fail(status);
    if (FindRow(row) != routes_.size()) return Fail(kErrorAlreadyExists);
    AddRow(row);
    return kNoError;
}

std::uint32_t SimIpHelper::SetIpForwardEntry(const MIB_IPFORWARDROW& row) {
    if (std::uint32_t status = Enter(SimOperation::SetIpForwardEntry)) return status;
    if (std::uint32_t status = CheckRow(row)) return Fail(status);
    const std::size_t existing = FindRow(row);
    if (existing == routes_.size()) return Fail(kErrorNotFound);
    routes_[existing] = row;
    return kNoError;
}

std::uint32_t SimIpHelper::DeleteIpForwardEntry(const MIB_IPFORWARDROW& row) {
    if (std::uint32_t status = Enter(SimOperation::DeleteIpForwardEntry)) return status;
    const std::size_t existing = FindRow(row);
    if (existing == routes_.size()) return Fail(kErrorNotFound);
    EraseRow(existing);
    return kNoError;
}

std::uint32_t SimIpHelper::GetBestInterface(std::uint32_t destination, std::uint32_t* index) {
    if (std::uint32_t status = Enter(SimOperation::GetBestInterface)) return status;
    if (!index) return Fail(kErrorInvalidParameter);
    const MIB_IPFORWARDROW* best = nullptr;
    for (const auto& row : routes_) {
        if ((destination & row.dwForwardMask) != (row.dwForwardDest & row.dwForwardMask)) continue;
        if (row.dwForwardType == kRouteTypeInvalid) continue;
        const int length = std::popcount(row.dwForwardMask);
        const int bestLength = best ? std::popcount(best->dwForwardMask) : -1;
        if (length > bestLength ||
            (length == bestLength && row.dwForwardMetric1 < best->dwForwardMetric1))
            best = &row;
    }
    if (!best) return Fail(kErrorCanNotComplete);
    *index = best->dwForwardIfIndex;
    return kNoError;
}

}  // namespace korvane::platform
