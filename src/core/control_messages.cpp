// Requests of other programs: they run the tray menu's commands, so a disabled command does
// nothing and switching off asks for the password; every request is answered.
#include <charconv>

#include "core/korvane_core.h"
#include "lists/list_sources.h"

namespace korvane::core {

using routing::TrayMenuItem;

std::uint32_t KorvaneCore::StateBits() const {
    const routing::TrayView& tray = platform_.tray;
    std::uint32_t bits = 0;
    if (tray.Checked(TrayMenuItem::Activate)) bits |= 1;
    if (tray.Checked(TrayMenuItem::WhiteListOn)) bits |= 2;
    if (!tray.Enabled(TrayMenuItem::Activate)) bits |= 4;
    return bits;
}

ControlAnswer KorvaneCore::HandleControlMessage(ControlMessage request) {
    switch (request) {
        case kRequestActivate:
            RunMenuCommand(TrayMenuItem::Activate);
            log_.AddLogLine("Активация по запросу внешнего приложения", false);
            return {kAnswerActivated, 0};
        case kRequestDeactivate:
            RunMenuCommand(TrayMenuItem::Deactivate);
            log_.AddLogLine("Деативация по запросу внешнего приложения", false);
            return {kAnswerDeactivated, 0};
        case kRequestState:
            return {kAnswerState, StateBits()};
        case kRequestIntraSegment: {
            updater_->ResetFailedTries();
            updater_->SetCurrentListURL(std::string(lists::kIntraSegmentListURL));
            controls_.ComboBoxTarvelListURL.text = updater_->CurrentListURL();
            RunMenuCommand(TrayMenuItem::Activate);
            updater_->StartListDownload();
            RunMenuCommand(TrayMenuItem::Activate);
            log_.AddLogLine("Активация с переключением на внутрисегментный список адресов", false);
            return {kAnswerIntraSegment, 0};
        }
        default:
            break;
    }
    return {};
}

std::string KorvaneCore::HandleControlRequest(const std::string& line) {
    if (line == kInstanceName) {
        platform_.shell.BringToFront();
        return "0";
    }
    int number = 0;
    const char* end = line.data() + line.size();
    const auto [parsedTo, error] = std::from_chars(line.data(), end, number);
    if (error != std::errc() || parsedTo != end) return "";
    switch (number) {
        case kRequestActivate:
        case kRequestDeactivate:
        case kRequestState:
        case kRequestIntraSegment:
            break;
        default:
            return "";
    }
    const ControlAnswer answer = HandleControlMessage(static_cast<ControlMessage>(number));
    return std::to_string(answer.number) + " " + std::to_string(answer.wParam);
}

}  // namespace korvane::core
