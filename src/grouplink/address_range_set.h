#pragma once
// Inclusive IPv4 address ranges, kept sorted, with overlapping and touching ranges merged.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace korvane::grouplink {

struct AddressRange {
    std::uint32_t first;  // the first octet is the most significant byte
    std::uint32_t last;
    bool operator==(const AddressRange&) const = default;
};

class AddressRangeSet {
  public:
    // The set becomes the union of itself and [first, last] (first <= last).
    void Insert(std::uint32_t first, std::uint32_t last);

    std::vector<AddressRange> Ranges() const;
    std::size_t Size() const { return lastByFirst_.size(); }
    bool Empty() const { return lastByFirst_.empty(); }

  private:
    std::map<std::uint32_t, std::uint32_t> lastByFirst_;
};

// "a.b.c.d,e.f.g.h": the range as an Addr text of the filter set.
std::string RangeText(const AddressRange& range);

}  // namespace korvane::grouplink
