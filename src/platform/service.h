#pragma once
// Service mode: the program installed as the systemd unit Korvane.service, running as root
// from system start. -install / -uninstall write or remove the unit and tell systemctl.
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/messages.h"

namespace korvane::platform {

inline constexpr const char* kServiceDisplayName = "Korvane";
// The account the service runs as (the system's own account).
inline constexpr const char* kServiceAccount = "root";

class ServiceError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The service name: the display name with every blank replaced by "_".
std::string ServiceNameOf(const std::string& displayName);

struct ServiceSwitches {
    bool install = false;
    bool uninstall = false;
    bool silent = false;
};
// Switches among the arguments (without the program name): whole arguments, any letter case,
// prefixed by "-", "/" or "\".
ServiceSwitches ParseServiceSwitches(const std::vector<std::string>& arguments);

// $KORVANE_SYSTEMD_DIR, else /etc/systemd/system.
std::filesystem::path SystemdFolder();

// Runs systemctl with these arguments and returns its exit status.
using SystemctlRunner = std::function<int(const std::vector<std::string>& arguments)>;
// The systemctl found on PATH, or an empty function where there is none.
SystemctlRunner FindSystemctl();

// The unit file: automatic start at boot, root, the program's full path without arguments.
std::string ServiceUnitText(const std::string& displayName, const std::filesystem::path& program);

class SystemdService {
  public:
    // An empty `systemctl` means no service manager to tell: only the unit file is written.
    SystemdService(std::string displayName, std::filesystem::path folder,
                   SystemctlRunner systemctl);

    std::filesystem::path UnitFile() const;
    // The account of the installed unit (its User=, root when absent); none when not installed.
    std::optional<std::string> Account() const;

    // Both throw ServiceError with the reason; a failed install leaves no unit behind.
    void Install(const std::filesystem::path& program);
    void Uninstall();

  private:
    void Systemctl(const std::vector<std::string>& arguments);

    std::string displayName_;
    std::string serviceName_;
    std::filesystem::path folder_;
    SystemctlRunner systemctl_;
};

// The user the program runs as.
std::string CurrentUserName();

// Service mode: with an install or uninstall switch, or when the service is installed and its
// account is the user the program runs as (letter case ignored).
bool DetectServiceMode(const ServiceSwitches& switches, const SystemdService& service,
                       const std::string& userName);

// Carries out -install or -uninstall with their messages; true when one was given and the
// program is to end.
bool RunServiceSwitches(const ServiceSwitches& switches, SystemdService& service,
                        const std::filesystem::path& program, Messages& messages);

}  // namespace korvane::platform
