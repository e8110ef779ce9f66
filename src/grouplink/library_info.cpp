#include "grouplink/library_info.h"

namespace korvane::grouplink {

LibraryInfo DescribeLibrary(std::string_view path) {
    LibraryInfo info;
    info.path = path;
    const std::size_t slash = path.find_last_of('/');
    const std::string_view fileName =
        slash == std::string_view::npos ? path : path.substr(slash + 1);
    info.folder = slash == std::string_view::npos ? "" : std::string(path.substr(0, slash + 1));
    info.name = fileName.substr(0, fileName.find_last_of('.'));
    return info;
}

std::string BuildStamp(std::string_view date, std::string_view time) {
    std::string stamp;
    for (char c : date) {
        if (c == ' ' && !stamp.empty() && stamp.back() == ' ') continue;
        stamp += c;
    }
    return stamp + " " + std::string(time);
}

}  // namespace korvane::grouplink
