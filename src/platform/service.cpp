#include "platform/service.h"

#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <sstream>

#include "platform/atomic_file.h"

namespace korvane::platform {

namespace {

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// One ExecStart word: specifiers and variables are doubled; blanks, quotes and backslashes
// make it a quoted word.
std::string SystemdWord(const std::string& word) {
    std::string escaped;
    bool needsQuotes = word.empty();
    for (char c : word) {
        if (c == '%' || c == '$') escaped += c;
        if (c == '"' || c == '\\') escaped += '\\';
        if (std::isspace(static_cast<unsigned char>(c)) || c == '"' || c == '\\' || c == '\'' ||
            c == ';')
            needsQuotes = true;
        escaped += c;
    }
    return needsQuotes ? '"' + escaped + '"' : escaped;
}

int RunProgram(const std::string& program, const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) {
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    if (waitpid(child, &status, 0) < 0) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void Report(Messages& messages, const std::string& text, MessageIcon icon) {
    Message message;
    message.text = text;
    message.caption = kServiceDisplayName;
    message.icon = icon;
    messages.Show(message);
}

}  // namespace

std::string ServiceNameOf(const std::string& displayName) {
    std::string name = displayName;
    std::replace(name.begin(), name.end(), ' ', '_');
    return name;
}

ServiceSwitches ParseServiceSwitches(const std::vector<std::string>& arguments) {
    ServiceSwitches switches;
    for (const std::string& argument : arguments) {
        if (argument.size() < 2 ||
            (argument[0] != '-' && argument[0] != '/' && argument[0] != '\\'))
            continue;
        std::string name = Lower(argument.substr(1));
        if (name == "install") switches.install = true;
        if (name == "uninstall") switches.uninstall = true;
        if (name == "silent") switches.silent = true;
    }
    return switches;
}

std::filesystem::path SystemdFolder() {
    const char* folder = std::getenv("KORVANE_SYSTEMD_DIR");
    return folder && *folder ? folder : "/etc/systemd/system";
}

SystemctlRunner FindSystemctl() {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        if (folder.empty()) continue;
        std::string program = folder + "/systemctl";
        if (access(program.c_str(), X_OK) == 0)
            return [program](const std::vector<std::string>& arguments) {
                return RunProgram(program, arguments);
            };
    }
    return {};
}

std::string ServiceUnitText(const std::string& displayName, const std::filesystem::path& program) {
    return "[Unit]\n"
           "Description=" +
           displayName +
           "\n"
           "After=network.target\n"
           "\n"
           "[Service]\n"
           "Type=simple\n"
           "ExecStart=" +
           SystemdWord(program.string()) +
           "\n"
           "User=" +
           kServiceAccount +
           "\n"
           "Restart=no\n"
           "\n"
           "[Install]\n"
           "WantedBy=multi-user.target\n";
}

SystemdService::SystemdService(std::string displayName, std::filesystem::path folder,
                               SystemctlRunner systemctl)
    : displayName_(std::move(displayName)),
      serviceName_(ServiceNameOf(displayName_)),
      folder_(std::move(folder)),
      systemctl_(std::move(systemctl)) {}

std::filesystem::path SystemdService::UnitFile() const {
    return folder_ / (serviceName_ + ".service");
}

std::optional<std::string> SystemdService::Account() const {
    std::string text;
    try {
        text = ReadWholeFile(UnitFile());
    } catch (const FileError&) {
        return std::nullopt;
    }
    std::string account = "root";  // systemd's default for system units
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("User=", 0) == 0) account = line.substr(5);
    }
    return account;
}

void SystemdService::Systemctl(const std::vector<std::string>& arguments) {
    if (!systemctl_) return;
    int status = systemctl_(arguments);
    if (status != 0) {
        std::string command = "systemctl";
        for (const std::string& argument : arguments) command += " " + argument;
        throw ServiceError(command + " failed with exit status " + std::to_string(status));
    }
}

void SystemdService::Install(const std::filesystem::path& program) {
    if (std::filesystem::exists(UnitFile()))
        throw ServiceError("the service is already installed (" + UnitFile().string() + ")");
    try {
        std::filesystem::create_directories(folder_);
        WriteFileAtomically(UnitFile(), ServiceUnitText(displayName_, program));
    } catch (const std::exception& error) {
        throw ServiceError(error.what());
    }
    try {
        Systemctl({"daemon-reload"});
        Systemctl({"enable", serviceName_ + ".service"});
    } catch (const ServiceError&) {
        std::error_code ignored;
        std::filesystem::remove(UnitFile(), ignored);
        if (systemctl_) systemctl_({"daemon-reload"});
        throw;
    }
}

void SystemdService::Uninstall() {
    if (!std::filesystem::exists(UnitFile()))
        throw ServiceError("the service is not installed (" + UnitFile().string() + ")");
    Systemctl({"disable", serviceName_ + ".service"});
    std::error_code error;
    if (!std::filesystem::remove(UnitFile(), error) && error)
        throw ServiceError("cannot remove " + UnitFile().string() + ": " + error.message());
    Systemctl({"daemon-reload"});
}

std::string CurrentUserName() {
    if (const passwd* user = getpwuid(geteuid())) return user->pw_name;
    return std::to_string(geteuid());
}

bool DetectServiceMode(const ServiceSwitches& switches, const SystemdService& service,
                       const std::string& userName) {
    if (switches.install || switches.uninstall) return true;
    std::optional<std::string> account = service.Account();
    return account && Lower(*account) == Lower(userName);
}

bool RunServiceSwitches(const ServiceSwitches& switches, SystemdService& service,
                        const std::filesystem::path& program, Messages& messages) {
    if (!switches.install && !switches.uninstall) return false;
    const bool install = switches.install;
    try {
        if (install) {
            service.Install(program);
        } else {
            service.Uninstall();
        }
        if (!switches.silent)
            Report(messages,
                   install ? "Service installed successfully" : "Service uninstalled successfully",
                   MessageIcon::Information);
    } catch (const ServiceError& error) {
        std::string text = std::string("Service \"") + kServiceDisplayName + "\" failed to " +
                           (install ? "install" : "uninstall") + " with error: \"" + error.what() +
                           "\"";
        Report(messages, text, MessageIcon::Error);
    }
    return true;
}

}  // namespace korvane::platform
