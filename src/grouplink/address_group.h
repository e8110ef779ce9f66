#pragma once
// Sets one IP address group of a TMeter filter set, held as an XML document, to a range set.
#include <string_view>
#include <vector>

#include "grouplink/address_range_set.h"
#include "grouplink/xml_model.h"

namespace korvane::grouplink {

// Every MAT of every top-level TrafficMonitor whose Descr text equals groupName exactly gets
// its Addr items replaced by ranges; a TrafficMonitor without such a group gets a new one,
// keyed by the smallest number from 2301 up that no group of the document uses.
void ApplyAddressGroup(XmlDocument& document, std::string_view groupName,
                       const std::vector<AddressRange>& ranges);

}  // namespace korvane::grouplink
