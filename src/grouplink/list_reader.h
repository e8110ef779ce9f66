#pragma once
// The subnet list file read by the plug-in's own rules: an address alone (its class gives the
// prefix), with "/" or "\" and a prefix, or followed by a blank and anything else. Other lines
// are skipped.
#include <optional>
#include <string_view>

#include "grouplink/address_range_set.h"

namespace korvane::grouplink {

// The range of one list line, or nothing when the line gives none.
std::optional<AddressRange> ParseListLine(std::string_view line);

// Every range of a list text (lines end at LF, a CR before it is dropped), merged.
AddressRangeSet ReadAddressRanges(std::string_view listText);

}  // namespace korvane::grouplink
