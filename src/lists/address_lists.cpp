#include "lists/address_lists.h"

#include <strings.h>

#include "lists/host_names.h"
#include "lists/subnet_list.h"
#include "platform/atomic_file.h"
#include "routing/ipv4.h"

namespace korvane::lists {

std::vector<ListEntry> WhiteListEntries(const std::vector<std::string>& lines) {
    std::vector<ListEntry> entries;
    for (const std::string& line : lines) {
        if (line.empty() || line.front() == '#') continue;
        const routing::AddressSpec entry = routing::ParseAddressSpec(line);
        if (entry.ok) entries.push_back({entry.address, routing::PrefixToMaskText(entry.prefix)});
    }
    return entries;
}

bool IsUntouchedDestination(const std::vector<std::string>& untouched,
                            std::string_view destination) {
    for (const std::string& line : untouched) {
        if (line.size() == destination.size() &&
            strncasecmp(line.data(), destination.data(), line.size()) == 0) {
            return true;
        }
    }
    return false;
}

AddressLists::AddressLists(core::Controls& controls, routing::TrayView& tray,
                           platform::Messages& messages, platform::Resolver& resolver,
                           ListFiles files)
    : controls_(controls),
      tray_(tray),
      messages_(messages),
      resolver_(resolver),
      files_(std::move(files)) {}

bool AddressLists::ReadLines(const std::filesystem::path& file, std::vector<std::string>& lines) {
    std::error_code error;
    if (!std::filesystem::exists(file, error)) return false;
    try {
        lines = SplitLines(platform::ReadWholeFile(file));
        return true;
    } catch (const platform::FileError& failure) {
        unreadable_.insert(file);
        messages_.Error(std::string("Не удалось прочитать список из файла. Файл не будет "
                                    "перезаписан при сохранении настроек.\n") +
                        failure.what());
        return false;
    }
}

void AddressLists::LoadLists() {
    ReadLines(files_.untouchedDestinations, untouched_);
    ReadLines(files_.whiteList, controls_.MemoWhiteList);
    ReadLines(files_.blackList, controls_.memoWhiteList2);
}

bool AddressLists::SaveList(const std::filesystem::path& file,
                            const std::vector<std::string>& lines, std::string_view what) {
    if (unreadable_.contains(file)) {
        messages_.Error(std::string(what) + " не сохранён: файл " + file.string() +
                        " не удалось прочитать при запуске, и он оставлен как есть.");
        return false;
    }
    try {
        WriteListFile(file, lines);
        return true;
    } catch (const platform::FileError& failure) {
        messages_.Error(std::string(what) +
                        " не сохранён (папка Lists отсутствует или закрыта "
                        "для записи?). Список остаётся в окне настроек и "
                        "будет записан при следующем сохранении.\n" +
                        failure.what());
        return false;
    }
}

bool AddressLists::SaveLists() {
    const bool white = SaveList(files_.whiteList, controls_.MemoWhiteList, "Белый список");
    const bool black = SaveList(files_.blackList, controls_.memoWhiteList2, "Черный список");
    return white && black;
}

bool AddressLists::AddHost(const std::string& typed, bool commentWithTypedText,
                           std::vector<std::string>& memo) {
    const std::string host = HostFromURL(typed);
    const ResolvedHost resolved = ResolveHost(resolver_, host);
    switch (resolved.status) {
        case ResolveStatus::NameTooLong:
            messages_.Error("Имя домена длиннее " + std::to_string(kMaxHostNameLength) +
                            " символов (" + std::to_string(host.size()) +
                            "), такое имя не может быть найдено в таблице DNS");
            return false;
        case ResolveStatus::NotFound:
            messages_.Error("Домен " + typed + " не был найден в таблице DNS\n\r");
            return false;
        case ResolveStatus::Found:
            break;
    }
    memo.push_back("# " + (commentWithTypedText ? typed : host));
    memo.push_back(resolved.address + "/32");
    return true;
}

void AddressLists::ButtonAddUrlClick() {
    if (!AddHost(controls_.EditUrl, true, controls_.MemoWhiteList)) return;
    controls_.EditUrl.clear();
    EditUrlChange();
}

void AddressLists::ButtonAddUrl2Click() {
    if (!AddHost(controls_.EditURL2, false, controls_.memoWhiteList2)) return;
    controls_.EditURL2.clear();
    EditURL2Change();
}

// The add button also stays off while its page's list is switched off: the edit is disabled then.
void AddressLists::EditUrlChange() {
    controls_.ButtonAddUrlEnabled = controls_.EditUrlEnabled && !controls_.EditUrl.empty();
}

void AddressLists::EditURL2Change() {
    controls_.ButtonAddUrl2Enabled = !controls_.EditURL2.empty();
}

void AddressLists::CheckBoxUseWhiteListClick() {
    const bool on = controls_.CheckBoxUseWhiteList;
    controls_.MemoWhiteListEnabled = on;
    controls_.EditUrlEnabled = on;
    controls_.LabelWhiteListUrlEnabled = on;
    EditUrlChange();
    tray_.SetChecked(routing::TrayMenuItem::WhiteListOn, on);
    tray_.SetChecked(routing::TrayMenuItem::WhiteListOff, !on);
}

}  // namespace korvane::lists
