#pragma once
// Where a URL, host or address lies: in the exchange, abroad, on this computer, or nowhere.
#include <string>
#include <string_view>

#include "lists/subnet_list.h"
#include "platform/resolver.h"

namespace korvane::lists {

enum class AddressCategory { Unknown = 0, Exchange = 1, Foreign = 2, Local = 3 };

struct AddressCheck {
    AddressCategory category = AddressCategory::Unknown;
    std::string host;     // "Не известен" when an address was given
    std::string address;  // "Не найден" when the host does not resolve
};

// "Неизвестный домен", "Тарвельский ресурс", "Зарубежный ресурс", "Локальный ресурс".
std::string_view CategoryText(AddressCategory category);
// Index in the check window's picture list: local shows the exchange picture.
int CategoryPicture(AddressCategory category);

// Only the exchange list decides; the white and black lists play no part. Text after the first
// "@" is what counts, so user names and passwords in a URL are skipped.
AddressCheck ClassifyAddress(std::string_view text, const SubnetList& subnets,
                             platform::Resolver& resolver);

// Index of the first subnet holding the host-order address, or -1. Works on the numbers the
// list computed when it was accepted.
long FirstMatchingSubnet(const SubnetList& subnets, std::uint32_t hostOrderAddress);

}  // namespace korvane::lists
