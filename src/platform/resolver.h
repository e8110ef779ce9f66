#pragma once
// Host-name resolution: the first IPv4 address of a name, as dotted text.
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace korvane::platform {

class Resolver {
  public:
    virtual ~Resolver() = default;
    // The first IPv4 address of the name; a dotted-decimal address resolves to itself.
    virtual std::optional<std::string> FirstIPv4(const std::string& host) = 0;
};

// getaddrinfo, IPv4 only. Blocks the calling thread while the name is looked up.
class SystemResolver : public Resolver {
  public:
    std::optional<std::string> FirstIPv4(const std::string& host) override;
};

// Test double: answers from its table; a dotted-decimal address resolves to itself.
// Records every name it was asked for.
class FakeResolver : public Resolver {
  public:
    std::optional<std::string> FirstIPv4(const std::string& host) override;

    std::map<std::string, std::string> addresses;
    std::vector<std::string> asked;
};

}  // namespace korvane::platform
