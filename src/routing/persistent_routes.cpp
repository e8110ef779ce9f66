#include "routing/persistent_routes.h"

#include <algorithm>
#include <cctype>
#include <unordered_set>

#include "platform/registry.h"

namespace korvane::routing {
namespace {

using platform::Hive;
using platform::RegistryError;

// Value names are case-insensitive.
std::string Folded(std::string name) {
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name;
}

}  // namespace

std::string PersistentRouteName(const std::string& destination, const std::string& mask,
                                const std::string& gateway, const std::string& metric) {
    return destination + "," + mask + "," + gateway + "," + metric;
}

// The key as the open batch will leave it.
struct PersistentRoutes::Pending {
    bool keyExists = false;
    std::unordered_set<std::string> names;  // folded
    platform::RegistryBatch changes;
};

PersistentRoutes::PersistentRoutes(platform::Registry& registry) : registry_(registry) {}
PersistentRoutes::~PersistentRoutes() = default;

void PersistentRoutes::Begin() {
    if (depth_++ > 0) return;
    pending_ = std::make_unique<Pending>();
    try {
        pending_->keyExists = registry_.KeyExists(Hive::LocalMachine, kPersistentRoutesKey);
        if (pending_->keyExists)
            for (const auto& name : registry_.ValueNames(Hive::LocalMachine, kPersistentRoutesKey))
                pending_->names.insert(Folded(name));
    } catch (const RegistryError&) {
        pending_->keyExists = false;
    }
}

void PersistentRoutes::Commit() {
    if (--depth_ > 0) return;
    std::unique_ptr<Pending> pending = std::move(pending_);
    if (pending->changes.Empty()) return;
    try {
        registry_.Apply(Hive::LocalMachine, pending->changes);
    } catch (const RegistryError&) {
    }
}

PersistentRoutes::Batch::Batch(PersistentRoutes& routes) : routes_(routes) { routes_.Begin(); }
PersistentRoutes::Batch::~Batch() { routes_.Commit(); }

void PersistentRoutes::WritePersistentRoute(const std::string& destination, const std::string& mask,
                                            const std::string& gateway, const std::string& metric) {
    const std::string name = PersistentRouteName(destination, mask, gateway, metric);
    if (pending_) {
        if (!pending_->keyExists) return;
        // Writing over an existing value leaves exactly one value with empty data.
        pending_->changes.WriteString(kPersistentRoutesKey, name, "");
        pending_->names.insert(Folded(name));
        return;
    }
    try {
        if (registry_.KeyExists(Hive::LocalMachine, kPersistentRoutesKey))
            registry_.WriteString(Hive::LocalMachine, kPersistentRoutesKey, name, "");
    } catch (const RegistryError&) {
    }
}

void PersistentRoutes::DeletePersistentRoute(const std::string& destination,
                                             const std::string& mask, const std::string& gateway,
                                             const std::string& metric) {
    const std::string name = PersistentRouteName(destination, mask, gateway, metric);
    if (pending_) {
        if (pending_->keyExists && pending_->names.erase(Folded(name)))
            pending_->changes.DeleteValue(kPersistentRoutesKey, name);
        return;
    }
    try {
        if (registry_.ValueExists(Hive::LocalMachine, kPersistentRoutesKey, name))
            registry_.DeleteValue(Hive::LocalMachine, kPersistentRoutesKey, name);
    } catch (const RegistryError&) {
    }
}

bool PersistentRoutes::IsPersistentRoute(const std::string& destination, const std::string& mask,
                                         const std::string& gateway, const std::string& metric) {
    const std::string name = PersistentRouteName(destination, mask, gateway, metric);
    if (pending_) return pending_->keyExists && pending_->names.contains(Folded(name));
    try {
        return registry_.ValueExists(Hive::LocalMachine, kPersistentRoutesKey, name);
    } catch (const RegistryError&) {
        return false;
    }
}

}  // namespace korvane::routing
