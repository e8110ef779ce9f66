#include "lists/address_check.h"

#include <arpa/inet.h>

#include "lists/host_names.h"

namespace korvane::lists {

std::string_view CategoryText(AddressCategory category) {
    switch (category) {
        case AddressCategory::Exchange:
            return "Тарвельский ресурс";
        case AddressCategory::Foreign:
            return "Зарубежный ресурс";
        case AddressCategory::Local:
            return "Локальный ресурс";
        case AddressCategory::Unknown:
            break;
    }
    return "Неизвестный домен";
}

int CategoryPicture(AddressCategory category) {
    return category == AddressCategory::Local ? 1 : static_cast<int>(category);
}

long FirstMatchingSubnet(const SubnetList& subnets, std::uint32_t hostOrderAddress) {
    const std::vector<std::uint32_t>& addresses = subnets.AddressValues();
    const std::vector<std::uint32_t>& masks = subnets.MaskValues();
    const std::size_t count = std::min(addresses.size(), masks.size());
    for (std::size_t i = 0; i < count; ++i) {
        if (((hostOrderAddress ^ addresses[i]) & masks[i]) == 0) return static_cast<long>(i);
    }
    return -1;
}

AddressCheck ClassifyAddress(std::string_view text, const SubnetList& subnets,
                             platform::Resolver& resolver) {
    if (const auto at = text.find('@'); at != std::string_view::npos) text.remove_prefix(at + 1);
    AddressCheck check;
    check.host = HostFromURL(text);
    const ResolvedHost resolved = ResolveHost(resolver, check.host);
    check.address = resolved.address;

    bool inExchange = false;
    in_addr numeric{};
    if (!check.address.empty() && inet_pton(AF_INET, check.address.c_str(), &numeric) == 1) {
        inExchange = FirstMatchingSubnet(subnets, ntohl(numeric.s_addr)) >= 0;
    }
    if (check.address == check.host) check.host = "Не известен";

    if (check.address.empty()) {
        check.address = "Не найден";
        check.category = AddressCategory::Unknown;
    } else if (check.address.starts_with("127.")) {
        check.category = AddressCategory::Local;
    } else {
        check.category = inExchange ? AddressCategory::Exchange : AddressCategory::Foreign;
    }
    return check;
}

}  // namespace korvane::lists
