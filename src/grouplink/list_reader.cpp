#include "grouplink/list_reader.h"

#include <algorithm>
#include <cstdint>

namespace korvane::grouplink {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view Strip(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// The lowest 8 bits of the decimal number at p (no digits read as 0); p moves past the digits.
std::uint32_t ReadOctet(std::string_view text, std::size_t& p) {
    std::uint32_t value = 0;
    for (; p < text.size() && IsDigit(text[p]); ++p) {
        value = (value * 10 + static_cast<std::uint32_t>(text[p] - '0')) % 256;
    }
    return value;
}

// The decimal number at p (no digits read as 0), held at 33 once it is above 32.
std::uint32_t ReadPrefix(std::string_view text, std::size_t& p) {
    std::uint32_t value = 0;
    for (; p < text.size() && IsDigit(text[p]); ++p) {
        value = std::min<std::uint32_t>(value * 10 + static_cast<std::uint32_t>(text[p] - '0'), 33);
    }
    return value;
}

int ClassPrefix(std::uint32_t firstOctet) {
    if (firstOctet <= 127) return 8;
    if (firstOctet <= 191) return 16;
    if (firstOctet <= 223) return 24;
    return 8;
}

}  // namespace

std::optional<AddressRange> ParseListLine(std::string_view line) {
    line = Strip(line);
    if (line.empty() || line.front() == '#') return std::nullopt;

    std::uint32_t address = 0;
    std::uint32_t lastOctet = 0;
    int octets = 0;
    std::size_t p = 0;
    for (; octets < 4; ++octets) {
        if (p == line.size() || (line[p] != '.' && !IsDigit(line[p]))) break;
        if (line[p] == '.') ++p;
        lastOctet = ReadOctet(line, p);
        address = (address << 8) | lastOctet;
    }
    if (octets < 4) return std::nullopt;

    int prefix;
    if (p == line.size() || IsBlank(line[p])) {
        prefix = lastOctet != 0 ? 32 : ClassPrefix(address >> 24);
    } else if (line[p] == '/' || line[p] == '\\') {
        ++p;
        const std::uint32_t value = ReadPrefix(line, p);
        if (value > 32) return std::nullopt;  // no such prefix; the host never writes one
        prefix = static_cast<int>(value);
    } else {
        return std::nullopt;
    }

    const std::uint32_t hostBits =
        prefix == 0 ? UINT32_MAX
                    : static_cast<std::uint32_t>((std::uint64_t{1} << (32 - prefix)) - 1);
    return AddressRange{address, address | hostBits};
}

AddressRangeSet ReadAddressRanges(std::string_view listText) {
    AddressRangeSet set;
    std::size_t start = 0;
    while (start < listText.size()) {
        std::size_t end = listText.find('\n', start);
        if (end == std::string_view::npos) end = listText.size();
        std::string_view line = listText.substr(start, end - start);
        if (line.ends_with('\r')) line.remove_suffix(1);
        if (auto range = ParseListLine(line)) set.Insert(range->first, range->last);
        start = end + 1;
    }
    return set;
}

}  // namespace korvane::grouplink
