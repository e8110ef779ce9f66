#pragma once
// A tiny HTTP server on 127.0.0.1 and an ephemeral port, for real fetches in tests: it answers
// every request with one fixed raw response, or accepts and never answers.
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace korvane::test {

// "HTTP/1.0 <status>", a Content-Length and the body.
std::string HttpResponse(const std::string& status, const std::string& body,
                         const std::string& contentType = "text/plain");

class LocalHttpServer {
  public:
    // Answers each request with these bytes, then closes the connection.
    explicit LocalHttpServer(std::string rawResponse);
    // Accepts connections, reads the requests, never answers.
    struct NeverAnswer {};
    explicit LocalHttpServer(NeverAnswer);
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    int Port() const { return port_; }
    std::string Url(const std::string& path) const;
    // The request heads received so far, in order.
    std::vector<std::string> Requests() const;

  private:
    void Start();
    void Serve();

    bool answer_ = true;
    std::string response_;
    int listenFd_ = -1;
    int stopPipe_[2] = {-1, -1};
    int port_ = 0;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
};

// A port on 127.0.0.1 where nothing listens (bound once, then closed).
int ClosedLocalPort();

}  // namespace korvane::test
