#pragma once
// A whole core over the sim network of the wall tests, a registry and program folder of its
// own, scripted messages, a recording tray and shell, manual timers and a hand-finished HTTP
// component. Make() builds a core; Start() builds and starts one, as the program's start does.
#include <memory>
#include <string>

#include "core/korvane_core.h"
#include "platform/iphelper_sim.h"
#include "platform/registry.h"
#include "platform/resolver.h"
#include "support/list_fakes.h"
#include "support/temp_dir.h"

namespace korvane::test {

inline constexpr char kCoreSimNetwork[] = R"(
adapter 2 eth0 10.20.30.40 255.255.255.0 gateway 10.20.30.1 description Exchange
adapter 3 eth1 192.168.5.10 255.255.255.0 gateway 192.168.5.1 description Second
route 0.0.0.0 0.0.0.0 10.20.30.1 2 metric 2
)";

class CoreRig {
  public:
    explicit CoreRig(const char* network = kCoreSimNetwork) : ipHelper(network) {
        std::filesystem::create_directories(dir / "program/Lists");
    }

    core::KorvaneCore& Make() {
        core.reset();
        http = nullptr;
        core = std::make_unique<core::KorvaneCore>(
            core::CorePlatform{ipHelper, registry, messages, tray, shell, refreshTimer, renewTimer,
                               balloonTimer, clock,
                               [this] {
                                   auto made = std::make_unique<FakeHttpGet>();
                                   http = made.get();
                                   return made;
                               },
                               resolver, dir.path() / "program/", dir.path() / "program/korvane",
                               serviceMode, autostartEntry});
        return *core;
    }
    // True when the program goes on running.
    bool Start() { return Make().Start(); }

    // Lists/tarvel-list.lst, read at start.
    void WriteSubnetList() { dir.Write("program/Lists/tarvel-list.lst", "10.50.0.0/16\r\n"); }

    // The settings key.
    std::optional<platform::RegistryValue> Value(const std::string& name) {
        return registry.ReadValue(platform::Hive::LocalMachine, core::kSettingsKey, name);
    }
    void Put(const std::string& name, const std::string& text) {
        registry.WriteString(platform::Hive::LocalMachine, core::kSettingsKey, name, text);
    }
    void Put(const std::string& name, std::uint32_t number) {
        registry.WriteDword(platform::Hive::LocalMachine, core::kSettingsKey, name, number);
    }
    std::vector<std::string> MessageTexts() const {
        std::vector<std::string> texts;
        for (const auto& message : messages.shown) texts.push_back(message.text);
        return texts;
    }
    bool Activated() const { return tray.Checked(routing::TrayMenuItem::Activate); }

    TempDir dir;
    platform::SimIpHelper ipHelper;
    platform::Registry registry{dir.path() / "registry"};
    platform::ScriptedMessages messages;
    routing::RecordingTrayView tray;
    core::RecordingShellView shell;
    platform::ManualTimer refreshTimer, renewTimer, balloonTimer;
    platform::ManualClock clock{LocalTime(2026, 3, 2, 12, 0, 0)};
    platform::FakeResolver resolver;
    bool serviceMode = false;
    std::filesystem::path autostartEntry;  // empty: the Run value
    FakeHttpGet* http = nullptr;
    std::unique_ptr<core::KorvaneCore> core;
};

}  // namespace korvane::test
