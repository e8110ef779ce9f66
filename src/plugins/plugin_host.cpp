#include "plugins/plugin_host.h"

#include <algorithm>
#include <exception>
#include <optional>
#include <system_error>
#include <utility>

#include "plugins/korvane_plugin.h"
#include "plugins/library_trust.h"
#include "plugins/plugin_library.h"

namespace korvane::plugins {
namespace {

constexpr const char* kActivated = "Activated";

// Names of the *.so entries of the folder, sorted; folders are not candidates.
std::vector<std::string> CandidateFiles(const std::filesystem::path& folder,
                                        std::error_code& error) {
    std::vector<std::string> names;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end;
         it.increment(error)) {
        std::string name = it->path().filename().string();
        std::error_code statusError;
        if (!name.ends_with(".so") ||
            it->symlink_status(statusError).type() == std::filesystem::file_type::directory) {
            continue;
        }
        names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A description text copied at once; false when the plug-in returned none.
bool CopyText(KorvaneGetTextFn getText, std::string& text) {
    const char* returned = getText();
    if (!returned) return false;
    text = returned;
    return true;
}

// The name is the plug-in's registry key; without a name the flag would land in the key of all
// plug-ins, and a line break cannot be stored in a key name.
bool CanNameAKey(const std::string& name) {
    return !name.empty() && name.find_first_of("\r\n") == std::string::npos;
}

struct ProbedPlugin {
    TDLLModule module;
    std::string line;  // the second GetName: the text of the plug-in's line
};

// The record of a plug-in, or nothing when the library is not one: an entry point missing,
// a text missing, a call ending in an exception, or a name that cannot name its key.
std::optional<ProbedPlugin> Probe(const PluginLibrary& library, const std::string& fileName) {
    auto getName = library.Entry<KorvaneGetTextFn>("GetName");
    auto getDescription = library.Entry<KorvaneGetTextFn>("GetDescription");
    auto getDateTime = library.Entry<KorvaneGetTextFn>("GetDateTime");
    auto getVersion = library.Entry<KorvaneGetTextFn>("GetVersion");
    auto getAuthor = library.Entry<KorvaneGetTextFn>("GetAuthor");
    if (!getName || !getDescription || !getDateTime || !getVersion || !getAuthor) {
        return std::nullopt;
    }
    ProbedPlugin probed;
    probed.module.FileName = fileName;
    try {
        if (CopyText(getName, probed.module.Name) && CopyText(getAuthor, probed.module.Author) &&
            CopyText(getVersion, probed.module.Version) &&
            CopyText(getDateTime, probed.module.DateTime) &&
            CopyText(getDescription, probed.module.Description) && CopyText(getName, probed.line) &&
            CanNameAKey(probed.module.Name)) {
            return probed;
        }
    } catch (...) {
    }
    return std::nullopt;
}

std::string PluginLabel(const TDLLModule& module) {
    return "Плагин " + module.Name + " (" + module.FileName + ")";
}

// Loads the module's library, calls entryName through call(fn) and frees the library again.
// Returns what the user must be told, empty when the call was made and returned normally.
template <typename Fn, typename Call>
std::string CallEntry(const std::filesystem::path& folder, const TDLLModule& module,
                      const char* entryName, Call call) {
    PluginLibrary library(folder, module.FileName);
    std::string notCalled = PluginLabel(module) + " не вызван: ";
    switch (library.status()) {
        case PluginLibrary::Status::Untrusted:
            return notCalled + library.error() + ".";
        case PluginLibrary::Status::NotLoadable:
            return notCalled + "не удалось загрузить библиотеку: " + library.error() + ".";
        case PluginLibrary::Status::Loaded:
            break;
    }
    Fn entry = library.Entry<Fn>(entryName);
    if (!entry) return notCalled + "в библиотеке нет функции " + entryName + ".";
    std::string failed = PluginLabel(module) + ": вызов " + entryName + " завершился ошибкой";
    try {
        call(entry);
    } catch (const std::exception& exception) {
        return failed + ": " + exception.what() + ".";
    } catch (...) {
        return failed + ".";
    }
    return {};
}

std::string Join(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
    return text;
}

}  // namespace

std::string PluginKeyPath(const std::string& pluginName) {
    return "Software\\Korvane\\Plugins\\" + pluginName;
}

PluginHost::PluginHost(std::filesystem::path programFolder, platform::Registry& registry,
                       platform::Messages& messages, core::Controls& controls)
    : programFolder_(std::move(programFolder)),
      registry_(registry),
      messages_(messages),
      controls_(controls) {}

void PluginHost::ScanPlugins() {
    modules_.clear();
    controls_.listboxPlugins.clear();
    controls_.listboxPluginsChecked.clear();
    controls_.listboxPluginsItemIndex = -1;

    std::error_code listError;
    std::vector<std::string> files = CandidateFiles(programFolder_, listError);
    std::vector<std::string> problems;
    if (listError) {
        problems.push_back("Плагины не загружены: не удалось прочитать папку программы " +
                           programFolder_.string() + ": " + listError.message() + ".");
        files.clear();
    }
    if (std::string reason = FolderDistrustReason(programFolder_);
        !files.empty() && !reason.empty()) {
        problems.push_back("Плагины не загружены: " + reason + " (" + programFolder_.string() +
                           ").");
        files.clear();
    }
    for (const std::string& file : files) {
        PluginLibrary library(programFolder_, file);
        if (library.status() == PluginLibrary::Status::Untrusted) {
            problems.push_back("Плагин " + file + " не загружен: " + library.error() + ".");
            continue;
        }
        if (library.status() != PluginLibrary::Status::Loaded) continue;
        if (std::optional<ProbedPlugin> probed = Probe(library, file)) {
            modules_.push_back(std::move(probed->module));
            controls_.listboxPlugins.push_back(std::move(probed->line));
            controls_.listboxPluginsChecked.push_back(false);
        }
    }
    Report(problems);
    listboxPluginsClick();
}

void PluginHost::LoadEnableFlags() {
    // The key is opened creating it, as the settings load does for every key it reads.
    platform::RegistryBatch missingKeys;
    for (const TDLLModule& module : modules_) {
        if (!registry_.KeyExists(platform::Hive::LocalMachine, PluginKeyPath(module.Name))) {
            missingKeys.CreateKey(PluginKeyPath(module.Name));
        }
    }
    if (!missingKeys.Empty()) registry_.Apply(platform::Hive::LocalMachine, missingKeys);

    controls_.listboxPluginsChecked.assign(modules_.size(), false);
    for (std::size_t i = 0; i < modules_.size(); ++i) {
        std::optional<std::uint32_t> activated = registry_.ReadDword(
            platform::Hive::LocalMachine, PluginKeyPath(modules_[i].Name), kActivated);
        controls_.listboxPluginsChecked[i] = activated.value_or(0) != 0;
    }
}

void PluginHost::SaveEnableFlags() {
    // One rewrite of the hive; plug-ins sharing a name share a value, the later one wins.
    platform::RegistryBatch flags;
    for (std::size_t i = 0; i < modules_.size(); ++i) {
        flags.WriteDword(PluginKeyPath(modules_[i].Name), kActivated, IsChecked(i) ? 1 : 0);
    }
    if (!flags.Empty()) registry_.Apply(platform::Hive::LocalMachine, flags);
}

void PluginHost::CallEnabledPlugins(PluginEntry entry, bool whiteListOn,
                                    const std::string& adapterAddress) {
    const bool turnOff = entry == PluginEntry::TurnWorldOff;
    const char* entryName = turnOff ? "TurnWorldOff" : "TurnWorldOn";
    // An unknown address: an empty text for TurnWorldOff, no text at all for TurnWorldOn.
    const char* address = adapterAddress.empty() && !turnOff ? nullptr : adapterAddress.c_str();
    const std::uint8_t whiteList = whiteListOn ? 1 : 0;

    std::vector<std::string> problems;
    for (std::size_t i = 0; i < modules_.size(); ++i) {
        if (!IsChecked(i)) continue;
        std::string problem = CallEntry<KorvaneSwitchFn>(
            programFolder_, modules_[i], entryName,
            [&](KorvaneSwitchFn turnWorld) { turnWorld(whiteList, address); });
        if (!problem.empty()) problems.push_back(std::move(problem));
    }
    Report(problems);
}

void PluginHost::listboxPluginsClick() {
    const TDLLModule* selected = SelectedModule();
    controls_.editPluginVersion = selected ? selected->Version : "";
    controls_.editPluginDateTime = selected ? selected->DateTime : "";
    controls_.editPluginAuthor = selected ? selected->Author : "";
    controls_.memoPluginDescription = selected ? selected->Description : "";
    controls_.btnPluginConfigEnabled = selected != nullptr;
    controls_.btnPluginHelpEnabled = selected != nullptr;
}

void PluginHost::btnPluginConfigClick() { CallCommand("Config"); }

void PluginHost::btnPluginHelpClick() { CallCommand("Help"); }

void PluginHost::CallCommand(const char* entryName) {
    const TDLLModule* selected = SelectedModule();
    if (!selected) return;
    std::string problem = CallEntry<KorvaneCommandFn>(programFolder_, *selected, entryName,
                                                      [](KorvaneCommandFn command) { command(); });
    if (!problem.empty()) Report({problem});
}

bool PluginHost::IsChecked(std::size_t index) const {
    return index < controls_.listboxPluginsChecked.size() && controls_.listboxPluginsChecked[index];
}

const TDLLModule* PluginHost::SelectedModule() const {
    int index = controls_.listboxPluginsItemIndex;
    if (index < 0 || static_cast<std::size_t>(index) >= modules_.size()) return nullptr;
    return &modules_[index];
}

void PluginHost::Report(const std::vector<std::string>& problems) {
    if (!problems.empty()) messages_.Error(Join(problems));
}

}  // namespace korvane::plugins
