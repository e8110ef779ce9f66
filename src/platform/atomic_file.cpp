#include "platform/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace korvane::platform {
namespace {

[[noreturn]] void Fail(const std::string& what, const std::filesystem::path& file, int error) {
    throw FileError(what + " \"" + file.string() + "\": " + std::strerror(error));
}

}  // namespace

void WriteFileAtomically(const std::filesystem::path& file, std::string_view bytes) {
    std::string temp = file.string() + ".XXXXXX";
    const int fd = mkstemp(temp.data());
    if (fd < 0) Fail("Cannot create a temporary file for", file, errno);

    // Keep the mode of the file we replace; a new file gets the usual 0644.
    struct stat old {};
    fchmod(fd, stat(file.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);

    const char* data = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = write(fd, data, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : ENOSPC;
            close(fd);
            unlink(temp.c_str());
            Fail("Cannot write", file, error);
        }
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    if (fsync(fd) != 0 || close(fd) != 0) {
        const int error = errno;
        unlink(temp.c_str());
        Fail("Cannot write", file, error);
    }
    if (rename(temp.c_str(), file.c_str()) != 0) {
        const int error = errno;
        unlink(temp.c_str());
        Fail("Cannot replace", file, error);
    }
}

std::string ReadOpenFile(int fd, const std::filesystem::path& file) {
    std::string bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) Fail("Cannot read", file, errno);  // a folder fails here with EISDIR
        if (n == 0) return bytes;
        bytes.append(buffer, static_cast<std::size_t>(n));
    }
}

std::string ReadWholeFile(const std::filesystem::path& file) {
    const int fd = open(file.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) Fail("Cannot open", file, errno);
    try {
        std::string bytes = ReadOpenFile(fd, file);
        close(fd);
        return bytes;
    } catch (...) {
        close(fd);
        throw;
    }
}

}  // namespace korvane::platform
