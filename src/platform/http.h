#pragma once
// The HTTP client of the list download and the version check: one GET at a time in a worker
// thread, its result raised later on the UI thread as exactly one event.
#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace korvane::platform {

// Queues a task for the UI thread (Qt: QMetaObject::invokeMethod; tests: a queue they drain).
// Called from the worker thread; it must queue, never run the task at once.
using PostToUiThread = std::function<void(std::function<void()>)>;

class HttpGet {
  public:
    virtual ~HttpGet() = default;
    // Starts fetching the URL as text; ignored while a fetch runs.
    virtual void GetString(const std::string& url) = 0;
    virtual bool Busy() const = 0;

    // The whole body, whatever the HTTP status, when at least one byte of it arrived.
    std::function<void(const std::string& body)> onDoneString;
    // No connection, a failed request or an empty body.
    std::function<void()> onError;
};

struct HttpOptions {
    long connectTimeoutMs = 15'000;
    long totalTimeoutMs = 120'000;
    // A larger body is an error, not a truncated text.
    std::size_t maxBodyBytes = 32u << 20;
    // Certificates of https sources are checked against this CA file; empty: the system's.
    std::string caFile;
};

// HTTP/1.0 GET on libcurl: user agent "UtilMind HTTPGet", "Accept: */*", no cache; http and
// https (certificates verified), an explicit port honoured, redirects followed a few times.
class CurlHttpGet : public HttpGet {
  public:
    explicit CurlHttpGet(PostToUiThread postToUiThread, HttpOptions options = {});
    // Aborts a running fetch and waits for its thread; its result is never delivered.
    ~CurlHttpGet() override;
    CurlHttpGet(const CurlHttpGet&) = delete;
    CurlHttpGet& operator=(const CurlHttpGet&) = delete;

    void GetString(const std::string& url) override;
    bool Busy() const override { return busy_; }

  private:
    struct Shared;  // what the worker and the posted result share with this object

    void Deliver(bool ok, std::string body);

    PostToUiThread postToUiThread_;
    HttpOptions options_;
    std::shared_ptr<Shared> shared_;
    std::thread worker_;
    bool busy_ = false;
};

}  // namespace korvane::platform
