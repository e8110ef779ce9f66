#pragma once
// What the wall needs of the plug-in host: tell every enabled plug-in of a switch.
#include <string>

namespace korvane::plugins {

enum class PluginEntry { TurnWorldOff, TurnWorldOn };

class PluginCaller {
  public:
    virtual ~PluginCaller() = default;
    // whiteListOn: the WhiteListOn mark; adapterAddress: the exchange adapter's IpAddress
    // (the host passes an empty text to TurnWorldOff and null to TurnWorldOn when it is empty).
    virtual void CallEnabledPlugins(PluginEntry entry, bool whiteListOn,
                                    const std::string& adapterAddress) = 0;
};

}  // namespace korvane::plugins
