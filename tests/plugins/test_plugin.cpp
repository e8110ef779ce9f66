// A plug-in for the host test; its name and its faults are chosen at build time:
// TEST_PLUGIN_NAME, and optionally TEST_PLUGIN_NULL_NAME (GetName returns NULL),
// TEST_PLUGIN_WITHOUT_GET_AUTHOR, TEST_PLUGIN_WITHOUT_TURN_WORLD_ON,
// TEST_PLUGIN_WITHOUT_COMMANDS (no Config, no Help), TEST_PLUGIN_THROWS (calls throw).
#include <stdexcept>

#include "plugins/korvane_plugin.h"
#include "test_library_log.h"

namespace {

#ifndef TEST_PLUGIN_WITHOUT_COMMANDS
int32_t Command(const char* entry) {
    Record("%s", entry);
#ifdef TEST_PLUGIN_THROWS
    throw std::runtime_error("plug-in failure");
#endif
    return 1;
}
#endif

int32_t Switch(const char* entry, uint8_t whiteListOn, const char* adapterAddress) {
    if (adapterAddress) {
        Record("%s %d [%s]", entry, whiteListOn, adapterAddress);
    } else {
        Record("%s %d null", entry, whiteListOn);
    }
#ifdef TEST_PLUGIN_THROWS
    throw std::runtime_error("plug-in failure");
#endif
    return 1;
}

}  // namespace

extern "C" {

const char* GetName(void) {
#ifdef TEST_PLUGIN_NULL_NAME
    return nullptr;
#else
    return TEST_PLUGIN_NAME;
#endif
}
const char* GetDescription(void) { return "Description of " TEST_PLUGIN_NAME; }
const char* GetDateTime(void) { return "Dec 11 2026 04:00:00"; }
const char* GetVersion(void) { return "1.0 " TEST_PLUGIN_NAME; }
#ifndef TEST_PLUGIN_WITHOUT_GET_AUTHOR
const char* GetAuthor(void) { return "Author of " TEST_PLUGIN_NAME; }
#endif

#ifndef TEST_PLUGIN_WITHOUT_COMMANDS
int32_t Config(void) { return Command("Config"); }
int32_t Help(void) { return Command("Help"); }
#endif

int32_t TurnWorldOff(uint8_t whiteListOn, const char* adapterAddress) {
    return Switch("TurnWorldOff", whiteListOn, adapterAddress);
}
#ifndef TEST_PLUGIN_WITHOUT_TURN_WORLD_ON
int32_t TurnWorldOn(uint8_t whiteListOn, const char* adapterAddress) {
    return Switch("TurnWorldOn", whiteListOn, adapterAddress);
}
#endif

}  // extern "C"
