// The settings key: defaults written on first use, the load order at start, the save, and the
// "Применить" and "ОК" buttons.
#include <algorithm>
#include <functional>

#include "core/korvane_core.h"
#include "lists/clipboard_monitor.h"
#include "lists/list_sources.h"
#include "platform/atomic_file.h"
#include "platform/autostart.h"
#include "routing/ipv4.h"
#include "routing/vpn_server.h"

namespace korvane::core {
namespace {

using platform::Hive;
using platform::RegistryKey;

// Not a real provider's gateway: a documentation address until the real one is known.
constexpr char kDefaultGatewayAddress[] = "192.0.2.1";
constexpr char kDefaultForeignGateway[] = "192.168.0.1";
constexpr char kOldestCurrentVersion[] = "0.98";
constexpr int kBalloonShowTimeMax = 15;
constexpr int kRenewPeriodMax = 3600;
constexpr int kRefreshTriesMax = 255;
constexpr int kRefreshListItems = 4;
constexpr int kTrayDoubleClickItems = 4;

// A value of the settings key, its default written first when it is missing. A value of the
// wrong type reads as its default and is left as it is.
class SettingsKey {
  public:
    explicit SettingsKey(RegistryKey& key) : key_(key) {}

    std::string Text(const std::string& name, const std::string& fallback) {
        if (!key_.ValueExists(name)) key_.WriteString(name, fallback);
        return key_.ReadString(name).value_or(fallback);
    }
    int Integer(const std::string& name, int fallback) {
        if (!key_.ValueExists(name)) key_.WriteDword(name, static_cast<std::uint32_t>(fallback));
        const auto value = key_.ReadDword(name);
        return value ? static_cast<int>(*value) : fallback;
    }
    bool Boolean(const std::string& name, bool fallback) { return Integer(name, fallback) != 0; }

    void Write(const std::string& name, const std::string& value) { key_.WriteString(name, value); }
    void Write(const std::string& name, int value) {
        key_.WriteDword(name, static_cast<std::uint32_t>(value));
    }
    void Write(const std::string& name, bool value) { key_.WriteDword(name, value ? 1 : 0); }

  private:
    RegistryKey& key_;
};

// A combo box's item index as stored: outside the items means no selection.
int ItemIndex(int stored, int itemCount) { return stored >= 0 && stored < itemCount ? stored : -1; }

// The adapter at a combo box's selected position, or none.
routing::AdapterRef SelectedAdapter(const routing::TAdapterList& adapters,
                                    const ComboState& combo) {
    if (combo.itemIndex < 0 || static_cast<std::size_t>(combo.itemIndex) >= adapters.Count()) {
        return nullptr;
    }
    return adapters.Items()[combo.itemIndex];
}

}  // namespace

bool KorvaneCore::LoadSettings() {
    platform::Registry& registry = platform_.registry;
    bool keyExisted = false;
    std::optional<RegistryKey> opened;
    try {
        keyExisted = registry.KeyExists(Hive::LocalMachine, kSettingsKey);
        opened = RegistryKey::Open(registry, Hive::LocalMachine, kSettingsKey, true);
    } catch (const platform::RegistryError&) {
        // Without the settings key the controls keep their initial states.
    }
    if (opened) {
        const std::optional<std::string> version = opened->ReadString("Version");
        oldVersionFound_ = keyExisted && (!version || *version < kOldestCurrentVersion);
        if (oldVersionFound_ &&
            platform_.messages.Show(
                {"Найдена старая версия Korvane. Рекоммендуется удаление установок и перегрузка "
                 "компьютера (перезагрузить необходимо самостоятельно). Удалить настройки и "
                 "закрыть программу?",
                 "Найдена старая версия Korvane", platform::MessageIcon::None,
                 platform::MessageButtons::YesNo}) == platform::MessageAnswer::Yes) {
            registry.DeleteKeyTree(Hive::LocalMachine, kSettingsKey);
            EndProgram();
            return false;
        }
        if (!ReadSettingsKey(*opened)) return false;
    }
    LoadAutostart();
    try {
        pluginHost_->LoadEnableFlags();
    } catch (const platform::RegistryError& error) {
        platform_.messages.Error(error.what());
    }
    return true;
}

bool KorvaneCore::ReadSettingsKey(RegistryKey& key) {
    SettingsKey settings(key);
    settings.Write("Version", std::string(kProgramVersion));

    wallState_.ExchangeGateway = settings.Text("GatewayAddress", kDefaultGatewayAddress);
    controls_.editGateway = wallState_.ExchangeGateway;
    wallState_.ForeignGateway = settings.Text("ForeignGatewayAddress", kDefaultForeignGateway);
    controls_.editForeignGateway = wallState_.ForeignGateway;
    if (!routing::IsValidIPv4Text(wallState_.ExchangeGateway)) {
        platform_.messages.Error(
            "Основной шлюз имеет неверный формат (процесс настройки шлюза описан в "
            "документации)\n\nПрограмма будет завершена.");
        EndProgram();
        return false;
    }

    updater_->SetCurrentListURL(
        settings.Text("TarvelListURL", std::string(lists::kDefaultListURL)));
    controls_.ComboBoxTarvelListURL.text = updater_->CurrentListURL();
    wallState_.UseVpn = settings.Boolean("UseVPN", false);
    controls_.checkUseVPN = wallState_.UseVpn;
    checkUseVPNClick();
    wallState_.LanMode = settings.Boolean("LanMode", false);
    controls_.checkBoxLanMode = wallState_.LanMode;
    controls_.checkBoxEnablePopupsOnUpdate = settings.Boolean("EnablePopupsOnUpdate", true);

    wallState_.SecondAdapterName = key.ReadString("Loopback_Adapter").value_or("");
    wallState_.SecondAdapter = wallState_.Adapters.FindByName(wallState_.SecondAdapterName);
    const int method = settings.Integer("BlockByLoopback", routing::kBlockRemoveDefaultRoute);
    if (method < routing::kBlockDoNotManage && !wallState_.SecondAdapter) {
        settings.Write("BlockByLoopback", static_cast<int>(routing::kBlockRemoveDefaultRoute));
    }
    ComboState& blocking = controls_.comboBlockByLoopback;
    blocking.itemIndex =
        ItemIndex(settings.Integer("BlockByLoopback", 0), static_cast<int>(blocking.items.size()));
    if (blocking.itemIndex >= 0) blocking.text = blocking.items[blocking.itemIndex];
    comboBlockByLoopbackSelect();

    updater_->LoadListFileAtStart();
    routing::ResolveVpnServerAtStart(wallState_, controls_, platform_.resolver,
                                     key.ReadString("VPNServer").value_or(""),
                                     key.ReadString("VPNServerAddress").value_or(""));
    checkUseVPNClick();
    addressLists_->LoadLists();
    wallState_.UntouchedDestinations = addressLists_->UntouchedDestinations();

    if (!key.ValueExists("Tarvel_Adapter")) {
        if (wallState_.Adapters.Count() == 0) {
            platform_.messages.Notice("Ни одного адаптера не найдено");
        } else {
            key.WriteString("Tarvel_Adapter", wallState_.Adapters[0].AdapterName);
        }
    }
    controls_.CheckBoxAutoLock = settings.Boolean("ActivateOnStartup", false);

    trayStatus_.ClearActivationImpossible();
    wallState_.ExchangeAdapterName = key.ReadString("Tarvel_Adapter").value_or("");
    wallState_.ExchangeAdapter = wallState_.Adapters.FindByName(wallState_.ExchangeAdapterName);
    routing::FillAdapterCombos(controls_, wallState_.Adapters, wallState_.ExchangeAdapter,
                               wallState_.SecondAdapter);
    monitor_->StartupAdapterCheck();

    controls_.CheckBoxClipboardMonitor = settings.Boolean("MonitorClipboard", false);
    clipboardMonitor_->CheckBoxClipboardMonitorClick();
    controls_.checkUseStaticRoutes = settings.Boolean("UseStaticRoutes", true);
    controls_.checkDontDeleteStaticRoutes = settings.Boolean("DontDeleteStaticRoutes", false);
    controls_.CheckBoxEnableBalloons = settings.Boolean("EnableBalloons", false);
    lists::CheckBoxEnableBalloonsClick(controls_);
    controls_.EditBaloonShowTime = std::clamp(
        settings.Integer("BalloonsShowTime", kBalloonShowTimeMax), 1, kBalloonShowTimeMax);
    platform_.balloonShowTimer.SetInterval(controls_.EditBaloonShowTime * 1000);

    controls_.CheckBoxRoundTime = settings.Boolean("RoundTimeRefresh", false);
    controls_.ComboBoxRefreshList =
        ItemIndex(settings.Integer("ListAutoRefresh", lists::kRefreshDaily), kRefreshListItems);
    controls_.ComboBoxTrayDoubleClick =
        ItemIndex(settings.Integer("TrayDoubleClick", 0), kTrayDoubleClickItems);
    controls_.CheckBoxUseWhiteList = settings.Boolean("EnableWhiteList", false);
    addressLists_->CheckBoxUseWhiteListClick();

    controls_.CheckBoxGatewayMonitor = settings.Boolean("MonitorDefaultGateway", true);
    controls_.editRenewPeriod =
        std::clamp(settings.Integer("MonitorDefaultGatewayPeriod", 10), 1, kRenewPeriodMax);
    platform_.renewPeriodTimer.SetInterval(controls_.editRenewPeriod * 1000);
    controls_.CheckBoxTries = settings.Boolean("DisableAutorefreshOnErrors", true);
    updater_->CheckBoxTriesClick();
    controls_.EditRefreshTries =
        std::clamp(settings.Integer("ConnectTriesBeforeStop", 10), 1, kRefreshTriesMax);

    // A stored empty text ticks the box but sets no password; the next save removes it.
    controls_.CheckBoxPassword = key.ValueExists("Password");
    passwordDigest_ = key.ReadString("Password").value_or("");
    return true;
}

void KorvaneCore::LoadAutostart() {
    if (platform_.serviceMode) {
        controls_.CheckBoxAutorun = true;
        controls_.CheckBoxAutorunEnabled = false;
        return;
    }
    if (!platform_.autostartEntry.empty()) {
        controls_.CheckBoxAutorun = platform::AutostartEntry(platform_.autostartEntry).Exists();
        return;
    }
    try {
        const auto run = RegistryKey::Open(platform_.registry, Hive::CurrentUser, kRunKey, false);
        controls_.CheckBoxAutorun = run && run->ValueExists(kRunValue);
    } catch (const platform::RegistryError&) {
        // An unreadable Run key is neither read nor written.
    }
}

void KorvaneCore::SaveSettings() {
    // Each registry part on its own, so one unwritable hive loses neither the others nor the
    // list files.
    auto guarded = [this](const std::function<void()>& step) {
        try {
            step();
        } catch (const platform::RegistryError& error) {
            platform_.messages.Error(std::string("Настройки не сохранены: ") + error.what());
        }
    };
    guarded([this] {
        if (auto key =
                RegistryKey::Open(platform_.registry, Hive::LocalMachine, kSettingsKey, true)) {
            WriteSettingsKey(*key);
        }
    });
    SaveAutostart();
    guarded([this] {
        routing::WriteInterfaceMetrics(platform_.registry, controls_, wallState_.ExchangeAdapter,
                                       wallState_.SecondAdapter);
        pluginHost_->SaveEnableFlags();
    });
    addressLists_->SaveLists();
}

void KorvaneCore::WriteSettingsKey(RegistryKey& key) {
    SettingsKey settings(key);
    settings.Write("ActivateOnStartup", controls_.CheckBoxAutoLock);
    settings.Write("ListAutoRefresh", controls_.ComboBoxRefreshList);
    settings.Write("TrayDoubleClick", controls_.ComboBoxTrayDoubleClick);
    settings.Write("MonitorDefaultGateway", controls_.CheckBoxGatewayMonitor);
    const int renewPeriod = std::clamp(controls_.editRenewPeriod, 1, kRenewPeriodMax);
    settings.Write("MonitorDefaultGatewayPeriod", renewPeriod);
    platform_.renewPeriodTimer.SetEnabled(false);
    platform_.renewPeriodTimer.SetInterval(renewPeriod * 1000);
    platform_.renewPeriodTimer.SetEnabled(true);

    settings.Write("EnableWhiteList", controls_.CheckBoxUseWhiteList);
    settings.Write("MonitorClipboard", controls_.CheckBoxClipboardMonitor);
    settings.Write("EnableBalloons", controls_.CheckBoxEnableBalloons);
    settings.Write("UseStaticRoutes", controls_.checkUseStaticRoutes);
    settings.Write("DontDeleteStaticRoutes", controls_.checkDontDeleteStaticRoutes);
    const int balloonTime = std::clamp(controls_.EditBaloonShowTime, 1, kBalloonShowTimeMax);
    settings.Write("BalloonsShowTime", balloonTime);
    platform_.balloonShowTimer.SetInterval(balloonTime * 1000);

    settings.Write("UseVPN", controls_.checkUseVPN);
    wallState_.LanMode = controls_.checkBoxLanMode;
    settings.Write("LanMode", wallState_.LanMode);
    settings.Write("EnablePopupsOnUpdate", controls_.checkBoxEnablePopupsOnUpdate);
    settings.Write("BlockByLoopback", controls_.comboBlockByLoopback.itemIndex);
    wallState_.UseVpn = controls_.checkUseVPN;

    wallState_.ExchangeGateway = controls_.editGateway;
    settings.Write("GatewayAddress", wallState_.ExchangeGateway);
    wallState_.ForeignGateway = controls_.editForeignGateway;
    settings.Write("ForeignGatewayAddress", wallState_.ForeignGateway);
    routing::ResolveVpnServerOnSave(wallState_, controls_, platform_.resolver);
    settings.Write("VPNServer", wallState_.VpnServerName);
    settings.Write("VPNServerAddress", wallState_.VpnServerAddress);
    settings.Write("Version", std::string(kProgramVersion));

    updater_->AdoptListURL(controls_.ComboBoxTarvelListURL.text);
    settings.Write("TarvelListURL", updater_->CurrentListURL());

    if (auto adapter = SelectedAdapter(wallState_.Adapters, controls_.comboAdapters)) {
        wallState_.ExchangeAdapter = adapter;
        settings.Write("Tarvel_Adapter", adapter->AdapterName);
    }
    if (auto adapter = SelectedAdapter(wallState_.Adapters, controls_.comboLoopbackAdapter)) {
        wallState_.SecondAdapter = adapter;
        settings.Write("Loopback_Adapter", adapter->AdapterName);
    }
    settings.Write("RoundTimeRefresh", controls_.CheckBoxRoundTime);
    if (!passwordDigest_.empty()) {
        settings.Write("Password", passwordDigest_);
    } else {
        key.DeleteValue("Password");
    }
    settings.Write("DisableAutorefreshOnErrors", controls_.CheckBoxTries);
    settings.Write("ConnectTriesBeforeStop",
                   std::clamp(controls_.EditRefreshTries, 1, kRefreshTriesMax));
}

void KorvaneCore::SaveAutostart() {
    const bool wanted = controls_.CheckBoxAutorun && !platform_.serviceMode;
    if (!platform_.autostartEntry.empty()) {
        const platform::AutostartEntry entry(platform_.autostartEntry);
        try {
            if (wanted) {
                entry.Write(platform_.programFile);
            } else {
                entry.Remove();
            }
        } catch (const platform::FileError& error) {
            platform_.messages.Error(error.what());
        }
        return;
    }
    try {
        if (!wanted) {
            if (auto run =
                    RegistryKey::Open(platform_.registry, Hive::CurrentUser, kRunKey, false)) {
                run->DeleteValue(kRunValue);
            }
        } else if (auto run =
                       RegistryKey::Open(platform_.registry, Hive::CurrentUser, kRunKey, true)) {
            run->WriteString(kRunValue, platform_.programFile.string());
        }
    } catch (const platform::RegistryError&) {
        // An unwritable Run key is left alone, as an unopenable one would be.
    }
}

bool KorvaneCore::ApplySettings() {
    if (controls_.editGateway.empty()) {
        platform_.messages.Notice("Не введен шлюз по умолчанию");
        return false;
    }
    if (!routing::IsValidIPv4Text(controls_.editGateway)) {
        // Saved, it would end every later start of the program.
        platform_.messages.Error(
            "Основной шлюз имеет неверный формат (процесс настройки шлюза описан в "
            "документации)");
        return false;
    }
    SaveSettings();
    updater_->ScheduleNextUpdate(true);
    if (wall_->ActivateChecked() && !trayStatus_.ActivationImpossible()) wall_->ActivateWall();
    return true;
}

void KorvaneCore::ButtonApplyClick() { ApplySettings(); }

void KorvaneCore::ButtonOKClick() {
    if (restartNeeded_) {
        SaveSettings();
        platform_.messages.Notice("Вам необходимо перезапустить korvane");
        EndProgram();
        return;
    }
    if (controls_.editGateway.empty()) return;
    if (ApplySettings()) platform_.shell.HideMainWindow();
}

void KorvaneCore::checkUseVPNClick() {
    controls_.comboVPNServer.enabled = controls_.checkUseVPN;
    controls_.btnCheckVPNServerEnabled = controls_.checkUseVPN;
}

void KorvaneCore::comboAdaptersSelect() { restartNeeded_ = true; }

void KorvaneCore::comboBlockByLoopbackSelect() {
    const int method = routing::BlockingMethod(controls_);
    controls_.comboLoopbackAdapter.enabled = method > routing::kBlockRemoveDefaultRoute;
    controls_.editForeignGatewayEnabled = method > routing::kBlockVirtualAdapter;
    controls_.blackListTabVisible = controls_.editForeignGatewayEnabled;
}

}  // namespace korvane::core
