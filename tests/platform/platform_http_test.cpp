// The HTTP component against a real server on 127.0.0.1.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <thread>

#include "platform/http.h"
#include "support/local_http_server.h"
#include "support/netns.h"
#include "support/temp_dir.h"
#include "support/ui_queue.h"

extern char** environ;

namespace korvane::platform {
namespace {

using test::HttpResponse;
using test::LocalHttpServer;

HttpOptions Timeouts(long connectMs, long totalMs) {
    HttpOptions options;
    options.connectTimeoutMs = connectMs;
    options.totalTimeoutMs = totalMs;
    return options;
}

HttpOptions BodyCap(std::size_t bytes) {
    HttpOptions options;
    options.maxBodyBytes = bytes;
    return options;
}

struct Outcome {
    bool done = false;
    std::string body;
};

class HttpGetTest : public ::testing::Test {
  protected:
    std::unique_ptr<CurlHttpGet> MakeHttp(HttpOptions options = {}) {
        auto http = std::make_unique<CurlHttpGet>(
            [this](std::function<void()> task) { queue.Post(std::move(task)); }, options);
        http->onDoneString = [this](const std::string& body) { outcomes.push_back({true, body}); };
        http->onError = [this] { outcomes.push_back({false, {}}); };
        return http;
    }
    bool WaitForOutcome() {
        return queue.RunUntil([this] { return !outcomes.empty(); });
    }

    test::UiQueue queue;
    std::vector<Outcome> outcomes;
};

TEST_F(HttpGetTest, SendsAnHttp10GetWithTheComponentsHeadersToTheExplicitPort) {
    LocalHttpServer server(HttpResponse("200 OK", "10.0.0.0/8\r\n"));
    auto http = MakeHttp();
    http->GetString(server.Url("/lists/tarvel-list.txt"));
    EXPECT_TRUE(http->Busy());
    ASSERT_TRUE(WaitForOutcome());
    EXPECT_FALSE(http->Busy());

    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_TRUE(outcomes[0].done);
    EXPECT_EQ(outcomes[0].body, "10.0.0.0/8\r\n");
    ASSERT_EQ(server.Requests().size(), 1u);
    const std::string request = server.Requests()[0];
    EXPECT_EQ(request.rfind("GET /lists/tarvel-list.txt HTTP/1.0\r\n", 0), 0u) << request;
    EXPECT_NE(request.find("\r\nUser-Agent: UtilMind HTTPGet\r\n"), std::string::npos);
    EXPECT_NE(request.find("\r\nAccept: */*\r\n"), std::string::npos);
    EXPECT_NE(request.find("\r\nPragma: no-cache\r\n"), std::string::npos);
    EXPECT_NE(request.find("Host: 127.0.0.1:" + std::to_string(server.Port())), std::string::npos);
}

TEST_F(HttpGetTest, AnErrorPageArrivesAsItsBody) {
    const std::string page = "<html><body><h1>404 Not Found</h1></body></html>";
    LocalHttpServer server(HttpResponse("404 Not Found", page, "text/html"));
    auto http = MakeHttp();
    http->GetString(server.Url("/missing.txt"));
    ASSERT_TRUE(WaitForOutcome());
    ASSERT_TRUE(outcomes[0].done);
    EXPECT_EQ(outcomes[0].body, page);
}

TEST_F(HttpGetTest, FailuresWithoutABodyAreErrors) {
    LocalHttpServer empty(HttpResponse("200 OK", ""));
    LocalHttpServer silent{LocalHttpServer::NeverAnswer{}};
    LocalHttpServer cutShort("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n10.0.0.0/8\r\n");
    struct Case {
        const char* what;
        std::string url;
    } cases[] = {
        {"empty body", empty.Url("/list.txt")},
        {"closed port", "http://127.0.0.1:" + std::to_string(test::ClosedLocalPort()) + "/l.txt"},
        {"server never answers", silent.Url("/list.txt")},
        {"body cut short", cutShort.Url("/list.txt")},
        {"not http", "ftp://127.0.0.1/list.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        outcomes.clear();
        auto http = MakeHttp(Timeouts(2000, 400));
        http->GetString(c.url);
        ASSERT_TRUE(WaitForOutcome());
        ASSERT_EQ(outcomes.size(), 1u);
        EXPECT_FALSE(outcomes[0].done);
        EXPECT_FALSE(http->Busy());
    }
    EXPECT_EQ(silent.Requests().size(), 1u);  // the silent server did get the request
}

TEST_F(HttpGetTest, ABodyOverTheCapIsAnErrorNotATruncatedText) {
    const std::string big(5000, '#');
    LocalHttpServer withLength(HttpResponse("200 OK", big));
    LocalHttpServer withoutLength("HTTP/1.0 200 OK\r\n\r\n" + big);
    for (const LocalHttpServer* server : {&withLength, &withoutLength}) {
        outcomes.clear();
        auto http = MakeHttp(BodyCap(4096));
        http->GetString(server->Url("/big.txt"));
        ASSERT_TRUE(WaitForOutcome());
        EXPECT_FALSE(outcomes[0].done);
    }
    outcomes.clear();
    auto http = MakeHttp(BodyCap(5000));
    http->GetString(withoutLength.Url("/big.txt"));
    ASSERT_TRUE(WaitForOutcome());
    EXPECT_TRUE(outcomes[0].done);
    EXPECT_EQ(outcomes[0].body.size(), 5000u);
}

TEST_F(HttpGetTest, ARequestWhileAFetchRunsIsIgnored) {
    LocalHttpServer server(HttpResponse("200 OK", "1.2.3.0/24\r\n"));
    auto http = MakeHttp();
    http->GetString(server.Url("/first.txt"));
    http->GetString(server.Url("/second.txt"));
    ASSERT_TRUE(WaitForOutcome());
    EXPECT_FALSE(
        queue.RunUntil([this] { return outcomes.size() > 1; }, std::chrono::milliseconds(300)));
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_NE(server.Requests()[0].find("/first.txt"), std::string::npos);

    http->GetString(server.Url("/third.txt"));  // free again once the result was delivered
    ASSERT_TRUE(queue.RunUntil([this] { return outcomes.size() == 2; }));
    EXPECT_EQ(server.Requests().size(), 2u);
}

TEST_F(HttpGetTest, DestroyingTheComponentMidFetchReturnsAtOnceAndDeliversNothing) {
    LocalHttpServer silent{LocalHttpServer::NeverAnswer{}};
    auto http = MakeHttp(Timeouts(60'000, 60'000));
    http->GetString(silent.Url("/list.txt"));
    for (int i = 0; i < 500 && silent.Requests().empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_EQ(silent.Requests().size(), 1u);
    const auto start = std::chrono::steady_clock::now();
    http.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    queue.RunUntil([] { return false; }, std::chrono::milliseconds(100));
    EXPECT_TRUE(outcomes.empty());
}

bool Accepts(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool ok = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return ok;
}

// "openssl s_server" with a self-signed certificate for 127.0.0.1, answering GET with a page.
class TlsServer {
  public:
    explicit TlsServer(const test::TempDir& dir) : port_(test::ClosedLocalPort()) {
        cert_ = (dir / "cert.pem").string();
        const std::string key = (dir / "key.pem").string();
        if (test::RunCommand("openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1"
                             " -addext subjectAltName=IP:127.0.0.1 -keyout " +
                             key + " -out " + cert_ + " >/dev/null 2>&1") != 0) {
            return;
        }
        const std::string port = std::to_string(port_);
        const char* argv[] = {"openssl", "s_server",   "-quiet", "-www",
                              "-accept", port.c_str(), "-cert",  cert_.c_str(),
                              "-key",    key.c_str(),  nullptr};
        if (posix_spawnp(&pid_, "openssl", nullptr, nullptr, const_cast<char**>(argv), environ) !=
            0) {
            pid_ = -1;
            return;
        }
        for (int i = 0; i < 500 && !Accepts(port_); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ~TlsServer() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    bool Running() const { return pid_ > 0 && Accepts(port_); }
    std::string Url() const { return "https://127.0.0.1:" + std::to_string(port_) + "/"; }
    const std::string& CertFile() const { return cert_; }

  private:
    int port_;
    pid_t pid_ = -1;
    std::string cert_;
};

TEST_F(HttpGetTest, HttpsCertificatesAreVerified) {
    test::TempDir dir;
    TlsServer server(dir);
    if (!server.Running()) GTEST_SKIP() << "no openssl command to run a TLS server";

    auto untrusted = MakeHttp();
    untrusted->GetString(server.Url());
    ASSERT_TRUE(WaitForOutcome());
    EXPECT_FALSE(outcomes[0].done);  // self-signed: refused

    outcomes.clear();
    HttpOptions trust;
    trust.caFile = server.CertFile();
    auto trusting = MakeHttp(trust);
    trusting->GetString(server.Url());
    ASSERT_TRUE(WaitForOutcome());
    ASSERT_TRUE(outcomes[0].done);
    EXPECT_NE(outcomes[0].body.find("s_server"), std::string::npos) << outcomes[0].body;
}

TEST_F(HttpGetTest, HttpsToAPlainServerIsAnError) {
    LocalHttpServer plain(HttpResponse("200 OK", "10.0.0.0/8\r\n"));
    auto http = MakeHttp(Timeouts(1000, 1000));
    http->GetString("https://127.0.0.1:" + std::to_string(plain.Port()) + "/list.txt");
    ASSERT_TRUE(WaitForOutcome());
    EXPECT_FALSE(outcomes[0].done);
}

}  // namespace
}  // namespace korvane::platform
