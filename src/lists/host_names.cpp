#include "lists/host_names.h"

namespace korvane::lists {

std::string HostFromURL(std::string_view text) {
    for (std::string_view scheme : {"http://", "https://", "ftp://"}) {
        if (text.starts_with(scheme)) {
            text.remove_prefix(scheme.size());
            break;
        }
    }
    text = text.substr(0, text.find('/'));
    text = text.substr(0, text.find(':'));
    return std::string(text);
}

ResolvedHost ResolveHost(platform::Resolver& resolver, const std::string& host) {
    if (host.size() > kMaxHostNameLength) return {ResolveStatus::NameTooLong, {}};
    if (auto address = resolver.FirstIPv4(host)) return {ResolveStatus::Found, *address};
    return {ResolveStatus::NotFound, {}};
}

}  // namespace korvane::lists
