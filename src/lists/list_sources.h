#pragma once
// The preset items of the list page's combo boxes.
#include <array>
#include <string_view>

namespace korvane::lists {

// ComboBoxTarvelListURL: the exchange operator's list (the default source), a provider's list
// page, and the provider's intra-segment list that external control switches to. The hosts are
// reserved names until the real sources are known, so no stranger's server can feed routes.
inline constexpr std::array<std::string_view, 3> kListSourcePresets = {
    "http://lists.tarvel-ix.example/tarvel-list.txt",
    "http://www.provider.example/tarvel/",
    "http://www.provider.example/nets/nets.php",
};
inline constexpr std::string_view kDefaultListURL = kListSourcePresets[0];
inline constexpr std::string_view kIntraSegmentListURL = kListSourcePresets[2];

// ComboBoxRefreshList, by item index.
inline constexpr std::array<std::string_view, 4> kRefreshChoiceItems = {
    "Никогда", "Ежедневно", "Раз в час", "Раз в 15 минут"};

}  // namespace korvane::lists
