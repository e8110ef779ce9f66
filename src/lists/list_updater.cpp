#include "lists/list_updater.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "platform/atomic_file.h"
#include "platform/locale_time.h"
#include "routing/tray_status.h"

namespace korvane::lists {
namespace {

constexpr int kStartupTickMs = 10;
constexpr int kAfterStartupMs = 30'000;
constexpr int kRetryMs = 5'000;
constexpr char kFileScheme[] = "file://";

std::tm LocalTime(platform::TimePoint when) {
    const std::time_t t =
        std::chrono::system_clock::to_time_t(std::chrono::floor<std::chrono::seconds>(when));
    std::tm local{};
    localtime_r(&t, &local);
    return local;
}

// Log lines start with the time in the user's long time format.
std::string LongTimeText(platform::TimePoint when) {
    return platform::FormatLongTime(LocalTime(when));
}

// LabelNextUpdate: "h:mm:ss" on the current day, else "d/mm/yyyy, hh:mm:ss", with the user's
// date and time separators.
std::string NextUpdateCaption(platform::TimePoint next, platform::TimePoint now) {
    const platform::TimeConventions conventions = platform::TimeConventionsOfLocale();
    const char d = conventions.dateSeparator;
    const char t = conventions.timeSeparator;
    const std::tm n = LocalTime(next);
    const std::tm today = LocalTime(now);
    char text[64];
    if (n.tm_year == today.tm_year && n.tm_yday == today.tm_yday) {
        std::snprintf(text, sizeof text, "%d%c%02d%c%02d", n.tm_hour, t, n.tm_min, t, n.tm_sec);
    } else {
        std::snprintf(text, sizeof text, "%d%c%02d%c%04d, %02d%c%02d%c%02d", n.tm_mday, d,
                      n.tm_mon + 1, d, n.tm_year + 1900, n.tm_hour, t, n.tm_min, t, n.tm_sec);
    }
    return text;
}

}  // namespace

ListUpdater::ListUpdater(Parts parts) : parts_(std::move(parts)), timer_(parts_.refreshTimer) {
    timer_.SetEnabled(false);
    timer_.SetInterval(0);
    timer_.onTimer = [this] { TimerRefreshListTimer(); };
    parts_.http.onDoneString = [this](const std::string& text) { HTTPGetDoneString(text); };
    parts_.http.onError = [this] { HTTPGetError(); };
}

ListUpdater::~ListUpdater() {
    parts_.http.onDoneString = nullptr;
    parts_.http.onError = nullptr;
}

void ListUpdater::Log(const std::string& textAfterTime, platform::TimePoint when) {
    parts_.log.AddLogLine(LongTimeText(when) + textAfterTime, true);
}

void ListUpdater::SetTimerInterval(int milliseconds) {
    startupTickPending_ = false;
    timer_.SetInterval(milliseconds);
}

void ListUpdater::ArmStartupActivation() {
    timer_.SetInterval(kStartupTickMs);
    startupTickPending_ = true;
    timer_.SetEnabled(true);
}

void ListUpdater::StartListDownload() {
    timer_.SetEnabled(false);
    startupTickPending_ = false;
    const std::string url = currentListURL_;
    Log(", попытка соединения с " + url, parts_.clock.Now());

    if (url.starts_with(kFileScheme)) {
        std::string text;
        try {
            text = platform::ReadWholeFile(url.substr(sizeof kFileScheme - 1));
        } catch (const platform::FileError& failure) {
            // Ends the attempt: no log line, no retry; the schedule arms the timer again.
            parts_.messages.Error(failure.what());
            return;
        }
        HTTPGetDoneString(text);
        return;
    }
    parts_.http.GetString(url);
}

void ListUpdater::HTTPGetDoneString(const std::string& text) {
    core::Controls& controls = parts_.controls;
    const std::vector<std::string> lines = SplitLines(text);
    if (!parts_.subnets.ParseSubnetList(lines)) {
        ListUpdateFailed(kReasonNoSubnets);
        return;
    }
    const platform::TimePoint now = parts_.clock.Now();
    controls.LabelSubnetsCount = SubnetsCountCaption(parts_.subnets.Count());
    failedTries_ = 0;
    parts_.subnets.SetLastUpdateTime(now);
    controls.LabelLastUpdated = LastUpdatedCaption(parts_.subnets.LastUpdateTime(), now);

    std::string writeFailure;
    try {
        WriteListFile(parts_.listFile, lines);
    } catch (const platform::FileError& failure) {
        // The new list is in use; the file keeps the last list it held until a write succeeds.
        writeFailure = failure.what();
    }
    ScheduleNextUpdate(true);
    if (parts_.wall.ActivateChecked()) parts_.wall.ActivateWall();
    Log(", успешно загружено " + std::to_string(parts_.subnets.Count()) + " подсетей", now);
    if (!writeFailure.empty()) {
        Log(", ошибка. список не сохранён в файл: " + writeFailure, now);
    }
    ShowListStatusInTray();
    parts_.log.SelectLastLine();
}

void ListUpdater::ShowListStatusInTray() {
    parts_.tray.SetHint(routing::StatusSummary(
        parts_.wall.ActivateChecked() ? routing::kStateActivated : routing::kStateDeactivated,
        parts_.controls));
}

bool ListUpdater::LoadListFileAtStart() {
    bool loaded = false;
    try {
        loaded = parts_.subnets.LoadSubnetList(parts_.listFile);
    } catch (const platform::FileError& failure) {
        parts_.messages.Error(std::string("Не удалось прочитать список подсетей; он будет "
                                          "загружен заново по расписанию.\n") +
                              failure.what());
        return false;
    }
    if (!loaded) return false;
    const platform::TimePoint now = parts_.clock.Now();
    parts_.controls.LabelSubnetsCount = SubnetsCountCaption(parts_.subnets.Count());
    parts_.controls.LabelLastUpdated = LastUpdatedCaption(parts_.subnets.LastUpdateTime(), now);
    Log(", загружен " + parts_.listFile.string(), now);
    ShowListStatusInTray();
    return true;
}

void ListUpdater::AdoptListURL(const std::string& comboText) {
    if (comboText == currentListURL_) return;
    currentListURL_ = comboText;
    failedTries_ = 0;
}

void ListUpdater::HTTPGetError() { ListUpdateFailed(kReasonNoConnection); }

void ListUpdater::ListUpdateFailed(const std::string& reason) {
    core::Controls& controls = parts_.controls;
    ++failedTries_;  // eight bits: wraps from 255 to 0 when no limit applies
    // The spin edit holds 1 to 255 whatever was stored.
    const int limit = std::clamp(controls.EditRefreshTries, 1, 255);
    const bool limitReached = controls.CheckBoxTries && failedTries_ >= limit;
    if (limitReached) {
        Log(", ошибка. достигнут лимит неудачных попыток", parts_.clock.Now());
        // Without the change handler, so LabelNextUpdate keeps its text. The timer is stopped
        // here too: a schedule armed while the fetch ran must not fetch under "Никогда".
        controls.ComboBoxRefreshList = kRefreshNever;
        timer_.SetEnabled(false);
    } else {
        Log(", ошибка. " + reason + ", попытка через 5 сек.", parts_.clock.Now());
        SetTimerInterval(kRetryMs);
        timer_.SetEnabled(true);
    }
    parts_.log.SelectLastLine();
}

void ListUpdater::TimerRefreshListTimer() {
    if (startupTickPending_) {
        startupTickPending_ = false;
        parts_.renewPeriodTimer.SetEnabled(false);
        timer_.SetInterval(kAfterStartupMs);
        parts_.wall.ActivateWall();
        return;
    }
    StartListDownload();
    if (!parts_.renewPeriodTimer.Enabled()) parts_.renewPeriodTimer.SetEnabled(true);
}

void ListUpdater::ScheduleNextUpdate(bool restart) {
    core::Controls& controls = parts_.controls;
    if (restart) timer_.SetEnabled(false);
    const int choice = controls.ComboBoxRefreshList;
    if (choice < kRefreshDaily || choice > kRefresh15Minutes) {
        controls.LabelNextUpdate = "не задано";
        return;
    }
    const platform::TimePoint now = parts_.clock.Now();
    const auto& last = parts_.subnets.LastUpdateTime();
    const platform::TimePoint next =
        last ? NextUpdateTime(choice, controls.CheckBoxRoundTime, *last) : platform::TimePoint{};
    if (next > now) {
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(next - now);
        SetTimerInterval(
            static_cast<int>(std::max<std::chrono::milliseconds::rep>(1, wait.count())));
        controls.LabelNextUpdate = NextUpdateCaption(next, now);
    } else {
        SetTimerInterval(1);
    }
    if (restart) timer_.SetEnabled(true);
}

void ListUpdater::ButtonRefreshClick() {
    failedTries_ = 0;
    currentListURL_ = parts_.controls.ComboBoxTarvelListURL.text;
    StartListDownload();
}

void ListUpdater::PauseRefreshingClick() {
    const int choice = parts_.controls.ComboBoxRefreshList;
    if (choice < kRefreshDaily || choice > kRefresh15Minutes) return;
    if (!timer_.Paused()) {
        timer_.SetPaused(true);
        parts_.tray.SetChecked(routing::TrayMenuItem::PauseRefreshing, true);
        return;
    }
    timer_.SetPaused(false);
    parts_.tray.SetChecked(routing::TrayMenuItem::PauseRefreshing, false);
    ScheduleNextUpdate(false);
}

void ListUpdater::CheckBoxTriesClick() {
    failedTries_ = 0;
    parts_.controls.EditRefreshTriesEnabled = parts_.controls.CheckBoxTries;
}

}  // namespace korvane::lists
