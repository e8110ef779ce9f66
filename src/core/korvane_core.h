#pragma once
// The program's core: the state the settings window owns and every subsystem object, wired over
// the platform pieces the program (or a test) hands in. The Qt main window holds one and is only
// its view: it mirrors Controls, forwards its events to the handlers below and implements
// ShellView. Everything runs on the UI thread.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/controls.h"
#include "core/shell_view.h"
#include "lists/address_lists.h"
#include "lists/check_address_form.h"
#include "lists/clipboard_monitor.h"
#include "lists/list_updater.h"
#include "lists/subnet_list.h"
#include "lists/update_log.h"
#include "platform/http.h"
#include "platform/iphelper.h"
#include "platform/messages.h"
#include "platform/registry.h"
#include "platform/resolver.h"
#include "platform/timer.h"
#include "plugins/plugin_host.h"
#include "routing/gateway_monitor.h"
#include "routing/persistent_routes.h"
#include "routing/route_operations.h"
#include "routing/tray_status.h"
#include "routing/tray_view.h"
#include "routing/wall.h"
#include "routing/wall_state.h"

namespace korvane::core {

inline constexpr char kProgramVersion[] = "1.2b";
inline constexpr char kSettingsKey[] = "Software\\Korvane";
inline constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr char kRunValue[] = "Korvane";

// The external control requests and their answers (message numbers).
enum ControlMessage : int {
    kRequestActivate = 0x6D43,
    kRequestDeactivate = 0x6D44,
    kRequestState = 0x6D57,
    kRequestIntraSegment = 0x6D5B,
    kAnswerActivated = 0x6D4D,
    kAnswerDeactivated = 0x6D4E,
    kAnswerState = 0x6D58,
    kAnswerIntraSegment = 0x6D5C,
};
// The single-instance name; as a control request it brings the running copy forward.
inline constexpr char kInstanceName[] = "KORVANEUniqString";

struct ControlAnswer {
    int number = 0;
    std::uint32_t wParam = 0;
    bool operator==(const ControlAnswer&) const = default;
};

// What the core is built over. References must outlive the core.
struct CorePlatform {
    platform::IpHelper& ipHelper;
    platform::Registry& registry;
    platform::Messages& messages;
    routing::TrayView& tray;
    ShellView& shell;
    platform::Timer& refreshListTimer;  // TimerRefreshList
    platform::Timer& renewPeriodTimer;  // TimerRenewPeriod
    platform::Timer& balloonShowTimer;  // TimerBaloonShow (its tick is the tray's business)
    const platform::Clock& clock;
    // Makes the list download's HTTP component.
    std::function<std::unique_ptr<platform::HttpGet>()> makeHttpGet;
    platform::Resolver& resolver;
    std::filesystem::path programFolder;  // with a trailing '/'; lists in its Lists/ folder
    std::filesystem::path programFile;    // the running program, for the autostart entry
    bool serviceMode = false;
    // Where "start with the system" is kept: this XDG autostart entry (the program passes
    // platform::AutostartEntryFile()); empty: the Run value of the user hive.
    std::filesystem::path autostartEntry = {};
};

class KorvaneCore {
  public:
    explicit KorvaneCore(const CorePlatform& platform);
    ~KorvaneCore();
    KorvaneCore(const KorvaneCore&) = delete;
    KorvaneCore& operator=(const KorvaneCore&) = delete;

    // ---- Start and exit ----
    // The main window's creation: plug-ins, adapters, local networks, LoadSettings, the
    // gateway monitor, the start-up activation. False when the program ended on the way
    // (old settings deleted, invalid gateway): the shell then runs nothing more.
    bool Start();
    // "Выгрузить" (button and tray item): password from the tray, the exit question, the switch,
    // QuitProgram.
    void ButtonExitClick();
    // SaveSettings, then ShellView::EndProgram.
    void QuitProgram();
    bool Ended() const { return ended_; }

    // ---- Settings store ----
    // False when the program must end (it has then been told to).
    bool LoadSettings();
    void SaveSettings();
    void ButtonApplyClick();
    void ButtonOKClick();
    bool OldVersionFound() const { return oldVersionFound_; }
    bool RestartNeeded() const { return restartNeeded_; }

    // Settings window handlers owned by the adapter page.
    void checkUseVPNClick();
    void comboAdaptersSelect();  // also comboLoopbackAdapter's selection
    void comboBlockByLoopbackSelect();

    // ---- Password ----
    const std::string& PasswordDigest() const { return passwordDigest_; }
    // The guard: true when no password is set or the prompt ends with the right password.
    bool PasswordCheck();
    // The click of CheckBoxPassword; the shell sets Controls::CheckBoxPassword first.
    void CheckBoxPasswordClick();

    // ---- Tray commands ----
    // A command through its menu item: a disabled item does nothing.
    void RunMenuCommand(routing::TrayMenuItem item);
    void ActivateClick();
    void DeactivateClick();
    void SettingsClick();
    // Either radio item: WhiteListOn or WhiteListOff.
    void WhiteListOnClick(routing::TrayMenuItem clicked);
    void TrayIconDblClick();

    // ---- External control ----
    // One request; the answer to send back (every request is answered).
    ControlAnswer HandleControlMessage(ControlMessage request);
    std::uint32_t StateBits() const;
    // The transport's line form: "27991" → "27992 3"; "KORVANEUniqString" brings the window
    // forward and answers "0"; anything else gets "" (no answer).
    std::string HandleControlRequest(const std::string& line);

    // ---- The subsystems, for the view and for tests ----
    Controls& controls() { return controls_; }
    routing::WallState& wallState() { return wallState_; }
    lists::SubnetList& subnets() { return subnets_; }
    lists::UpdateLog& log() { return log_; }
    routing::TrayStatus& trayStatus() { return trayStatus_; }
    routing::Wall& wall() { return *wall_; }
    routing::GatewayMonitor& gatewayMonitor() { return *monitor_; }
    lists::ListUpdater& listUpdater() { return *updater_; }
    lists::AddressLists& addressLists() { return *addressLists_; }
    lists::CheckAddressForm& checkAddressForm() { return *checkAddressForm_; }
    lists::ClipboardMonitor& clipboardMonitor() { return *clipboardMonitor_; }
    plugins::PluginHost& pluginHost() { return *pluginHost_; }

  private:
    routing::WallParts WallPartsOf();
    void EndProgram();
    // False when the program ended on an invalid gateway setting.
    bool ReadSettingsKey(platform::RegistryKey& key);
    void WriteSettingsKey(platform::RegistryKey& key);
    void LoadAutostart();
    void SaveAutostart();
    // "Применить" without its button: false when nothing was saved.
    bool ApplySettings();

    CorePlatform platform_;
    Controls controls_;
    routing::WallState wallState_;
    lists::SubnetList subnets_;
    lists::UpdateLog log_;
    routing::TrayStatus trayStatus_;
    routing::PersistentRoutes persistentRoutes_;
    routing::RouteOperations routes_;
    std::unique_ptr<plugins::PluginHost> pluginHost_;
    std::unique_ptr<routing::Wall> wall_;
    std::unique_ptr<routing::GatewayMonitor> monitor_;
    std::unique_ptr<platform::HttpGet> listHttp_;
    std::unique_ptr<lists::ListUpdater> updater_;
    std::unique_ptr<lists::AddressLists> addressLists_;
    std::unique_ptr<lists::CheckAddressForm> checkAddressForm_;
    std::unique_ptr<lists::ClipboardMonitor> clipboardMonitor_;

    std::string passwordDigest_;
    bool restartNeeded_ = false;
    bool oldVersionFound_ = false;
    bool ended_ = false;
};

}  // namespace korvane::core
