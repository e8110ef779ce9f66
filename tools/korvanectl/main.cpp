// korvanectl: asks the running Korvane to switch the wall or tell its state, and prints the
// answer line ("27981 0", "27992 3", ...).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/control_socket.h"
#include "platform/instance.h"
#include "platform/runtime_folder.h"

namespace {

struct Command {
    std::string_view name;
    std::string_view request;
    std::string_view help;
};

constexpr Command kCommands[] = {
    {"activate", "27971", "switch the wall on"},
    {"deactivate", "27972", "switch the wall off (the program may ask for its password)"},
    {"state", "27991", "print the state bits: 1 on, 2 white list, 4 activation impossible"},
    {"intra", "27995", "switch to the intra-segment list and activate"},
    {"show", korvane::platform::kInstanceName, "bring the program's window forward"},
};

// Deactivation may wait for a password typed at the program's window.
constexpr auto kAnswerTimeout = std::chrono::minutes(2);

int Usage() {
    std::fprintf(stderr, "usage: korvanectl COMMAND\n");
    for (const Command& command : kCommands)
        std::fprintf(stderr, "  %-11s%.*s\n", std::string(command.name).c_str(),
                     static_cast<int>(command.help.size()), command.help.data());
    std::fprintf(stderr,
                 "The program is reached through the socket \"control\" in "
                 "$KORVANE_RUNTIME_DIR (default /run/korvane for root, else "
                 "$XDG_RUNTIME_DIR/korvane).\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace korvane::platform;
    if (argc != 2) return Usage();
    std::string_view wanted = argv[1];
    for (const Command& command : kCommands) {
        if (command.name != wanted) continue;
        try {
            std::string answer = SendControlRequest(ControlSocketPath(RuntimeFolder()),
                                                    std::string(command.request), kAnswerTimeout);
            if (!answer.empty()) std::printf("%s\n", answer.c_str());
            return EXIT_SUCCESS;
        } catch (const ControlSocketError& error) {
            std::fprintf(stderr, "korvanectl: %s\n", error.what());
            return EXIT_FAILURE;
        }
    }
    std::fprintf(stderr, "korvanectl: unknown command \"%s\"\n", argv[1]);
    return Usage();
}
