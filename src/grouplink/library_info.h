#pragma once
// What the plug-in knows of its own file: where it lies and the name it goes by.
#include <string>
#include <string_view>

namespace korvane::grouplink {

struct LibraryInfo {
    std::string path;    // full path of the library file
    std::string folder;  // path up to and including its last "/", empty when there is none
    std::string name;    // file name without folder and extension: "Grouplink"
};

LibraryInfo DescribeLibrary(std::string_view path);

// "May 15 2006 21:44:30" from the compiler's date ("May 15 2006", a day below 10 padded with a
// space) and time; the padding is dropped: "May 5 2006 21:44:30".
std::string BuildStamp(std::string_view date, std::string_view time);

}  // namespace korvane::grouplink
