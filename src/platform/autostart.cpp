#include "platform/autostart.h"

#include <cstdlib>
#include <system_error>

#include "platform/atomic_file.h"

namespace korvane::platform {

namespace {

// An Exec word: field codes doubled; a word with reserved characters is quoted, with its
// quote, backquote, dollar and backslash escaped, and then every backslash escaped once more
// as the key file format wants.
std::string ExecWord(const std::string& word) {
    const std::string reserved = " \t\n\"'\\><~|&;$*?#()`";
    bool needsQuotes = word.find_first_of(reserved) != std::string::npos;
    std::string quoted;
    for (char c : word) {
        if (c == '%') quoted += '%';
        if (needsQuotes && (c == '"' || c == '`' || c == '$' || c == '\\')) quoted += '\\';
        quoted += c;
    }
    if (!needsQuotes) return quoted;
    std::string value = "\"";
    for (char c : quoted) value += c == '\\' ? std::string("\\\\") : std::string(1, c);
    return value + "\"";
}

}  // namespace

std::filesystem::path AutostartEntryFile() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    std::filesystem::path folder;
    if (config && *config) {
        folder = config;
    } else {
        const char* home = std::getenv("HOME");
        folder = std::filesystem::path(home ? home : "") / ".config";
    }
    return folder / "autostart" / "korvane.desktop";
}

std::string AutostartEntryText(const std::filesystem::path& program) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Korvane\n"
           "Exec=" +
           ExecWord(program.string()) +
           "\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

AutostartEntry::AutostartEntry(std::filesystem::path file) : file_(std::move(file)) {}

bool AutostartEntry::Exists() const {
    std::error_code ignored;
    return std::filesystem::exists(file_, ignored);
}

void AutostartEntry::Write(const std::filesystem::path& program) const {
    std::error_code error;
    std::filesystem::create_directories(file_.parent_path(), error);
    if (error)
        throw FileError("cannot create " + file_.parent_path().string() + ": " + error.message());
    WriteFileAtomically(file_, AutostartEntryText(program));
}

void AutostartEntry::Remove() const {
    std::error_code error;
    std::filesystem::remove(file_, error);
    if (error) throw FileError("cannot remove " + file_.string() + ": " + error.message());
}

}  // namespace korvane::platform
