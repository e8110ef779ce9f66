#include "plugins/plugin_library.h"

#include <dlfcn.h>

#include "plugins/library_trust.h"

namespace korvane::plugins {

PluginLibrary::PluginLibrary(const std::filesystem::path& folder, const std::string& fileName) {
    error_ = LibraryDistrustReason(folder, fileName);
    if (!error_.empty()) {
        status_ = Status::Untrusted;
        return;
    }
    handle_ = dlopen((folder / fileName).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) {
        const char* message = dlerror();
        error_ = message ? message : "неизвестная ошибка загрузчика";
        return;
    }
    status_ = Status::Loaded;
}

PluginLibrary::~PluginLibrary() {
    if (handle_) dlclose(handle_);
}

void* PluginLibrary::Symbol(const char* name) const {
    return handle_ ? dlsym(handle_, name) : nullptr;
}

}  // namespace korvane::plugins
