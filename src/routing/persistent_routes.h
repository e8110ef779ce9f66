#pragma once
// Persistent static routes: values of the PersistentRoutes key in the machine hive, named
// "destination,mask,gateway,metric" with empty data. The wall never creates the key; when it
// is missing nothing is written, deleted or found. Registry failures are silent.
#include <memory>
#include <string>

namespace korvane::platform {
class Registry;
}

namespace korvane::routing {

inline constexpr char kPersistentRoutesKey[] =
    "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\PersistentRoutes";

// "10.1.0.0,255.255.0.0,10.0.0.1,1"
std::string PersistentRouteName(const std::string& destination, const std::string& mask,
                                const std::string& gateway, const std::string& metric);

class PersistentRoutes {
  public:
    explicit PersistentRoutes(platform::Registry& registry);
    ~PersistentRoutes();

    void WritePersistentRoute(const std::string& destination, const std::string& mask,
                              const std::string& gateway, const std::string& metric);
    void DeletePersistentRoute(const std::string& destination, const std::string& mask,
                               const std::string& gateway, const std::string& metric);
    bool IsPersistentRoute(const std::string& destination, const std::string& mask,
                           const std::string& gateway, const std::string& metric);

    // While a Batch lives, the key is read once, answers come from memory and the writes and
    // deletes are collected; the outermost Batch applies them in one rewrite of the hive.
    // Batches nest; wrap every operation that touches many routes in one.
    class Batch {
      public:
        explicit Batch(PersistentRoutes& routes);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

      private:
        PersistentRoutes& routes_;
    };

  private:
    struct Pending;
    void Begin();
    void Commit();

    platform::Registry& registry_;
    int depth_ = 0;
    std::unique_ptr<Pending> pending_;
};

}  // namespace korvane::routing
