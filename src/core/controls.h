#pragma once
// The working copy of the settings: every control the logic reads or sets, named as the
// settings window names it. The Qt shell writes a field on every edit and refreshes its
// widgets after each core call; tests set fields directly.
//
// Item index -1 means "no item selected". Initial values are the states of the window as
// it is built, before any setting is read.
#include <string>
#include <vector>

namespace korvane::core {

struct ComboState {
    std::vector<std::string> items;
    int itemIndex = -1;
    std::string text;  // the edit text of an editable combo box
    bool enabled = true;
};

struct Controls {
    // Page "Параметры"
    int ComboBoxTrayDoubleClick = -1;
    bool CheckBoxGatewayMonitor = true;
    int editRenewPeriod = 10;  // 1..3600 seconds
    bool CheckBoxAutorun = false;
    bool CheckBoxAutorunEnabled = true;
    bool CheckBoxAutoLock = false;
    bool CheckBoxClipboardMonitor = true;
    bool CheckBoxPassword = false;
    bool CheckBoxEnableBalloons = true;
    bool CheckBoxEnableBalloonsEnabled = true;
    int EditBaloonShowTime = 10;  // 1..15 seconds
    bool EditBaloonShowTimeEnabled = true;
    bool checkBoxEnablePopupsOnUpdate = true;
    bool checkUseStaticRoutes = false;
    bool checkDontDeleteStaticRoutes = false;

    // Page "Адаптеры"
    std::string editGateway = "255.255.255.255";
    std::string editForeignGateway;
    bool editForeignGatewayEnabled = true;
    ComboState comboAdapters;
    ComboState comboLoopbackAdapter;
    ComboState comboBlockByLoopback;
    ComboState comboVPNServer{{}, -1, "vpn.provider.example"};  // a preset host name
    bool btnCheckVPNServerEnabled = true;
    bool checkUseVPN = false;
    bool checkBoxLanMode = false;

    // Page "Список подсетей"
    ComboState ComboBoxTarvelListURL;
    int ComboBoxRefreshList = -1;
    bool CheckBoxRoundTime = false;
    bool CheckBoxTries = false;
    int EditRefreshTries = 1;  // 1..255
    bool EditRefreshTriesEnabled = true;
    std::string LabelSubnetsCount = "0";
    std::string LabelLastUpdated = "не было";
    std::string LabelNextUpdate = "не задано";

    // Pages "Белый список" and "Черный список"
    bool CheckBoxUseWhiteList = false;
    std::vector<std::string> MemoWhiteList;
    bool MemoWhiteListEnabled = true;
    std::string EditUrl;
    bool EditUrlEnabled = true;
    bool ButtonAddUrlEnabled = false;
    bool LabelWhiteListUrlEnabled = true;
    std::vector<std::string> memoWhiteList2;
    std::string EditURL2;
    bool ButtonAddUrl2Enabled = false;
    bool blackListTabVisible = false;

    // Page "Плагины": line i is plug-in i of the plug-in list.
    std::vector<std::string> listboxPlugins;  // the lines' texts
    std::vector<bool> listboxPluginsChecked;
    int listboxPluginsItemIndex = -1;
    std::string editPluginVersion;
    std::string editPluginDateTime;
    std::string editPluginAuthor;
    std::string memoPluginDescription;
    bool btnPluginHelpEnabled = true;
    bool btnPluginConfigEnabled = true;

    // Page "О программе"
    std::string LabelVersion = "Build";
};

}  // namespace korvane::core
