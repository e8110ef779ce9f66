#include "routing/ipv4.h"

#include <arpa/inet.h>

#include <array>
#include <cstdio>

namespace korvane::routing {
namespace {

constexpr std::array<unsigned, 8> kPartialOctet = {0, 128, 192, 224, 240, 248, 252, 254};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// One number read from the front of the remaining text. position is 0 when the number
// filled the whole text, else the 1-based position of the first character after it;
// 1 when no digit could be read.
struct Number {
    unsigned value = 0;
    std::size_t position = 1;
};

Number ReadNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i == text.size() || !IsDigit(text[i])) return {};
    unsigned value = 0;
    while (i < text.size() && IsDigit(text[i])) {
        // Saturate: any value above 255 is rejected by every caller anyway.
        value = value > 100000 ? 100000 : value * 10 + static_cast<unsigned>(text[i] - '0');
        ++i;
    }
    return {value, i == text.size() ? 0 : i + 1};
}

// Reads an octet that must be followed by a dot, and removes both from text.
bool ReadDottedOctet(std::string_view& text, unsigned& octet) {
    Number n = ReadNumber(text);
    if (n.position < 2 || text[n.position - 1] != '.' || n.value > 255) return false;
    octet = n.value;
    text.remove_prefix(n.position);
    return true;
}

// Reads a.b.c and d; on success `rest` is what follows d's digits (empty when nothing).
bool ReadFourOctets(std::string_view& text, std::uint32_t& hostOrder, std::size_t& dPosition) {
    unsigned a, b, c;
    if (!ReadDottedOctet(text, a) || !ReadDottedOctet(text, b) || !ReadDottedOctet(text, c))
        return false;
    Number d = ReadNumber(text);
    if (d.position == 1 || d.value > 255) return false;
    hostOrder = (a << 24) | (b << 16) | (c << 8) | d.value;
    dPosition = d.position;
    return true;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= ' ') text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ') text.remove_suffix(1);
    return text;
}

AddressValue HostToNetwork(std::uint32_t hostOrder) { return htonl(hostOrder); }

}  // namespace

AddressValue TextToAddress(std::string_view text) {
    std::string copy(text);
    return inet_addr(copy.c_str());
}

std::string AddressToText(AddressValue value) { return HostOrderToText(ntohl(value)); }

// Hand-written rather than snprintf: list parsing formats millions of addresses.
std::string HostOrderToText(std::uint32_t hostOrder) {
    char buffer[16];
    char* out = buffer;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const unsigned octet = (hostOrder >> shift) & 0xFF;
        if (octet >= 100) *out++ = static_cast<char>('0' + octet / 100);
        if (octet >= 10) *out++ = static_cast<char>('0' + octet / 10 % 10);
        *out++ = static_cast<char>('0' + octet % 10);
        if (shift > 0) *out++ = '.';
    }
    return std::string(buffer, out);
}

bool IsValidIPv4Text(std::string_view text) {
    std::uint32_t ignored;
    std::size_t dPosition;
    return ReadFourOctets(text, ignored, dPosition);
}

bool ParseAddressSpecValue(std::string_view entry, std::uint32_t& hostOrderAddress,
                           std::uint8_t& prefix) {
    const std::string_view trimmed = Trim(entry);
    std::string_view rest = trimmed;
    std::uint32_t a;
    std::size_t dPosition;
    if (!ReadFourOctets(rest, a, dPosition)) return false;

    if (dPosition == 0) {
        hostOrderAddress = a;
        prefix = ClassfulPrefix(trimmed);
        return true;
    }
    const char follower = rest[dPosition - 1];
    rest.remove_prefix(dPosition);
    if (follower == '/') {
        Number n = ReadNumber(rest);
        if (n.position != 0 || n.value > 32) return false;
        hostOrderAddress = a;
        prefix = static_cast<std::uint8_t>(n.value);
        return true;
    }
    if (follower == '-') {
        std::uint32_t b;
        std::size_t ignored;
        if (!ReadFourOctets(rest, b, ignored)) return false;  // text after h is ignored
        std::uint32_t x = a ^ b;
        int bits = 32;
        int steps = 0;
        do {
            --bits;
            x >>= 1;
            ++steps;
        } while ((x & 1) && steps < 32);
        hostOrderAddress = (a & b) & ~1u;
        prefix = static_cast<std::uint8_t>(bits);
        return true;
    }
    return false;
}

AddressSpec ParseAddressSpec(std::string_view entry) {
    std::uint32_t address;
    std::uint8_t prefix;
    if (!ParseAddressSpecValue(entry, address, prefix)) return {};
    return {true, HostOrderToText(address), prefix};
}

std::uint8_t ClassfulPrefix(std::string_view text) {
    if (text.size() < 2 || text.substr(text.size() - 2) != ".0") return 32;
    const unsigned first = ReadNumber(text).value;
    if (first <= 127) return 8;
    if (first <= 191) return 16;
    if (first <= 223) return 24;
    return 8;
}

std::uint32_t PrefixToMaskHostOrder(std::uint8_t prefix) {
    if (prefix >= 32) return 0xFFFFFFFFu;
    return prefix == 0 ? 0u : 0xFFFFFFFFu << (32 - prefix);
}

std::string PrefixToMaskText(std::uint8_t prefix) {
    if (prefix >= 32) return "255.255.255.255";
    const unsigned t = kPartialOctet[prefix % 8];
    char buffer[16];
    switch (prefix / 8) {
        case 0:
            std::snprintf(buffer, sizeof buffer, "%u.0.0.0", t);
            break;
        case 1:
            std::snprintf(buffer, sizeof buffer, "255.%u.0.0", t);
            break;
        case 2:
            std::snprintf(buffer, sizeof buffer, "255.255.%u.0", t);
            break;
        default:
            std::snprintf(buffer, sizeof buffer, "255.255.255.%u", t);
            break;
    }
    return buffer;
}

std::uint8_t MaskTextToPrefix(std::string_view mask) {
    std::uint8_t prefix = 0;
    for (int octet = 0; octet < 4; ++octet) {
        Number n = ReadNumber(mask);
        if (n.value == 255) {
            prefix += 8;
            mask.remove_prefix(n.position == 0 ? mask.size() : n.position);
            continue;
        }
        for (std::uint8_t k = 1; k < kPartialOctet.size(); ++k)
            if (n.value == kPartialOctet[k]) prefix += k;
        break;
    }
    return prefix;
}

AddressValue NetworkOf(AddressValue value, std::uint8_t prefix) {
    return value & HostToNetwork(PrefixToMaskHostOrder(prefix));
}

std::string NetworkAddress(std::string_view ipText, std::string_view maskText) {
    return AddressToText(TextToAddress(ipText) & TextToAddress(maskText));
}

}  // namespace korvane::routing
