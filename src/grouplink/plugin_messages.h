#pragma once
// The plug-in's message boxes: Qt boxes inside a Qt Widgets program, standard error in any
// other host (a command-line host has no display to show them on).
#include "platform/messages.h"

namespace korvane::grouplink {

// True when the process runs a QApplication and this is its thread.
bool HasDisplay();

class PluginMessages : public platform::Messages {
  public:
    platform::MessageAnswer Show(const platform::Message& message) override;
};

}  // namespace korvane::grouplink
