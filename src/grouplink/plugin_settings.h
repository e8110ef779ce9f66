#pragma once
// The plug-in's two settings, kept in its key of the registry substitute beside the host's
// "Activated" flag.
#include <optional>
#include <string>
#include <string_view>

#include "platform/registry.h"

namespace korvane::grouplink {

inline constexpr const char* kDefaultFilterSetName = "/opt/TMeter/FilterSets/default.tmf";
inline constexpr const char* kDefaultAddressGroup = "Tarvel";
inline constexpr std::size_t kMaxGroupNameLength = 255;
inline constexpr const char* kEmptyGroupNameText = "IP Address Group name can not be empty!";

struct PluginSettings {
    std::string OutIPListFName = kDefaultFilterSetName;
    std::string IPAddressGroup = kDefaultAddressGroup;
    bool operator==(const PluginSettings&) const = default;
};

// "SOFTWARE\Korvane\Plugins\" followed by the plug-in's name text.
std::string SettingsKeyPath(std::string_view nameText);

// Missing, unreadable or non-text values keep their defaults; nothing is written.
PluginSettings LoadSettings(platform::Registry& registry, const std::string& keyPath);
// A value that cannot be written is skipped silently.
void SaveSettings(platform::Registry& registry, const std::string& keyPath,
                  const PluginSettings& settings);

// The group name as the dialog takes it over: blanks stripped at both ends, cut to 255
// characters; nothing when it is then empty.
std::optional<std::string> TakeOverGroupName(std::string_view typed);

}  // namespace korvane::grouplink
