#include "platform/instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <system_error>

#include "platform/runtime_folder.h"

namespace korvane::platform {

SingleInstance::SingleInstance(const std::filesystem::path& runtimeFolder) {
    try {
        EnsureRuntimeFolder(runtimeFolder);
    } catch (const std::system_error& error) {
        problem_ = error.what();
        return;
    }
    auto file = runtimeFolder / (std::string(kInstanceName) + ".lock");
    int fd = open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        problem_ = "cannot open " + file.string() + ": " + std::strerror(errno);
        return;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        problem_ = errno == EWOULDBLOCK
                       ? "another copy holds " + file.string()
                       : "cannot lock " + file.string() + ": " + std::strerror(errno);
        close(fd);
        return;
    }
    fd_ = fd;
}

SingleInstance::~SingleInstance() {
    if (fd_ >= 0) close(fd_);
}

}  // namespace korvane::platform
