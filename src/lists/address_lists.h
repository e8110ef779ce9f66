#pragma once
// The white list, the black list and the untouched destinations: their files in the Lists
// folder, the add-host buttons and the enabled states of the two pages.
#include <filesystem>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/controls.h"
#include "platform/messages.h"
#include "platform/resolver.h"
#include "routing/tray_view.h"

namespace korvane::lists {

// The list files of the program's Lists folder (which ships with the program; never created).
struct ListFiles {
    explicit ListFiles(const std::filesystem::path& listsFolder)
        : subnetList(listsFolder / "tarvel-list.lst"),
          whiteList(listsFolder / "white-list.lst"),
          blackList(listsFolder / "white-list2.lst"),
          untouchedDestinations(listsFolder / "untouch-dests.lst") {}

    std::filesystem::path subnetList;
    std::filesystem::path whiteList;
    std::filesystem::path blackList;
    std::filesystem::path untouchedDestinations;
};

struct ListEntry {
    std::string address;  // as ParseAddressSpec gives it
    std::string mask;     // dotted mask of the prefix
};

// Entries of a white or black list in line order: lines that are not empty, do not start with
// "#" and are accepted by ParseAddressSpec. Other lines are ignored.
std::vector<ListEntry> WhiteListEntries(const std::vector<std::string>& lines);

// A route destination is untouched when a whole line equals its dotted text, case ignored.
bool IsUntouchedDestination(const std::vector<std::string>& untouched,
                            std::string_view destination);

class AddressLists {
  public:
    AddressLists(core::Controls& controls, routing::TrayView& tray, platform::Messages& messages,
                 platform::Resolver& resolver, ListFiles files);

    // At start: each file only when it exists. A file that exists but cannot be read is
    // reported and then never overwritten by a save, so its content is not lost.
    void LoadLists();
    // On every settings save: both lists, also when empty, each replaced atomically. A file
    // that cannot be written is reported; the lines stay in the page and the old file stays.
    // True when both were written.
    bool SaveLists();

    // "Добавить" on the white list: "# " + the typed text, then the address + "/32".
    void ButtonAddUrlClick();
    // "Добавить" on the black list: the comment names the host found in the typed text.
    void ButtonAddUrl2Click();
    void EditUrlChange();
    void EditURL2Change();
    // The white-list page's controls and the tray's radio items follow the box.
    void CheckBoxUseWhiteListClick();

    const std::vector<std::string>& UntouchedDestinations() const { return untouched_; }

  private:
    bool AddHost(const std::string& typed, bool commentWithTypedText,
                 std::vector<std::string>& memo);
    bool ReadLines(const std::filesystem::path& file, std::vector<std::string>& lines);
    bool SaveList(const std::filesystem::path& file, const std::vector<std::string>& lines,
                  std::string_view what);

    core::Controls& controls_;
    routing::TrayView& tray_;
    platform::Messages& messages_;
    platform::Resolver& resolver_;
    ListFiles files_;
    std::vector<std::string> untouched_;
    std::set<std::filesystem::path> unreadable_;
};

}  // namespace korvane::lists
