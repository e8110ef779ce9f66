#include "support/local_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace korvane::test {
namespace {

int ListenOnLoopback(int* port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) throw std::runtime_error("socket failed");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(fd, 16) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        close(fd);
        throw std::runtime_error("cannot listen on 127.0.0.1");
    }
    *port = ntohs(address.sin_port);
    return fd;
}

// Reads up to the blank line that ends the request head, or until the peer stops sending.
std::string ReadRequestHead(int fd) {
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos) {
        pollfd wait{fd, POLLIN, 0};
        if (poll(&wait, 1, 2000) <= 0) break;
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        head.append(buffer, static_cast<std::size_t>(n));
    }
    return head;
}

void WriteAll(int fd, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

}  // namespace

std::string HttpResponse(const std::string& status, const std::string& body,
                         const std::string& contentType) {
    return "HTTP/1.0 " + status + "\r\nContent-Type: " + contentType +
           "\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

LocalHttpServer::LocalHttpServer(std::string rawResponse) : response_(std::move(rawResponse)) {
    Start();
}

LocalHttpServer::LocalHttpServer(NeverAnswer) : answer_(false) { Start(); }

void LocalHttpServer::Start() {
    listenFd_ = ListenOnLoopback(&port_);
    if (pipe(stopPipe_) != 0) throw std::runtime_error("pipe failed");
    thread_ = std::thread([this] { Serve(); });
}

LocalHttpServer::~LocalHttpServer() {
    const char stop = 1;
    (void)!write(stopPipe_[1], &stop, 1);
    thread_.join();
    close(listenFd_);
    close(stopPipe_[0]);
    close(stopPipe_[1]);
}

std::string LocalHttpServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<std::string> LocalHttpServer::Requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void LocalHttpServer::Serve() {
    std::vector<int> silent;  // connections held open without an answer
    for (;;) {
        pollfd waits[2] = {{listenFd_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        if (poll(waits, 2, -1) < 0) continue;
        if (waits[1].revents) break;
        const int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        std::string head = ReadRequestHead(fd);
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(std::move(head));
        }
        if (!answer_) {
            silent.push_back(fd);
            continue;
        }
        WriteAll(fd, response_);
        shutdown(fd, SHUT_WR);
        close(fd);
    }
    for (int fd : silent) close(fd);
}

int ClosedLocalPort() {
    int port = 0;
    close(ListenOnLoopback(&port));
    return port;
}

}  // namespace korvane::test
