#include "platform/registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>

#include "platform/atomic_file.h"
#include "platform/registry_hive.h"

namespace korvane::platform {
namespace {

[[noreturn]] void Fail(const std::string& what, const std::filesystem::path& file, int error) {
    throw RegistryError(what + " \"" + file.string() + "\": " + std::strerror(error));
}

bool SameTime(const timespec& a, const timespec& b) {
    return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

bool Later(const timespec& a, const timespec& b) {
    return a.tv_sec != b.tv_sec ? a.tv_sec > b.tv_sec : a.tv_nsec > b.tv_nsec;
}

// Which version of a hive file the cache holds. Every version we write gets a later mtime
// than the one it replaces, so the identity never repeats even when an inode is reused.
struct FileIdentity {
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};

    static FileIdentity Of(const struct stat& st) {
        return {true, st.st_dev, st.st_ino, st.st_size, st.st_mtim, st.st_ctim};
    }
    bool operator==(const FileIdentity& o) const {
        return exists == o.exists && device == o.device && inode == o.inode && size == o.size &&
               SameTime(modified, o.modified) && SameTime(changed, o.changed);
    }
};

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0) close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

struct CachedHive {
    bool loaded = false;
    FileIdentity identity;
    HiveContent content;
};

std::filesystem::path EnvironmentFolder(const char* variable) {
    const char* value = std::getenv(variable);
    return value && *value ? std::filesystem::path(value) : std::filesystem::path();
}

}  // namespace

const char* HiveName(Hive hive) {
    return hive == Hive::LocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

struct Registry::State {
    std::filesystem::path folders[2];
    std::mutex mutex;  // the caches below
    CachedHive hives[2];

    std::filesystem::path File(Hive hive) const {
        return folders[static_cast<int>(hive)] / (std::string(HiveName(hive)) + ".reg");
    }

    // The hive as its file holds it now; re-read only when the file changed.
    const HiveContent& Current(Hive hive) {
        CachedHive& cache = hives[static_cast<int>(hive)];
        const std::filesystem::path file = File(hive);
        struct stat st {};
        FileIdentity now;
        if (stat(file.c_str(), &st) == 0)
            now = FileIdentity::Of(st);
        else if (errno != ENOENT)
            Fail("Cannot read registry file", file, errno);
        if (cache.loaded && cache.identity == now) return cache.content;

        cache.loaded = false;
        if (!now.exists) {
            cache.content = HiveContent();
        } else {
            // Identity and bytes from one open file, so a rename in between cannot pair a
            // new identity with old content.
            FileDescriptor fd(open(file.c_str(), O_RDONLY | O_CLOEXEC));
            if (fd.get() < 0) Fail("Cannot open registry file", file, errno);
            if (fstat(fd.get(), &st) != 0) Fail("Cannot read registry file", file, errno);
            now = FileIdentity::Of(st);
            std::string text;
            try {
                text = ReadOpenFile(fd.get(), file);
            } catch (const FileError& e) {
                throw RegistryError(e.what());
            }
            cache.content = HiveContent::Parse(text, HiveName(hive), file);
        }
        cache.identity = now;
        cache.loaded = true;
        return cache.content;
    }

    // Applies `change` to the file's current content under the hive's lock and writes the
    // result back atomically when something changed. Returns what `change` returned.
    bool Modify(Hive hive, const std::function<bool(HiveContent&)>& change) {
        const std::filesystem::path file = File(hive);
        std::error_code error;
        std::filesystem::create_directories(file.parent_path(), error);
        if (error) Fail("Cannot create the folder of registry file", file, error.value());
        const std::filesystem::path lockFile = file.string() + ".lock";
        FileDescriptor lock(open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
        if (lock.get() < 0) Fail("Cannot open lock file", lockFile, errno);
        while (flock(lock.get(), LOCK_EX) != 0)
            if (errno != EINTR) Fail("Cannot lock", lockFile, errno);

        CachedHive& cache = hives[static_cast<int>(hive)];
        Current(hive);
        const FileIdentity before = cache.identity;
        bool changed;
        try {
            changed = change(cache.content);
            if (changed) WriteFileAtomically(file, cache.content.Serialize(HiveName(hive)));
        } catch (const FileError& e) {
            cache.loaded = false;
            throw RegistryError(e.what());
        } catch (...) {
            cache.loaded = false;  // the content may be half-changed; the file is not
            throw;
        }
        if (changed) Remember(cache, file, before);
        return changed;
    }

    // Records the identity of the version just written, after making its mtime later than
    // that of the version it replaced (timestamps are coarse; inodes get reused).
    static void Remember(CachedHive& cache, const std::filesystem::path& file,
                         const FileIdentity& before) {
        struct stat st {};
        if (stat(file.c_str(), &st) == 0 && before.exists && !Later(st.st_mtim, before.modified)) {
            timespec times[2] = {{0, UTIME_OMIT}, before.modified};
            if (++times[1].tv_nsec == 1000000000) {
                times[1].tv_nsec = 0;
                ++times[1].tv_sec;
            }
            utimensat(AT_FDCWD, file.c_str(), times, 0);
        }
        if (stat(file.c_str(), &st) != 0) {
            cache.loaded = false;
            return;
        }
        cache.identity = FileIdentity::Of(st);
    }
};

void RegistryBatch::CreateKey(const std::string& keyPath) {
    changes_.push_back({Change::Kind::CreateKey, keyPath, {}, {}});
}
void RegistryBatch::WriteString(const std::string& keyPath, const std::string& name,
                                const std::string& value) {
    changes_.push_back({Change::Kind::Write, keyPath, name, value});
}
void RegistryBatch::WriteDword(const std::string& keyPath, const std::string& name,
                               std::uint32_t value) {
    changes_.push_back({Change::Kind::Write, keyPath, name, value});
}
void RegistryBatch::DeleteValue(const std::string& keyPath, const std::string& name) {
    changes_.push_back({Change::Kind::DeleteValue, keyPath, name, {}});
}
void RegistryBatch::DeleteKeyTree(const std::string& keyPath) {
    changes_.push_back({Change::Kind::DeleteKeyTree, keyPath, {}, {}});
}

Registry::Registry(const std::filesystem::path& folder) : Registry(folder, folder) {}

Registry::Registry(const std::filesystem::path& machineFolder,
                   const std::filesystem::path& userFolder)
    : state_(std::make_unique<State>()) {
    state_->folders[static_cast<int>(Hive::LocalMachine)] = machineFolder;
    state_->folders[static_cast<int>(Hive::CurrentUser)] = userFolder;
}

Registry Registry::FromEnvironment() {
    const std::filesystem::path shared = EnvironmentFolder("KORVANE_REGISTRY_DIR");
    if (!shared.empty()) return Registry(shared);
    std::filesystem::path config = EnvironmentFolder("XDG_CONFIG_HOME");
    if (config.empty()) config = EnvironmentFolder("HOME") / ".config";
    return Registry("/var/lib/korvane", config / "korvane");
}

Registry::~Registry() = default;
Registry::Registry(Registry&&) noexcept = default;
Registry& Registry::operator=(Registry&&) noexcept = default;

std::filesystem::path Registry::HiveFile(Hive hive) const { return state_->File(hive); }

bool Registry::KeyExists(Hive hive, const std::string& keyPath) const {
    std::lock_guard guard(state_->mutex);
    return state_->Current(hive).KeyExists(keyPath);
}

bool Registry::ValueExists(Hive hive, const std::string& keyPath, const std::string& name) const {
    std::lock_guard guard(state_->mutex);
    return state_->Current(hive).FindValue(keyPath, name) != nullptr;
}

std::optional<RegistryValue> Registry::ReadValue(Hive hive, const std::string& keyPath,
                                                 const std::string& name) const {
    std::lock_guard guard(state_->mutex);
    const RegistryValue* value = state_->Current(hive).FindValue(keyPath, name);
    if (!value) return std::nullopt;
    return *value;
}

std::optional<std::string> Registry::ReadString(Hive hive, const std::string& keyPath,
                                                const std::string& name) const {
    std::optional<RegistryValue> value = ReadValue(hive, keyPath, name);
    if (!value || !std::holds_alternative<std::string>(*value)) return std::nullopt;
    return std::get<std::string>(std::move(*value));
}

std::optional<std::uint32_t> Registry::ReadDword(Hive hive, const std::string& keyPath,
                                                 const std::string& name) const {
    std::optional<RegistryValue> value = ReadValue(hive, keyPath, name);
    if (!value || !std::holds_alternative<std::uint32_t>(*value)) return std::nullopt;
    return std::get<std::uint32_t>(*value);
}

std::vector<std::string> Registry::ValueNames(Hive hive, const std::string& keyPath) const {
    std::lock_guard guard(state_->mutex);
    return state_->Current(hive).ValueNames(keyPath);
}

std::vector<std::string> Registry::SubkeyNames(Hive hive, const std::string& keyPath) const {
    std::lock_guard guard(state_->mutex);
    return state_->Current(hive).SubkeyNames(keyPath);
}

void Registry::CreateKey(Hive hive, const std::string& keyPath) {
    std::lock_guard guard(state_->mutex);
    state_->Modify(hive, [&](HiveContent& content) { return content.CreateKey(keyPath); });
}

void Registry::WriteString(Hive hive, const std::string& keyPath, const std::string& name,
                           const std::string& value) {
    std::lock_guard guard(state_->mutex);
    state_->Modify(hive, [&](HiveContent& c) { return c.WriteValue(keyPath, name, value); });
}

void Registry::WriteDword(Hive hive, const std::string& keyPath, const std::string& name,
                          std::uint32_t value) {
    std::lock_guard guard(state_->mutex);
    state_->Modify(hive, [&](HiveContent& c) { return c.WriteValue(keyPath, name, value); });
}

bool Registry::DeleteValue(Hive hive, const std::string& keyPath, const std::string& name) {
    std::lock_guard guard(state_->mutex);
    return state_->Modify(hive, [&](HiveContent& c) { return c.DeleteValue(keyPath, name); });
}

bool Registry::DeleteKeyTree(Hive hive, const std::string& keyPath) {
    std::lock_guard guard(state_->mutex);
    return state_->Modify(hive, [&](HiveContent& c) { return c.DeleteKeyTree(keyPath); });
}

void Registry::Apply(Hive hive, const RegistryBatch& batch) {
    if (batch.Empty()) return;
    std::lock_guard guard(state_->mutex);
    state_->Modify(hive, [&](HiveContent& content) {
        bool changed = false;
        for (const RegistryBatch::Change& change : batch.Changes())
            changed = content.Apply(change) || changed;
        return changed;
    });
}

std::optional<RegistryKey> RegistryKey::Open(Registry& registry, Hive hive,
                                             const std::string& keyPath, bool canCreate) {
    if (canCreate)
        registry.CreateKey(hive, keyPath);
    else if (!registry.KeyExists(hive, keyPath))
        return std::nullopt;
    return RegistryKey(registry, hive, keyPath);
}

}  // namespace korvane::platform
