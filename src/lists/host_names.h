#pragma once
// From a typed URL to a host and from a host to its first IPv4 address.
#include <string>
#include <string_view>

#include "platform/resolver.h"

namespace korvane::lists {

// Drops a leading "http://", "https://" or "ftp://" (case-sensitive), then everything from the
// first "/" and then from the first ":". "http://10.1.2.3:8080/x" gives "10.1.2.3".
std::string HostFromURL(std::string_view text);

inline constexpr std::size_t kMaxHostNameLength = 255;

enum class ResolveStatus { Found, NotFound, NameTooLong };

struct ResolvedHost {
    ResolveStatus status = ResolveStatus::NotFound;
    std::string address;  // dotted text; empty unless found
    bool found() const { return status == ResolveStatus::Found; }
};

// A name longer than 255 characters is refused without asking the resolver.
ResolvedHost ResolveHost(platform::Resolver& resolver, const std::string& host);

}  // namespace korvane::lists
