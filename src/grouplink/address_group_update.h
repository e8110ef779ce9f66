#pragma once
// The work of every switch: the host's subnet list into one address group of a TMeter filter
// set, the filter set replaced, and a ".reload" copy beside it that makes TMeter reload it.
#include <string>

#include "platform/messages.h"

namespace korvane::grouplink {

struct AddressGroupTarget {
    std::string pluginFolder;   // with its trailing "/"; the list is Lists/tarvel-list.lst in it
    std::string filterSetName;  // OutIPListFName; a relative name lies in the plug-in folder
    std::string groupName;      // IPAddressGroup
    std::string charset;        // the "ANSI" charset of the model and the settings
    std::string caption;        // of the message boxes: the plug-in's name
};

// 1 when the filter set and the reload file have been written; 0 after a failure, which has
// then been shown in exactly one message. The filter set is only ever replaced whole.
int UpdateAddressGroup(const AddressGroupTarget& target, platform::Messages& messages);

// The filter set's folder, its file name without extension, then ".reload".
std::string ReloadFileName(const std::string& filterSetName);

}  // namespace korvane::grouplink
