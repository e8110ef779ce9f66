#pragma once
// The folder of the program's lock file and control socket.
#include <filesystem>

namespace korvane::platform {

// $KORVANE_RUNTIME_DIR; else /run/korvane for root; else $XDG_RUNTIME_DIR/korvane; else
// /tmp/korvane-<uid>.
std::filesystem::path RuntimeFolder();

// Creates the folder (and its parents) when missing; throws std::system_error naming it.
void EnsureRuntimeFolder(const std::filesystem::path& folder);

}  // namespace korvane::platform
