#include "platform/http.h"

#include <curl/curl.h>

#include <mutex>
#include <utility>

namespace korvane::platform {

// The posted result and the worker's abort check see the object only through this, so a
// result that arrives after the object is gone is dropped. `cancelled` is set on the UI thread
// by the destructor and read by the worker; the posted result also runs on the UI thread.
struct CurlHttpGet::Shared {
    std::atomic<bool> cancelled{false};
    CurlHttpGet* owner = nullptr;
};

namespace {

struct Transfer {
    std::string body;
    std::size_t maxBodyBytes = 0;
    bool tooLarge = false;
    const std::atomic<bool>* cancelled = nullptr;
};

std::size_t CollectBody(char* data, std::size_t size, std::size_t count, void* context) {
    auto& transfer = *static_cast<Transfer*>(context);
    const std::size_t bytes = size * count;
    if (transfer.body.size() + bytes > transfer.maxBodyBytes) {
        transfer.tooLarge = true;
        return 0;  // makes libcurl end the transfer with an error
    }
    transfer.body.append(data, bytes);
    return bytes;
}

int CheckCancelled(void* context, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<Transfer*>(context)->cancelled->load() ? 1 : 0;
}

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// True with the body when the transfer completed and the body is not empty. A body cut short
// (time-out, reset, over the cap) is an error: a truncated list must never pass for a whole one.
bool Fetch(const std::string& url, const HttpOptions& options, const std::atomic<bool>& cancelled,
           std::string& body) {
    CURL* curl = curl_easy_init();
    if (!curl) return false;
    Transfer transfer;
    transfer.maxBodyBytes = options.maxBodyBytes;
    transfer.cancelled = &cancelled;

    curl_slist* headers = nullptr;
    headers = curl_slist_append(headers, "Accept: */*");
    headers = curl_slist_append(headers, "Pragma: no-cache");
    headers = curl_slist_append(headers, "Cache-Control: no-cache");

    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(curl, CURLOPT_USERAGENT, "UtilMind HTTPGet");
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_DEFAULT_PROTOCOL, "http");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!options.caFile.empty()) curl_easy_setopt(curl, CURLOPT_CAINFO, options.caFile.c_str());
    curl_easy_setopt(curl, CURLOPT_FRESH_CONNECT, 1L);
    curl_easy_setopt(curl, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, options.connectTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, options.totalTimeoutMs);
    curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE,
                     static_cast<curl_off_t>(options.maxBodyBytes));
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, CollectBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, CheckCancelled);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);

    const CURLcode result = curl_easy_perform(curl);
    curl_slist_free_all(headers);
    curl_easy_cleanup(curl);

    if (result != CURLE_OK || transfer.tooLarge || transfer.body.empty()) return false;
    body = std::move(transfer.body);
    return true;
}

}  // namespace

CurlHttpGet::CurlHttpGet(PostToUiThread postToUiThread, HttpOptions options)
    : postToUiThread_(std::move(postToUiThread)),
      options_(std::move(options)),
      shared_(std::make_shared<Shared>()) {
    shared_->owner = this;
    InitCurlOnce();
}

CurlHttpGet::~CurlHttpGet() {
    shared_->cancelled = true;
    shared_->owner = nullptr;
    if (worker_.joinable()) worker_.join();
}

void CurlHttpGet::GetString(const std::string& url) {
    if (busy_) return;
    if (worker_.joinable()) worker_.join();  // the previous fetch has already posted its result
    busy_ = true;
    worker_ = std::thread([url, options = options_, shared = shared_, post = postToUiThread_] {
        std::string body;
        const bool ok = Fetch(url, options, shared->cancelled, body);
        if (shared->cancelled) return;
        post([shared, ok, body = std::move(body)]() mutable {
            if (shared->owner) shared->owner->Deliver(ok, std::move(body));
        });
    });
}

void CurlHttpGet::Deliver(bool ok, std::string body) {
    busy_ = false;
    if (ok) {
        if (onDoneString) onDoneString(body);
    } else if (onError) {
        onError();
    }
}

}  // namespace korvane::platform
