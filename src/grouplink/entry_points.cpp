// The plug-in contract of Grouplink.so. The host loads the library for every single call, so
// the state below is built anew from the registry each time.
#include <dlfcn.h>

#include <filesystem>
#include <string>

#include "grouplink/address_group_update.h"
#include "grouplink/code_page.h"
#include "grouplink/config_dialog.h"
#include "grouplink/grouplink_version.h"
#include "grouplink/library_info.h"
#include "grouplink/plugin_messages.h"
#include "grouplink/plugin_settings.h"
#include "platform/registry.h"
#include "plugins/korvane_plugin.h"

namespace korvane::grouplink {
namespace {

struct Library {
    LibraryInfo info;
    std::string version = GROUPLINK_FILE_VERSION;
    std::string dateTime = BuildStamp(__DATE__, __TIME__);
    std::string author = GROUPLINK_LEGAL_COPYRIGHT;
    std::string description = GROUPLINK_FILE_DESCRIPTION;
    std::string keyPath;
    PluginSettings settings;
};

std::string OwnPath() {
    Dl_info dl{};
    if (!dladdr(reinterpret_cast<void*>(&GetName), &dl) || !dl.dli_fname) return {};
    std::error_code error;
    const auto path = std::filesystem::absolute(dl.dli_fname, error);
    return error ? std::string() : path.lexically_normal().string();
}

std::optional<platform::Registry> OpenRegistry() {
    try {
        return platform::Registry::FromEnvironment();
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

Library& State() {
    static Library library = [] {
        Library loaded;
        loaded.info = DescribeLibrary(OwnPath());
        loaded.keyPath = SettingsKeyPath(loaded.info.name);
        if (auto registry = OpenRegistry())
            loaded.settings = LoadSettings(*registry, loaded.keyPath);
        return loaded;
    }();
    return library;
}

}  // namespace
}  // namespace korvane::grouplink

using korvane::grouplink::State;

extern "C" {

const char* GetName(void) { return State().info.name.c_str(); }
const char* GetDescription(void) { return State().description.c_str(); }
const char* GetDateTime(void) { return State().dateTime.c_str(); }
const char* GetVersion(void) { return State().version.c_str(); }
const char* GetAuthor(void) { return State().author.c_str(); }

int32_t Config(void) {
    using namespace korvane::grouplink;
    auto& library = State();
    PluginMessages messages;
    if (!HasDisplay()) {
        messages.Show({library.info.name + " Config... needs a display: open it from the "
                                           "settings window of the Korvane program.",
                       library.info.name, korvane::platform::MessageIcon::Error,
                       korvane::platform::MessageButtons::Ok});
        return 1;
    }
    ConfigDialog dialog(library.info.name, library.settings, messages);
    if (dialog.exec() == QDialog::Accepted) {
        library.settings = dialog.Settings();
        if (auto registry = OpenRegistry())
            SaveSettings(*registry, library.keyPath, library.settings);
    }
    return 1;
}

int32_t Help(void) {
    korvane::grouplink::PluginMessages messages;
    messages.Show({"No Help available et!", State().info.name, korvane::platform::MessageIcon::None,
                   korvane::platform::MessageButtons::Ok});
    return 1;
}

// Activation and deactivation do the same; neither argument matters to this plug-in.
int32_t TurnWorldOff(uint8_t /*whiteListOn*/, const char* /*adapterAddress*/) {
    using namespace korvane::grouplink;
    auto& library = State();
    PluginMessages messages;
    try {
        return UpdateAddressGroup(
            {library.info.folder, library.settings.OutIPListFName, library.settings.IPAddressGroup,
             ThreadAnsiCharset(), library.info.name},
            messages);
    } catch (const std::exception& error) {
        // Nothing may unwind through a C entry point into the host.
        messages.Show({error.what(), library.info.name, korvane::platform::MessageIcon::Error,
                       korvane::platform::MessageButtons::Ok});
        return 0;
    }
}

int32_t TurnWorldOn(uint8_t whiteListOn, const char* adapterAddress)
    __attribute__((alias("TurnWorldOff")));

}  // extern "C"
