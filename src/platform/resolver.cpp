#include "platform/resolver.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace korvane::platform {

std::optional<std::string> SystemResolver::FirstIPv4(const std::string& host) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found) return std::nullopt;
    std::optional<std::string> address;
    for (const addrinfo* entry = found; entry; entry = entry->ai_next) {
        if (entry->ai_family != AF_INET || !entry->ai_addr) continue;
        char text[INET_ADDRSTRLEN] = {};
        const auto* ipv4 = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
        if (inet_ntop(AF_INET, &ipv4->sin_addr, text, sizeof text)) {
            address = text;
            break;
        }
    }
    freeaddrinfo(found);
    return address;
}

std::optional<std::string> FakeResolver::FirstIPv4(const std::string& host) {
    asked.push_back(host);
    if (auto it = addresses.find(host); it != addresses.end()) return it->second;
    in_addr numeric{};
    char text[INET_ADDRSTRLEN] = {};
    if (inet_pton(AF_INET, host.c_str(), &numeric) == 1 &&
        inet_ntop(AF_INET, &numeric, text, sizeof text)) {
        return std::string(text);
    }
    return std::nullopt;
}

}  // namespace korvane::platform
