#include "routing/adapters.h"

#include "core/controls.h"
#include "platform/registry.h"
#include "routing/ipv4.h"

namespace korvane::routing {
namespace {

// The platform may add adapters between asking for the size and asking for the records.
constexpr int kAdapterReadAttempts = 3;

std::string Replace(std::string text, const std::string& value) {
    const std::size_t at = text.find("%s");
    return at == std::string::npos ? text : text.replace(at, 2, value);
}

std::string ShownText(const core::ComboState& combo) {
    if (combo.itemIndex >= 0 && combo.itemIndex < static_cast<int>(combo.items.size()))
        return combo.items[combo.itemIndex];
    return combo.text;
}

void SetSelection(core::ComboState& combo, const std::vector<std::string>& items, int index) {
    combo.items = items;
    combo.itemIndex = index;
    combo.text = index >= 0 ? items[index] : std::string();
}

TWin2KBlackRouteItem NetworkItemOf(const TAdapterItem& adapter) {
    const AddressValue network =
        NetworkOf(TextToAddress(adapter.IpAddress), MaskTextToPrefix(adapter.IpMask));
    return {AddressToText(network), adapter.IpMask};
}

}  // namespace

std::string IpHlpErrorText(const platform::IpHelper& ipHelper, const std::string& operation,
                           std::uint32_t status) {
    switch (status) {
        case platform::kErrorNotSupported:
            return Replace("Function %s is not supported by the operating system.", operation);
        case platform::kErrorInvalidParameter:
            return Replace("Function %s. Invalid parameter", operation);
        case platform::kErrorNoData:
            return Replace("Function %s. No adapter information exists for the local computer.",
                           operation);
        default: {
            const std::uint32_t code = ipHelper.LastError();
            return "System Error.  Code: " + std::to_string(code) + ".\n" +
                   ipHelper.SystemMessage(code);
        }
    }
}

std::string VirtualGatewayOf(const std::string& ipAddress) {
    const std::size_t dot = ipAddress.rfind('.');
    return (dot == std::string::npos ? std::string() : ipAddress.substr(0, dot + 1)) + "254";
}

TAdapterList::TAdapterList(platform::IpHelper& ipHelper) { Refresh(ipHelper); }

void TAdapterList::Refresh(platform::IpHelper& ipHelper) {
    items_.clear();
    std::uint32_t count = 0;
    if (std::uint32_t status = ipHelper.GetNumberOfInterfaces(&count))
        throw EIpHlpError(IpHlpErrorText(ipHelper, "GetNumberOfInterfaces", status));
    if (count <= 1) return;

    std::uint32_t size = 0;
    std::vector<platform::IP_ADAPTER_INFO> records;
    std::uint32_t status = ipHelper.GetAdaptersInfo(nullptr, &size);
    for (int attempt = 0;
         status == platform::kErrorBufferOverflow && attempt < kAdapterReadAttempts; ++attempt) {
        records.assign(size, {});
        status = ipHelper.GetAdaptersInfo(records.data(), &size);
    }
    if (status != platform::kNoError)
        throw EIpHlpError(IpHlpErrorText(ipHelper, "GetAdaptersInfo", status));
    records.resize(size);

    for (const auto& record : records) {
        auto item = std::make_shared<TAdapterItem>();
        item->Index = record.Index;
        item->AdapterName = record.AdapterName;
        item->Description = record.Description;
        item->Gateway = record.Gateway;
        item->IpAddress = record.IpAddress;
        item->VirtualGateway = VirtualGatewayOf(record.IpAddress);
        item->IpMask = record.IpMask;
        items_.push_back(std::move(item));
    }
}

AdapterRef TAdapterList::FindByName(const std::string& name) const {
    for (const auto& item : items_)
        if (item->AdapterName == name) return item;
    return nullptr;
}

int TAdapterList::IndexOf(const AdapterRef& item) const {
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (item && items_[i] == item) return static_cast<int>(i);
    return -1;
}

TWin2KBlackRouteList::TWin2KBlackRouteList(platform::IpHelper& ipHelper) { Build(ipHelper); }

void TWin2KBlackRouteList::Build(platform::IpHelper& ipHelper) { Build(TAdapterList(ipHelper)); }

void TWin2KBlackRouteList::Build(const TAdapterList& adapters) {
    items_.clear();
    keys_.clear();
    for (const auto& adapter : adapters.Items()) {
        if (adapter->IpAddress == "0.0.0.0") continue;
        items_.push_back(NetworkItemOf(*adapter));
        keys_.insert(items_.back().Network + "\n" + items_.back().Mask);
    }
}

void TWin2KBlackRouteList::Include(const TAdapterList& adapters) {
    for (const auto& adapter : adapters.Items()) {
        if (adapter->IpAddress == "0.0.0.0") continue;
        TWin2KBlackRouteItem item = NetworkItemOf(*adapter);
        if (keys_.insert(item.Network + "\n" + item.Mask).second) items_.push_back(std::move(item));
    }
}

bool TWin2KBlackRouteList::Contains(const std::string& network, const std::string& mask) const {
    return keys_.contains(network + "\n" + mask);
}

AdapterCombos FillAdapterCombos(const TAdapterList& adapters, const AdapterRef& exchangeAdapter,
                                const AdapterRef& secondAdapter) {
    AdapterCombos combos;
    for (const auto& item : adapters.Items())
        combos.items.push_back(item->IpAddress + "; " + item->Description);
    combos.adaptersIndex = adapters.IndexOf(exchangeAdapter);
    if (secondAdapter) combos.loopbackAdapterIndex = adapters.IndexOf(secondAdapter);
    return combos;
}

void FillAdapterCombos(core::Controls& controls, const TAdapterList& adapters,
                       const AdapterRef& exchangeAdapter, const AdapterRef& secondAdapter) {
    const AdapterCombos combos = FillAdapterCombos(adapters, exchangeAdapter, secondAdapter);
    SetSelection(controls.comboAdapters, combos.items, combos.adaptersIndex);
    SetSelection(controls.comboLoopbackAdapter, combos.items, combos.loopbackAdapterIndex);
}

std::string InterfaceParametersKey(const std::string& adapterName) {
    return "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\" + adapterName;
}

void WriteInterfaceMetrics(platform::Registry& registry, const core::Controls& controls,
                           const AdapterRef& exchangeAdapter, const AdapterRef& secondAdapter) {
    if (ShownText(controls.comboLoopbackAdapter).empty() ||
        controls.comboBlockByLoopback.itemIndex <= 0)
        return;
    auto write = [&](const AdapterRef& adapter, std::uint32_t metric) {
        if (!adapter) return;
        auto key = platform::RegistryKey::Open(registry, platform::Hive::LocalMachine,
                                               InterfaceParametersKey(adapter->AdapterName),
                                               /*canCreate=*/false);
        if (key) key->WriteDword("InterfaceMetric", metric);
    };
    write(secondAdapter, controls.checkUseVPN ? 2 : 1);
    write(exchangeAdapter, 3);
}

}  // namespace korvane::routing
