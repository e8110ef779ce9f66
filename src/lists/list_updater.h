#pragma once
// Keeps the subnet list current: fetches from the list source (HTTP or "file://") on a
// schedule, on demand and after the start-up activation; retries failures every 5 seconds up
// to an optional limit; an accepted text replaces the list and its file and re-applies an
// activated wall. Every step writes its line to the update log.
#include <cstdint>
#include <filesystem>
#include <string>

#include "core/controls.h"
#include "lists/pausable_timer.h"
#include "lists/refresh_schedule.h"
#include "lists/subnet_list.h"
#include "lists/update_log.h"
#include "platform/http.h"
#include "platform/messages.h"
#include "platform/timer.h"
#include "routing/tray_view.h"
#include "routing/wall_hooks.h"

namespace korvane::lists {

inline constexpr char kReasonNoConnection[] = "не могу соединится с сервером";
inline constexpr char kReasonNoSubnets[] = "подсетей не обнаружено";

class ListUpdater {
  public:
    struct Parts {
        core::Controls& controls;
        SubnetList& subnets;
        UpdateLog& log;
        platform::HttpGet& http;
        platform::Timer& refreshTimer;      // TimerRefreshList
        platform::Timer& renewPeriodTimer;  // the gateway monitor's TimerRenewPeriod
        const platform::Clock& clock;
        routing::WallHooks& wall;
        routing::TrayView& tray;
        platform::Messages& messages;
        std::filesystem::path listFile;  // Lists/tarvel-list.lst
    };
    // Takes over the HTTP component's events and the refresh timer's ticks.
    explicit ListUpdater(Parts parts);
    ~ListUpdater();
    ListUpdater(const ListUpdater&) = delete;
    ListUpdater& operator=(const ListUpdater&) = delete;

    void StartListDownload();
    void HTTPGetDoneString(const std::string& text);
    void HTTPGetError();
    void ListUpdateFailed(const std::string& reason);
    void TimerRefreshListTimer();
    void ScheduleNextUpdate(bool restart);

    void ButtonRefreshClick();
    // OnChange of ComboBoxRefreshList and OnClick of CheckBoxRoundTime.
    void ComboBoxRefreshListChange() { ScheduleNextUpdate(false); }
    void PauseRefreshingClick();
    void CheckBoxTriesClick();

    // Program start with "Активировать стену при запуске": the first tick activates the wall
    // and a fetch follows 30 seconds later.
    void ArmStartupActivation();

    // Settings load: the list file, when it exists, fills the list; then the load line
    // (selected) and the tray hint by Activate's mark. A file that exists but cannot be read is
    // reported and leaves the list empty. True when a list was loaded.
    bool LoadListFileAtStart();
    // Settings save: a list URL that differs (case-sensitive) becomes the current one and
    // restarts the failure count.
    void AdoptListURL(const std::string& comboText);

    const std::string& CurrentListURL() const { return currentListURL_; }
    void SetCurrentListURL(std::string url) { currentListURL_ = std::move(url); }
    std::uint8_t FailedTries() const { return failedTries_; }
    void ResetFailedTries() { failedTries_ = 0; }
    bool Paused() const { return timer_.Paused(); }
    // The refresh timer as the schedule sees it: running or stopped, whatever the pause.
    const platform::Timer& TimerRefreshList() const { return timer_; }

  private:
    void Log(const std::string& textAfterTime, platform::TimePoint when);
    void ShowListStatusInTray();
    void SetTimerInterval(int milliseconds);

    Parts parts_;
    PausableTimer timer_;
    std::string currentListURL_;
    std::uint8_t failedTries_ = 0;
    // The start-up tick is told by this mark, not by its 10 ms interval, so a scheduled
    // update that happens to be 10 ms away is still a fetch.
    bool startupTickPending_ = false;
};

}  // namespace korvane::lists
