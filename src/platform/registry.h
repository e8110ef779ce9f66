#pragma once
// The registry substitute: hives HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER kept as REGEDIT4
// text files. Key paths and value names are case-insensitive. Every change is applied to the
// file's current content under an flock and written atomically, so writers in other processes
// (the plug-in library, a second program) are never lost. Reads are served from memory and
// re-read only when the file changed.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace korvane::platform {

enum class Hive { LocalMachine, CurrentUser };

// "HKEY_LOCAL_MACHINE" / "HKEY_CURRENT_USER": also the hive file's base name.
const char* HiveName(Hive hive);

// A hive file that cannot be read, parsed or written; the text names the file (and line).
class RegistryError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

using RegistryValue = std::variant<std::string, std::uint32_t>;  // REG_SZ or REG_DWORD

// A set of changes to one hive, applied in one locked rewrite of its file.
class RegistryBatch {
  public:
    void CreateKey(const std::string& keyPath);
    void WriteString(const std::string& keyPath, const std::string& name, const std::string& value);
    void WriteDword(const std::string& keyPath, const std::string& name, std::uint32_t value);
    void DeleteValue(const std::string& keyPath, const std::string& name);
    void DeleteKeyTree(const std::string& keyPath);
    bool Empty() const { return changes_.empty(); }

    struct Change {
        enum class Kind { CreateKey, Write, DeleteValue, DeleteKeyTree } kind;
        std::string keyPath;
        std::string name;
        RegistryValue value;
    };
    const std::vector<Change>& Changes() const { return changes_; }

  private:
    std::vector<Change> changes_;
};

class Registry {
  public:
    // Both hive files in one folder.
    explicit Registry(const std::filesystem::path& folder);
    Registry(const std::filesystem::path& machineFolder, const std::filesystem::path& userFolder);
    // $KORVANE_REGISTRY_DIR for both hives; else /var/lib/korvane for the machine hive and
    // $XDG_CONFIG_HOME/korvane (~/.config/korvane) for the user hive.
    static Registry FromEnvironment();
    ~Registry();
    Registry(Registry&&) noexcept;
    Registry& operator=(Registry&&) noexcept;

    std::filesystem::path HiveFile(Hive hive) const;

    // Reads. A missing hive file is an empty hive.
    bool KeyExists(Hive hive, const std::string& keyPath) const;
    bool ValueExists(Hive hive, const std::string& keyPath, const std::string& name) const;
    std::optional<RegistryValue> ReadValue(Hive hive, const std::string& keyPath,
                                           const std::string& name) const;
    // Empty when missing or of the other type.
    std::optional<std::string> ReadString(Hive hive, const std::string& keyPath,
                                          const std::string& name) const;
    std::optional<std::uint32_t> ReadDword(Hive hive, const std::string& keyPath,
                                           const std::string& name) const;
    std::vector<std::string> ValueNames(Hive hive, const std::string& keyPath) const;
    std::vector<std::string> SubkeyNames(Hive hive, const std::string& keyPath) const;

    // Writes; each is one locked rewrite. Writing a value creates its key.
    void CreateKey(Hive hive, const std::string& keyPath);
    void WriteString(Hive hive, const std::string& keyPath, const std::string& name,
                     const std::string& value);
    void WriteDword(Hive hive, const std::string& keyPath, const std::string& name,
                    std::uint32_t value);
    bool DeleteValue(Hive hive, const std::string& keyPath, const std::string& name);
    bool DeleteKeyTree(Hive hive, const std::string& keyPath);
    void Apply(Hive hive, const RegistryBatch& batch);

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// An open key, as TRegistry hands it out: opened with or without creating it.
class RegistryKey {
  public:
    // Empty when the key does not exist and canCreate is false. Throws RegistryError when the
    // hive file cannot be read, parsed or written.
    static std::optional<RegistryKey> Open(Registry& registry, Hive hive,
                                           const std::string& keyPath, bool canCreate);

    const std::string& Path() const { return path_; }
    bool ValueExists(const std::string& name) const {
        return registry_->ValueExists(hive_, path_, name);
    }
    std::optional<std::string> ReadString(const std::string& name) const {
        return registry_->ReadString(hive_, path_, name);
    }
    std::optional<std::uint32_t> ReadDword(const std::string& name) const {
        return registry_->ReadDword(hive_, path_, name);
    }
    void WriteString(const std::string& name, const std::string& value) {
        registry_->WriteString(hive_, path_, name, value);
    }
    void WriteDword(const std::string& name, std::uint32_t value) {
        registry_->WriteDword(hive_, path_, name, value);
    }
    bool DeleteValue(const std::string& name) { return registry_->DeleteValue(hive_, path_, name); }

  private:
    RegistryKey(Registry& registry, Hive hive, std::string path)
        : registry_(&registry), hive_(hive), path_(std::move(path)) {}
    Registry* registry_;
    Hive hive_;
    std::string path_;
};

}  // namespace korvane::platform
