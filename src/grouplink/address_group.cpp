#include "grouplink/address_group.h"

#include <cstdint>
#include <optional>
#include <set>
#include <string>

namespace korvane::grouplink {
namespace {

constexpr std::int64_t kFirstNewKey = 2301;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The integer at the start of a Key text: leading blanks and a sign allowed, no digits is 0.
std::int64_t LeadingInteger(std::string_view text) {
    std::size_t p = 0;
    while (p < text.size() && IsBlank(text[p])) ++p;
    bool negative = false;
    if (p < text.size() && (text[p] == '+' || text[p] == '-')) negative = text[p++] == '-';
    std::int64_t value = 0;
    for (; p < text.size() && text[p] >= '0' && text[p] <= '9'; ++p) {
        value = std::min<std::int64_t>(value * 10 + (text[p] - '0'), INT32_MAX + std::int64_t{1});
    }
    return negative ? -value : value;
}

bool IsGroup(const XmlNode& mat, std::string_view groupName) {
    const XmlNode* descr = mat.FirstChildNamed("Descr");
    return descr && descr->value == groupName;
}

void AppendRanges(XmlNode& mat, const std::vector<AddressRange>& ranges) {
    for (const AddressRange& range : ranges) mat.AddChild("Addr", RangeText(range));
}

}  // namespace

void ApplyAddressGroup(XmlDocument& document, std::string_view groupName,
                       const std::vector<AddressRange>& ranges) {
    const std::vector<XmlNode*> monitors = document.ChildrenNamed("TrafficMonitor");

    std::set<std::int64_t> usedKeys;
    for (XmlNode* monitor : monitors) {
        for (XmlNode* mat : monitor->ChildrenNamed("MAT")) {
            if (const XmlNode* key = mat->FirstChildNamed("Key")) {
                usedKeys.insert(LeadingInteger(key->value));
            }
            if (IsGroup(*mat, groupName)) mat->DeleteChildrenNamed("Addr");
        }
    }

    std::optional<std::int64_t> newKey;  // one number for every group this update adds
    for (XmlNode* monitor : monitors) {
        bool found = false;
        for (XmlNode* mat : monitor->ChildrenNamed("MAT")) {
            if (!IsGroup(*mat, groupName)) continue;
            AppendRanges(*mat, ranges);
            found = true;
        }
        if (found) continue;
        if (!newKey) {
            newKey = kFirstNewKey;
            while (usedKeys.contains(*newKey)) ++*newKey;
        }
        XmlNode* mat = monitor->AddChild("MAT", "\r\n\t\t");
        mat->AddChild("Key", std::to_string(*newKey));
        mat->AddChild("Descr", groupName);
        AppendRanges(*mat, ranges);
    }
}

}  // namespace korvane::grouplink
