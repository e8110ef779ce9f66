#pragma once
// IPv4 address helpers: text <-> value conversions, the entry parser for list lines,
// the class rule and the prefix/mask conversions. Pure functions.
#include <cstdint>
#include <string>
#include <string_view>

namespace korvane::routing {

// Address value: network byte order (first octet first in memory), as in route rows.
using AddressValue = std::uint32_t;

inline constexpr AddressValue kNoAddress =
    0xFFFFFFFFu;  // what TextToAddress gives for a non-address

// Behaves as inet_addr: a text that is no address gives kNoAddress (255.255.255.255).
AddressValue TextToAddress(std::string_view text);
// Behaves as inet_ntoa.
std::string AddressToText(AddressValue value);

bool IsValidIPv4Text(std::string_view text);

struct AddressSpec {
    bool ok = false;
    std::string address;
    std::uint8_t prefix = 0;
};
// Forms a.b.c.d, a.b.c.d/n, a.b.c.d-e.f.g.h; see the list-file format.
AddressSpec ParseAddressSpec(std::string_view entry);

// Same parse without building the address text: host-order address and prefix.
// The hot path of list parsing and the address check.
bool ParseAddressSpecValue(std::string_view entry, std::uint32_t& hostOrderAddress,
                           std::uint8_t& prefix);

std::uint8_t ClassfulPrefix(std::string_view text);
std::string PrefixToMaskText(std::uint8_t prefix);
std::uint8_t MaskTextToPrefix(std::string_view mask);
AddressValue NetworkOf(AddressValue value, std::uint8_t prefix);
std::string NetworkAddress(std::string_view ipText, std::string_view maskText);

// Host-order helpers shared by the parsers.
std::uint32_t PrefixToMaskHostOrder(std::uint8_t prefix);
std::string HostOrderToText(std::uint32_t hostOrder);

}  // namespace korvane::routing
