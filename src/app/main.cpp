// The korvane program: the routing backend and settings store named by the environment (the
// sandbox sets a simulated network and a private registry), the settings window in the tray,
// one copy per runtime folder, other programs' requests on the control socket.
#include <QApplication>
#include <QMessageBox>
#include <QSystemTrayIcon>
#include <cstdio>
#include <exception>
#include <filesystem>

#include "platform/autostart.h"
#include "platform/control_socket.h"
#include "platform/instance.h"
#include "platform/iphelper.h"
#include "platform/registry.h"
#include "platform/resolver.h"
#include "platform/runtime_folder.h"
#include "platform/service.h"
#include "ui/qt_messages.h"
#include "ui/shell.h"
#include "ui/ui_thread.h"

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
        const platform::ServiceSwitches switches =
            platform::ParseServiceSwitches(std::vector<std::string>(argv + 1, argv + argc));
        platform::SystemdService service(platform::kServiceDisplayName, platform::SystemdFolder(),
                                         platform::FindSystemctl());
        ui::QtMessages switchMessages;
        if (platform::RunServiceSwitches(switches, service, programFile, switchMessages)) return 0;
        const bool serviceMode =
            platform::DetectServiceMode(switches, service, platform::CurrentUserName());

        const std::filesystem::path runtimeFolder = platform::RuntimeFolder();
        platform::EnsureRuntimeFolder(runtimeFolder);
        const platform::SingleInstance instance(runtimeFolder);
        if (!instance.IsOnlyCopy()) {
            std::fprintf(stderr, "korvane: %s\n", instance.Problem().c_str());
            // Without a screen nobody could close the box: standard error says it already.
            if (QGuiApplication::platformName() != QLatin1String("offscreen"))
                QMessageBox::critical(nullptr, QString::fromUtf8("Ошибка"),
                                      QString::fromUtf8("Копия программы уже запущена"));
            return 1;
        }

        auto ipHelper = platform::CreateIpHelperFromEnvironment();
        platform::Registry registry = platform::Registry::FromEnvironment();
        platform::SystemResolver resolver;
        ui::Shell shell({.ipHelper = *ipHelper,
                         .registry = registry,
                         .resolver = resolver,
                         .programFolder = programFile.parent_path() / "",
                         .programFile = programFile,
                         .serviceMode = serviceMode,
                         .autostartEntry = platform::AutostartEntryFile()});
        if (!shell.Start()) return 0;

        platform::ControlServer control(
            platform::ControlSocketPath(runtimeFolder), ui::MakePostToUiThread(),
            [&shell](const std::string& request) {
                if (shell.core().Ended()) return std::string();
                std::string answer = shell.core().HandleControlRequest(request);
                if (!shell.core().Ended()) shell.mainWindow().Refresh();
                return answer;
            });

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
