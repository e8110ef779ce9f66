// The korvane program: the routing backend and settings store named by the environment (the
// sandbox sets a simulated network and a private registry), the settings window in the tray.
#include <QApplication>
#include <QSystemTrayIcon>
#include <cstdio>
#include <exception>
#include <filesystem>

#include "platform/iphelper.h"
#include "platform/registry.h"
#include "platform/resolver.h"
#include "ui/shell.h"

namespace {

std::filesystem::path RunningProgram() {
    std::error_code error;
    std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::path() : program;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace korvane;
    QApplication application(argc, argv);
    QApplication::setApplicationName("Korvane");
    // The program lives in the tray: hiding its last window does not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    try {
        const std::filesystem::path programFile = RunningProgram();
        std::filesystem::path programFolder = programFile.parent_path() / "";
        auto ipHelper = platform::CreateIpHelperFromEnvironment();
        platform::Registry registry = platform::Registry::FromEnvironment();
        platform::SystemResolver resolver;
        ui::Shell shell({*ipHelper, registry, resolver, programFolder, programFile});
        if (!shell.Start()) return 0;
        // Without a notification area the icon cannot be reached, so the window stands in.
        if (!QSystemTrayIcon::isSystemTrayAvailable()) {
            std::fprintf(stderr, "korvane: no system tray here; showing the settings window\n");
            shell.mainWindow().ShowMainWindow();
        }
        return QApplication::exec();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "korvane: %s\n", error.what());
        return 1;
    }
}
