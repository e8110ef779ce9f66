#pragma once
// The external control interface's transport: a Unix stream socket `control` in the runtime
// folder, mode 0660. A client writes one request line and reads one answer line on the same
// connection. Requests are read on a worker thread and handled on the UI thread through the
// post function; the handler's answer goes back to the connection that asked.
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

namespace korvane::platform {

class ControlSocketError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

inline constexpr const char* kControlSocketName = "control";
// Requests are short (a message number or the instance name); longer lines are dropped.
inline constexpr std::size_t kMaxControlRequest = 64;

std::filesystem::path ControlSocketPath(const std::filesystem::path& runtimeFolder);

// Gets the request line without its line end; returns the answer line, or "" for none (the
// connection is then closed without an answer).
using ControlHandler = std::function<std::string(const std::string& request)>;
// Runs a task on the UI thread.
using PostToUiThread = std::function<void(std::function<void()>)>;

class ControlServer {
  public:
    // Listens at `socketFile`, replacing a stale socket left by a copy that ended; throws
    // ControlSocketError when the socket cannot be made or another server answers there.
    ControlServer(std::filesystem::path socketFile, PostToUiThread post, ControlHandler handle);
    // Stops listening and removes the socket. Requests already posted are closed unanswered.
    ~ControlServer();
    ControlServer(const ControlServer&) = delete;
    ControlServer& operator=(const ControlServer&) = delete;

  private:
    struct Shared;
    void Serve();
    void ReadRequest(int connection);

    std::filesystem::path socketFile_;
    PostToUiThread post_;
    std::shared_ptr<Shared> shared_;
    int listenFd_ = -1;
    int stopFd_ = -1;
    std::thread worker_;
};

// Sends one request and waits up to `timeout` for the answer line (without its line end); ""
// when the program closed the connection without answering. Throws ControlSocketError when the
// program cannot be reached or does not answer in time.
std::string SendControlRequest(const std::filesystem::path& socketFile, const std::string& request,
                               std::chrono::milliseconds timeout);

}  // namespace korvane::platform
