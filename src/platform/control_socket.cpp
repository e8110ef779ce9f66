#include "platform/control_socket.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace korvane::platform {

namespace {

constexpr auto kRequestReadTimeout = std::chrono::seconds(1);

std::string Cause(const std::string& what, const std::filesystem::path& file) {
    return what + " " + file.string() + ": " + std::strerror(errno);
}

// Owns a descriptor; shared by the task that answers a request.
struct Fd {
    explicit Fd(int value) : value(value) {}
    ~Fd() {
        if (value >= 0) close(value);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int value;
};

sockaddr_un AddressOf(const std::filesystem::path& socketFile) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string& text = socketFile.native();
    if (text.size() >= sizeof(address.sun_path))
        throw ControlSocketError("the socket path is too long: " + text);
    std::memcpy(address.sun_path, text.c_str(), text.size() + 1);
    return address;
}

int NewSocket() {
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        throw ControlSocketError(std::string("cannot make a socket: ") + std::strerror(errno));
    return fd;
}

bool SomeoneListens(const sockaddr_un& address) {
    Fd probe(NewSocket());
    return connect(probe.value, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
}

// A socket left by a copy that ended is removed; anything else at the path is kept.
void ClearStaleSocket(const std::filesystem::path& socketFile, const sockaddr_un& address) {
    struct stat info {};
    if (lstat(socketFile.c_str(), &info) != 0) return;
    if (!S_ISSOCK(info.st_mode))
        throw ControlSocketError("not a socket, left in place: " + socketFile.string());
    if (SomeoneListens(address))
        throw ControlSocketError("another program answers at " + socketFile.string());
    if (unlink(socketFile.c_str()) != 0 && errno != ENOENT)
        throw ControlSocketError(Cause("cannot remove the stale socket", socketFile));
}

void WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t written = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;  // the requester went away: its answer is lost
        done += static_cast<std::size_t>(written);
    }
}

std::string WithoutLineEnd(std::string line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
    return line;
}

}  // namespace

struct ControlServer::Shared {
    explicit Shared(ControlHandler handle) : handle(std::move(handle)) {}
    ControlHandler handle;
    std::atomic<bool> alive{true};
};

std::filesystem::path ControlSocketPath(const std::filesystem::path& runtimeFolder) {
    return runtimeFolder / kControlSocketName;
}

ControlServer::ControlServer(std::filesystem::path socketFile, PostToUiThread post,
                             ControlHandler handle)
    : socketFile_(std::move(socketFile)),
      post_(std::move(post)),
      shared_(std::make_shared<Shared>(std::move(handle))) {
    sockaddr_un address = AddressOf(socketFile_);
    ClearStaleSocket(socketFile_, address);
    Fd listener(NewSocket());
    if (bind(listener.value, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0)
        throw ControlSocketError(Cause("cannot bind", socketFile_));
    if (chmod(socketFile_.c_str(), 0660) != 0 || listen(listener.value, 16) != 0) {
        std::string problem = Cause("cannot listen at", socketFile_);
        unlink(socketFile_.c_str());
        throw ControlSocketError(problem);
    }
    stopFd_ = eventfd(0, EFD_CLOEXEC);
    if (stopFd_ < 0) {
        unlink(socketFile_.c_str());
        throw ControlSocketError(std::string("cannot make an eventfd: ") + std::strerror(errno));
    }
    listenFd_ = listener.value;
    listener.value = -1;
    worker_ = std::thread([this] { Serve(); });
}

ControlServer::~ControlServer() {
    shared_->alive = false;
    uint64_t one = 1;
    [[maybe_unused]] ssize_t woken =
        write(stopFd_, &one, sizeof(one));  // cannot fail on a fresh eventfd
    worker_.join();
    close(listenFd_);
    close(stopFd_);
    unlink(socketFile_.c_str());
}

void ControlServer::Serve() {
    for (;;) {
        pollfd fds[2] = {{listenFd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents) return;
        if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) return;
        int connection = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection >= 0) ReadRequest(connection);
    }
}

// One line, ended by a line feed or by the client closing its side; a slow client is given
// up after a second so that it cannot hold the others up.
void ControlServer::ReadRequest(int connectionFd) {
    auto connection = std::make_shared<Fd>(connectionFd);
    timeval timeout{std::chrono::duration_cast<std::chrono::seconds>(kRequestReadTimeout).count(),
                    0};
    setsockopt(connectionFd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
    std::string request;
    char buffer[kMaxControlRequest + 2];
    for (;;) {
        ssize_t got = recv(connectionFd, buffer, sizeof(buffer), 0);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return;
        if (got == 0) break;
        request.append(buffer, static_cast<std::size_t>(got));
        auto lineEnd = request.find('\n');
        if (lineEnd != std::string::npos) {
            request.resize(lineEnd);
            break;
        }
        if (request.size() > kMaxControlRequest) return;
    }
    request = WithoutLineEnd(std::move(request));
    if (request.empty() || request.size() > kMaxControlRequest) return;
    post_([shared = shared_, connection, request] {
        if (!shared->alive) return;
        std::string answer = shared->handle(request);
        if (!answer.empty()) WriteAll(connection->value, answer + "\n");
    });
}

std::string SendControlRequest(const std::filesystem::path& socketFile, const std::string& request,
                               std::chrono::milliseconds timeout) {
    sockaddr_un address = AddressOf(socketFile);
    Fd client(NewSocket());
    if (connect(client.value, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0)
        throw ControlSocketError(Cause("Korvane is not running: cannot connect to", socketFile));
    std::string line = request + "\n";
    if (send(client.value, line.data(), line.size(), MSG_NOSIGNAL) !=
        static_cast<ssize_t>(line.size()))
        throw ControlSocketError(Cause("cannot send the request to", socketFile));

    auto deadline = std::chrono::steady_clock::now() + timeout;
    std::string answer;
    char buffer[256];
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd fd{client.value, POLLIN, 0};
        int ready = left.count() > 0 ? poll(&fd, 1, static_cast<int>(left.count())) : 0;
        if (ready < 0 && errno == EINTR) continue;
        if (ready == 0) throw ControlSocketError("no answer from Korvane in time");
        if (ready < 0) throw ControlSocketError(Cause("cannot wait for the answer at", socketFile));
        ssize_t got = recv(client.value, buffer, sizeof(buffer), 0);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) throw ControlSocketError(Cause("cannot read the answer from", socketFile));
        if (got == 0) return WithoutLineEnd(std::move(answer));
        answer.append(buffer, static_cast<std::size_t>(got));
        auto lineEnd = answer.find('\n');
        if (lineEnd != std::string::npos) return WithoutLineEnd(answer.substr(0, lineEnd));
    }
}

}  // namespace korvane::platform
