#include "grouplink/address_range_set.h"

#include <algorithm>
#include <cstdio>

namespace korvane::grouplink {
namespace {

// b starts right after a ends, or inside it; a range ending at 255.255.255.255 touches nothing
// after it.
bool ReachesInto(std::uint32_t aLast, std::uint32_t bFirst) {
    return aLast == UINT32_MAX || aLast + 1 >= bFirst;
}

}  // namespace

void AddressRangeSet::Insert(std::uint32_t first, std::uint32_t last) {
    auto next = lastByFirst_.upper_bound(first);
    if (next != lastByFirst_.begin()) {
        auto previous = std::prev(next);
        if (ReachesInto(previous->second, first)) {
            if (previous->second >= last) return;  // already covered
            first = previous->first;
            lastByFirst_.erase(previous);
        }
    }
    while (next != lastByFirst_.end() && ReachesInto(last, next->first)) {
        last = std::max(last, next->second);
        next = lastByFirst_.erase(next);
    }
    lastByFirst_.emplace_hint(next, first, last);
}

std::vector<AddressRange> AddressRangeSet::Ranges() const {
    std::vector<AddressRange> ranges;
    ranges.reserve(lastByFirst_.size());
    for (const auto& [first, last] : lastByFirst_) ranges.push_back({first, last});
    return ranges;
}

std::string RangeText(const AddressRange& range) {
    char text[32];
    const auto octet = [](std::uint32_t address, int shift) {
        return static_cast<int>((address >> shift) & 0xFF);
    };
    std::snprintf(text, sizeof text, "%i.%i.%i.%i,%i.%i.%i.%i", octet(range.first, 24),
                  octet(range.first, 16), octet(range.first, 8), octet(range.first, 0),
                  octet(range.last, 24), octet(range.last, 16), octet(range.last, 8),
                  octet(range.last, 0));
    return text;
}

}  // namespace korvane::grouplink
