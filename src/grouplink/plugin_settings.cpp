#include "grouplink/plugin_settings.h"

namespace korvane::grouplink {
namespace {

using platform::Hive;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

std::string SettingsKeyPath(std::string_view nameText) {
    return "SOFTWARE\\Korvane\\Plugins\\" + std::string(nameText);
}

PluginSettings LoadSettings(platform::Registry& registry, const std::string& keyPath) {
    PluginSettings settings;
    try {
        auto key = platform::RegistryKey::Open(registry, Hive::LocalMachine, keyPath, false);
        if (!key) return settings;
        if (auto value = key->ReadString("OutIPListFName")) settings.OutIPListFName = *value;
        if (auto value = key->ReadString("IPAddressGroup")) settings.IPAddressGroup = *value;
    } catch (const std::exception&) {
        // An unreadable hive counts as a missing key: the defaults stand.
    }
    return settings;
}

void SaveSettings(platform::Registry& registry, const std::string& keyPath,
                  const PluginSettings& settings) {
    for (const auto& [name, value] : {std::pair{"OutIPListFName", &settings.OutIPListFName},
                                      std::pair{"IPAddressGroup", &settings.IPAddressGroup}}) {
        try {
            registry.WriteString(Hive::LocalMachine, keyPath, name, *value);
        } catch (const std::exception&) {
            // Not reported: the settings dialog has closed and the next load uses the defaults.
        }
    }
}

std::optional<std::string> TakeOverGroupName(std::string_view typed) {
    while (!typed.empty() && IsBlank(typed.front())) typed.remove_prefix(1);
    while (!typed.empty() && IsBlank(typed.back())) typed.remove_suffix(1);
    if (typed.empty()) return std::nullopt;
    return std::string(typed.substr(0, kMaxGroupNameLength));
}

}  // namespace korvane::grouplink
