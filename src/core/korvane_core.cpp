#include "core/korvane_core.h"

#include "lists/list_sources.h"

namespace korvane::core {

KorvaneCore::KorvaneCore(const CorePlatform& platform)
    : platform_(platform),
      trayStatus_(platform.tray, controls_),
      persistentRoutes_(platform.registry),
      routes_(platform.ipHelper, platform.messages, persistentRoutes_, wallState_, controls_) {
    for (std::string_view url : lists::kListSourcePresets) {
        controls_.ComboBoxTarvelListURL.items.emplace_back(url);
    }
    controls_.comboBlockByLoopback.items = routing::BlockingMethodCaptions();
    controls_.comboBlockByLoopback.text = controls_.comboBlockByLoopback.items.front();

    pluginHost_ = std::make_unique<plugins::PluginHost>(platform.programFolder, platform.registry,
                                                        platform.messages, controls_);
    wall_ = std::make_unique<routing::Wall>(WallPartsOf());
    monitor_ = std::make_unique<routing::GatewayMonitor>(WallPartsOf(), *wall_, log_);
    listHttp_ = platform.makeHttpGet();
    const lists::ListFiles files(platform.programFolder / "Lists");
    updater_ = std::make_unique<lists::ListUpdater>(lists::ListUpdater::Parts{
        controls_, subnets_, log_, *listHttp_, platform.refreshListTimer, platform.renewPeriodTimer,
        platform.clock, *wall_, platform.tray, platform.messages, files.subnetList});
    addressLists_ = std::make_unique<lists::AddressLists>(
        controls_, platform.tray, platform.messages, platform.resolver, files);
    checkAddressForm_ = std::make_unique<lists::CheckAddressForm>(subnets_, platform.resolver);
    clipboardMonitor_ = std::make_unique<lists::ClipboardMonitor>(
        controls_, platform.tray, *checkAddressForm_, subnets_, platform.resolver);
}

KorvaneCore::~KorvaneCore() = default;

routing::WallParts KorvaneCore::WallPartsOf() {
    return routing::WallParts{platform_.ipHelper, routes_,
                              persistentRoutes_,  wallState_,
                              subnets_,           controls_,
                              platform_.tray,     trayStatus_,
                              platform_.messages, platform_.renewPeriodTimer,
                              *pluginHost_};
}

bool KorvaneCore::Start() {
    controls_.LabelVersion = kProgramVersion;
    updater_->ResetFailedTries();
    restartNeeded_ = false;

    pluginHost_->ScanPlugins();
    try {
        wallState_.Adapters = routing::TAdapterList(platform_.ipHelper);
    } catch (const routing::EIpHlpError& error) {
        // The program goes on without adapters, as on a machine that has none; the wall
        // enumerates them again whenever it switches.
        platform_.messages.Error(error.what());
    }
    wallState_.LocalNetworks.Build(wallState_.Adapters);
    platform_.tray.SetPicture(routing::TrayPicture::IconOff);

    if (!LoadSettings()) return false;

    platform_.renewPeriodTimer.SetEnabled(true);
    if (controls_.CheckBoxAutoLock) {
        platform_.tray.SetChecked(routing::TrayMenuItem::Activate, true);
        platform_.tray.SetChecked(routing::TrayMenuItem::Deactivate, false);
        updater_->ArmStartupActivation();
    }
    if (!oldVersionFound_) platform_.shell.SelectFirstPage();
    return true;
}

void KorvaneCore::ButtonExitClick() {
    if (!platform_.shell.MainWindowVisible() && !PasswordCheck()) return;
    const std::string text =
        "Деактивировать ли Korvane при выходе?\n\r\r"
        "Нажмите \"Да\" чтобы выйти с деактивацией стены, \"Нет\" чтобы оставить забугор "
        "отключенным.\n\r"
        "\"Отмена\" - не закрывать Korvane\n\r\r";
    const platform::MessageAnswer answer =
        platform_.messages.Show({text, "Завершение работы Korvane", platform::MessageIcon::Question,
                                 platform::MessageButtons::YesNoCancel});
    if (answer == platform::MessageAnswer::Yes) {
        wall_->DeactivateWall();
    } else if (answer == platform::MessageAnswer::No) {
        // Foreign traffic stays off after the program has ended, whatever the wall was.
        wall_->ActivateWall();
    } else {
        return;
    }
    QuitProgram();
}

void KorvaneCore::QuitProgram() {
    SaveSettings();
    EndProgram();
}

void KorvaneCore::EndProgram() {
    if (ended_) return;
    ended_ = true;
    platform_.shell.EndProgram();
}

}  // namespace korvane::core
