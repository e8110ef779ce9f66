#pragma once
// The plug-in host: finds the plug-ins of the program folder, keeps their enable flags and calls
// them. The check marks and the page's detail fields live in core::Controls (the working copy
// of the settings); the host keeps the plug-in list, whose index i is line i of the page.
//
// Every use of a plug-in loads its library and frees it again (PluginLibrary). Problems the user
// must know of are shown through Messages, one box per operation:
// - at the scan, libraries skipped because the folder or the file could be written by other
//   users (or the file is a symlink or not a plain file); libraries that do not load or are not
//   plug-ins are skipped silently;
// - at a call, a plug-in that is skipped (untrusted by now, no longer loadable, entry point
//   missing) or whose call ends in an exception; the other plug-ins are still called.
// Registry failures (platform::RegistryError) reach the caller of the flag load and save.
#include <filesystem>
#include <string>
#include <vector>

#include "core/controls.h"
#include "platform/messages.h"
#include "platform/registry.h"
#include "plugins/plugin_caller.h"

namespace korvane::plugins {

// One accepted plug-in library; texts copied from its description entry points.
struct TDLLModule {
    std::string Name;
    std::string FileName;  // without folder
    std::string Version;
    std::string DateTime;
    std::string Author;
    std::string Description;
};

using TDLLModuleList = std::vector<TDLLModule>;

// HKEY_LOCAL_MACHINE key of a plug-in's enable flag (and of its own settings).
std::string PluginKeyPath(const std::string& pluginName);

class PluginHost final : public PluginCaller {
  public:
    // programFolder: the folder of the running program, where the plug-ins are.
    PluginHost(std::filesystem::path programFolder, platform::Registry& registry,
               platform::Messages& messages, core::Controls& controls);

    // Fills the plug-in list from every *.so of the program folder, in name order; every line
    // unchecked, none selected.
    void ScanPlugins();
    // Check marks from (and to) the value "Activated" of each plug-in's key.
    void LoadEnableFlags();
    void SaveEnableFlags();

    void CallEnabledPlugins(PluginEntry entry, bool whiteListOn,
                            const std::string& adapterAddress) override;

    // The selected line's details into the page's fields, buttons enabled; all empty and
    // disabled when no line is selected.
    void listboxPluginsClick();
    // Config / Help of the selected plug-in; nothing when no line is selected.
    void btnPluginConfigClick();
    void btnPluginHelpClick();

    const TDLLModuleList& Modules() const { return modules_; }
    const std::filesystem::path& ProgramFolder() const { return programFolder_; }

  private:
    bool IsChecked(std::size_t index) const;
    const TDLLModule* SelectedModule() const;
    void CallCommand(const char* entryName);
    void Report(const std::vector<std::string>& problems);

    std::filesystem::path programFolder_;
    platform::Registry& registry_;
    platform::Messages& messages_;
    core::Controls& controls_;
    TDLLModuleList modules_;
};

}  // namespace korvane::plugins
