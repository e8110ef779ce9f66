#pragma once
// Starting with the user's session: an XDG autostart entry, present exactly when the program
// is to start with the system.
#include <filesystem>
#include <string>

namespace korvane::platform {

// $XDG_CONFIG_HOME/autostart/korvane.desktop, else ~/.config/autostart/korvane.desktop.
std::filesystem::path AutostartEntryFile();

// The desktop entry that starts `program` without arguments.
std::string AutostartEntryText(const std::filesystem::path& program);

class AutostartEntry {
  public:
    explicit AutostartEntry(std::filesystem::path file = AutostartEntryFile());

    bool Exists() const;
    // Both throw FileError (atomic_file.h) naming the file when it cannot be changed.
    void Write(const std::filesystem::path& program) const;
    void Remove() const;

  private:
    std::filesystem::path file_;
};

}  // namespace korvane::platform
