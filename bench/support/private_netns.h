#pragma once
// Benchmarks that change routes run in a network namespace of their own, made before anything
// else; they never touch this machine's routing table.
#include <sched.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <benchmark/benchmark.h>

namespace korvane::bench {

inline ino_t NetworkNamespace() {
    struct stat st {};
    return stat("/proc/self/ns/net", &st) == 0 ? st.st_ino : 0;
}

// Enters a fresh network namespace, or ends the program: never this machine's table.
inline void EnterPrivateNetworkNamespaceOrExit() {
    const ino_t before = NetworkNamespace();
    if (unshare(CLONE_NEWNET) != 0 || before == 0 || NetworkNamespace() == before) {
        std::fprintf(stderr, "cannot make a private network namespace: %s\n", std::strerror(errno));
        std::exit(1);
    }
}

// Runs a command quietly; a failure ends the benchmark, as its figures would mean nothing.
inline void Shell(const std::string& command) {
    if (std::system((command + " >/dev/null 2>&1").c_str()) != 0) {
        std::fprintf(stderr, "failed: %s\n", command.c_str());
        std::exit(1);
    }
}

// main() of a routing benchmark: the namespace first, then one rig shared by its benchmarks.
template <typename Rig>
int RunWithRigInPrivateNamespace(int argc, char** argv, Rig*& rig) {
    EnterPrivateNetworkNamespaceOrExit();
    benchmark::Initialize(&argc, argv);
    Rig theRig;
    rig = &theRig;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

}  // namespace korvane::bench
