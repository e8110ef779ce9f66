#pragma once
// Files we write are replaced atomically: a temporary file beside the target, fsync, rename.
// A failure leaves the old file as it was and throws FileError naming the file and the cause.
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace korvane::platform {

class FileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

void WriteFileAtomically(const std::filesystem::path& file, std::string_view bytes);

// Whole file as bytes; throws FileError when it cannot be read.
std::string ReadWholeFile(const std::filesystem::path& file);
// The rest of an open file; `file` names it in the error.
std::string ReadOpenFile(int fd, const std::filesystem::path& file);

}  // namespace korvane::platform
