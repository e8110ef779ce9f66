#include "support/netns.h"

#include <sched.h>
#include <sys/stat.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace korvane::test {
namespace {

ino_t NamespaceInode(const char* path) {
    struct stat st {};
    return stat(path, &st) == 0 ? st.st_ino : 0;
}

// The namespace this process made for itself; 0 before it made one.
ino_t ownNamespace = 0;

}  // namespace

bool InPrivateNetworkNamespace() {
    const ino_t mine = NamespaceInode("/proc/self/ns/net");
    const ino_t init = NamespaceInode("/proc/1/ns/net");
    // PID 1's namespace may be hidden from us (another user's process, a container's init);
    // then only a namespace we made ourselves counts.
    if (init == 0) return mine != 0 && mine == ownNamespace;
    return mine != 0 && mine != init;
}

bool EnterPrivateNetworkNamespace(std::string* why) {
    static bool entered = false;
    static std::string failure;
    if (!entered && failure.empty()) {
        const ino_t before = NamespaceInode("/proc/self/ns/net");
        const bool unshared = unshare(CLONE_NEWNET) == 0;
        if (unshared) ownNamespace = NamespaceInode("/proc/self/ns/net");
        if (!unshared) {
            failure = std::string("unshare(CLONE_NEWNET): ") + std::strerror(errno);
        } else if (before == 0 || ownNamespace == before || !InPrivateNetworkNamespace()) {
            failure = "namespace did not change";
        } else if (RunCommand("ip link set lo up") != 0) {
            failure = "ip link set lo up failed (is iproute2 installed?)";
        } else {
            entered = true;
        }
    }
    if (!entered && why) *why = failure;
    return entered;
}

int RunCommand(const std::string& command, std::string* output) {
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return -1;
    std::array<char, 4096> buffer;
    std::string text;
    std::size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) text.append(buffer.data(), n);
    const int status = pclose(pipe);
    if (output) *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace korvane::test
