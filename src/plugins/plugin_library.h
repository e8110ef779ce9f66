#pragma once
// One use of a plug-in library: loaded (after the trust check) when made, freed when destroyed,
// so every path out of a plug-in call frees what was loaded.
#include <filesystem>
#include <string>

namespace korvane::plugins {

class PluginLibrary {
  public:
    enum class Status { Loaded, Untrusted, NotLoadable };

    // Loads folder/fileName with RTLD_NOW | RTLD_LOCAL when LibraryDistrustReason allows it.
    PluginLibrary(const std::filesystem::path& folder, const std::string& fileName);
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    Status status() const { return status_; }
    // Why the library is not loaded: the trust verdict or the loader's message.
    const std::string& error() const { return error_; }

    // The exported entry point cast to Fn, or null when the library lacks it (or is not loaded).
    template <typename Fn>
    Fn Entry(const char* name) const {
        return reinterpret_cast<Fn>(Symbol(name));
    }

  private:
    void* Symbol(const char* name) const;

    void* handle_ = nullptr;
    Status status_ = Status::NotLoadable;
    std::string error_;
};

}  // namespace korvane::plugins
