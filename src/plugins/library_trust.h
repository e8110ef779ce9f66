#pragma once
// The program may change routes, so it runs plug-in code only from places no other user can
// write to: the folder and the library file must be owned by root or by the running user,
// writable by neither group nor others, and the library must be a plain file (no symlink
// leading elsewhere). Since no one else can write to the folder, no one else can swap the
// file between this check and loading it.
#include <filesystem>
#include <string>

namespace korvane::plugins {

// Empty when the folder may hold loadable plug-ins; otherwise why not (a Russian phrase).
std::string FolderDistrustReason(const std::filesystem::path& folder);

// Empty when folder/fileName may be loaded; otherwise why not. Checks the folder too.
std::string LibraryDistrustReason(const std::filesystem::path& folder, const std::string& fileName);

}  // namespace korvane::plugins
