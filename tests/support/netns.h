#pragma once
// Real-kernel tests run only inside a private network namespace of their own, never against
// the machine's routing table.
#include <string>

namespace korvane::test {

// Moves this process into a fresh network namespace (loopback up) the first time it is
// called; later calls only report. False, with the reason, where that is not possible.
bool EnterPrivateNetworkNamespace(std::string* why);

// True when this process is in a namespace other than that of PID 1.
bool InPrivateNetworkNamespace();

// Runs a shell command; returns its exit status and, when asked, its standard output.
int RunCommand(const std::string& command, std::string* output = nullptr);

}  // namespace korvane::test

// Skips the current test unless it runs in a private network namespace.
#define KORVANE_REQUIRE_PRIVATE_NETNS()                                            \
    do {                                                                           \
        std::string korvane_netns_why;                                             \
        if (!::korvane::test::EnterPrivateNetworkNamespace(&korvane_netns_why))    \
            GTEST_SKIP() << "no private network namespace: " << korvane_netns_why; \
    } while (0)
