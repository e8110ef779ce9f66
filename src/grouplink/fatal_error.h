#pragma once
// A condition the update does not expect: reported once as "FATAL ERROR in <file>, line <n>",
// with the system's error code and a detail when the check has them.
#include <cerrno>
#include <source_location>
#include <stdexcept>
#include <string>
#include <string_view>

namespace korvane::grouplink {

class FatalError : public std::runtime_error {
  public:
    struct OsError {
        int code;
    };

    explicit FatalError(std::string detail = {},
                        std::source_location where = std::source_location::current())
        : std::runtime_error(Text(where, nullptr, detail)) {}
    FatalError(OsError error, std::string detail = {},
               std::source_location where = std::source_location::current())
        : std::runtime_error(Text(where, &error, detail)) {}

  private:
    static std::string Text(const std::source_location& where, const OsError* error,
                            const std::string& detail) {
        std::string_view file = where.file_name();
        file = file.substr(file.find_last_of('/') + 1);
        std::string text =
            "FATAL ERROR in " + std::string(file) + ", line " + std::to_string(where.line());
        if (error) text += "\nGetLastError = " + std::to_string(error->code);
        if (!detail.empty()) text += "\n" + detail;
        return text;
    }
};

}  // namespace korvane::grouplink
