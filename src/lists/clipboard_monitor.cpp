#include "lists/clipboard_monitor.h"

#include <exception>

namespace korvane::lists {
namespace {

constexpr int kClipboardBalloonSeconds = 10;

std::string TrimmedLowerCase(std::string_view text) {
    auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

bool StartsLikeAUrl(std::string_view text) {
    for (std::string_view start : {"www.", "http://", "ftp://", "https://"}) {
        if (text.starts_with(start)) return true;
    }
    return false;
}

}  // namespace

void ClipboardMonitor::CheckClipboardText(std::string_view text) {
    const std::string url = TrimmedLowerCase(text);
    if (!StartsLikeAUrl(url)) return;
    const AddressCheck check = ClassifyAddress(url, subnets_, resolver_);
    if (controls_.CheckBoxEnableBalloons) {
        tray_.ShowBalloon({std::string(CategoryText(check.category)),
                           "Домен: " + check.host + "\n\r" + "IP адрес: " + check.address,
                           kClipboardBalloonSeconds});
        return;
    }
    form_.controls.EditAddress = url;
    form_.EditAddressChange();
    form_.ButtonCheckClick();
    form_.Show();
}

void ClipboardMonitor::ClipboardChanged(
    const std::function<std::optional<std::string>()>& readText) {
    if (!controls_.CheckBoxClipboardMonitor) return;
    try {
        if (const std::optional<std::string> text = readText()) CheckClipboardText(*text);
    } catch (const std::exception&) {
        // A clipboard that cannot be read or checked is left alone, as with no text at all.
    }
}

void ClipboardMonitor::CheckBoxClipboardMonitorClick() {
    controls_.CheckBoxEnableBalloonsEnabled = controls_.CheckBoxClipboardMonitor;
    CheckBoxEnableBalloonsClick(controls_);
}

void CheckBoxEnableBalloonsClick(core::Controls& controls) {
    controls.EditBaloonShowTimeEnabled =
        controls.CheckBoxEnableBalloons && controls.CheckBoxEnableBalloonsEnabled;
}

}  // namespace korvane::lists
