#include "platform/runtime_folder.h"

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <system_error>

namespace korvane::platform {

namespace {

const char* NonEmptyEnv(const char* name) {
    const char* value = std::getenv(name);
    return value && *value ? value : nullptr;
}

}  // namespace

std::filesystem::path RuntimeFolder() {
    if (const char* folder = NonEmptyEnv("KORVANE_RUNTIME_DIR")) return folder;
    if (geteuid() == 0) return "/run/korvane";
    if (const char* xdg = NonEmptyEnv("XDG_RUNTIME_DIR"))
        return std::filesystem::path(xdg) / "korvane";
    return "/tmp/korvane-" + std::to_string(getuid());
}

void EnsureRuntimeFolder(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) throw std::system_error(error, "cannot create the folder " + folder.string());
}

}  // namespace korvane::platform
