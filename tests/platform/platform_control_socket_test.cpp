#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdio>
#include <future>
#include <thread>
#include <vector>

#include "platform/control_socket.h"
#include "support/temp_dir.h"
#include "support/ui_queue.h"

namespace korvane::platform {
namespace {

using namespace std::chrono_literals;

// A control server in a temp runtime folder whose handler runs on the test's own thread.
class ControlSocketTest : public ::testing::Test {
  protected:
    std::filesystem::path socketFile() const { return ControlSocketPath(dir.path()); }

    void StartServer(std::function<std::string(const std::string&)> answer) {
        server.emplace(
            socketFile(), [this](std::function<void()> task) { ui.Post(std::move(task)); },
            [this, answer](const std::string& request) {
                requests.push_back(request);
                handledOnUiThread = handledOnUiThread && std::this_thread::get_id() == uiThread;
                return answer(request);
            });
    }

    // Runs the UI thread's tasks until the client is done.
    template <typename T>
    T Await(std::future<T>& client) {
        auto deadline = std::chrono::steady_clock::now() + 10s;
        while (client.wait_for(10ms) != std::future_status::ready &&
               std::chrono::steady_clock::now() < deadline)
            ui.RunUntil([&] { return ui.Pending() == 0; });
        EXPECT_EQ(client.wait_for(0s), std::future_status::ready);
        return client.get();
    }

    std::string Ask(const std::string& request) {
        auto answer = std::async(std::launch::async,
                                 [&] { return SendControlRequest(socketFile(), request, 10s); });
        return Await(answer);
    }

    // Writes raw bytes as a client would, optionally closing its sending side, and reads to EOF.
    std::future<std::string> RawClient(std::string bytes, bool closeSending) {
        return std::async(std::launch::async, [this, bytes, closeSending] {
            int fd = socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address{};
            address.sun_family = AF_UNIX;
            std::snprintf(address.sun_path, sizeof(address.sun_path), "%s", socketFile().c_str());
            if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
                close(fd);
                return std::string("connect failed");
            }
            (void)!send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (closeSending) shutdown(fd, SHUT_WR);
            std::string answer;
            char buffer[64];
            ssize_t got;
            while ((got = recv(fd, buffer, sizeof(buffer), 0)) > 0) answer.append(buffer, got);
            close(fd);
            return answer;
        });
    }

    test::TempDir dir;
    test::UiQueue ui;
    std::thread::id uiThread = std::this_thread::get_id();
    std::vector<std::string> requests;
    bool handledOnUiThread = true;
    std::optional<ControlServer> server;
};

TEST_F(ControlSocketTest, RequestIsHandledOnTheUiThreadAndAnsweredOnItsConnection) {
    StartServer([](const std::string& request) { return request == "27991" ? "27992 3" : "?"; });
    EXPECT_EQ(Ask("27991"), "27992 3");
    EXPECT_EQ(requests, std::vector<std::string>{"27991"});
    EXPECT_TRUE(handledOnUiThread);
}

TEST_F(ControlSocketTest, SocketIsInTheRuntimeFolderWithModeRwForOwnerAndGroup) {
    StartServer([](const std::string&) { return "0"; });
    struct stat info {};
    ASSERT_EQ(lstat((dir / "control").c_str(), &info), 0);
    EXPECT_TRUE(S_ISSOCK(info.st_mode));
    EXPECT_EQ(info.st_mode & 0777, 0660u);
}

TEST_F(ControlSocketTest, EachConnectionGetsItsOwnAnswer) {
    StartServer([](const std::string& request) { return "answer " + request; });
    auto first = std::async(std::launch::async,
                            [&] { return SendControlRequest(socketFile(), "27971", 10s); });
    auto second = std::async(std::launch::async,
                             [&] { return SendControlRequest(socketFile(), "27972", 10s); });
    EXPECT_EQ(Await(first), "answer 27971");
    EXPECT_EQ(Await(second), "answer 27972");
}

TEST_F(ControlSocketTest, RequestFraming) {
    struct Case {
        std::string bytes;
        bool closeSending;
        std::string handled;  // "" when the request must not reach the handler
    };
    const Case cases[] = {
        {"27991\n", false, "27991"},
        {"27991\r\n", false, "27991"},
        {"27991\nrest is ignored\n", false, "27991"},
        {"KORVANEUniqString", true, "KORVANEUniqString"},  // line ended by closing
        {"\n", false, ""},
        {std::string(kMaxControlRequest + 1, '7') + "\n", false, ""},
        {std::string(4096, '7'), false, ""},
    };
    StartServer([](const std::string& request) { return "got " + request; });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.substr(0, 20));
        requests.clear();
        auto answer = RawClient(c.bytes, c.closeSending);
        if (c.handled.empty()) {
            // dropped: the connection closes unanswered and nothing is posted
            EXPECT_EQ(answer.get(), "");
            EXPECT_EQ(ui.Pending(), 0u);
            EXPECT_TRUE(requests.empty());
        } else {
            EXPECT_EQ(Await(answer), "got " + c.handled + "\n");
            EXPECT_EQ(requests, std::vector<std::string>{c.handled});
        }
    }
}

TEST_F(ControlSocketTest, EmptyAnswerClosesTheConnection) {
    StartServer([](const std::string&) { return ""; });
    EXPECT_EQ(Ask("27991"), "");
    EXPECT_EQ(requests.size(), 1u);
}

TEST_F(ControlSocketTest, NoProgramRunningIsAClearError) {
    try {
        SendControlRequest(socketFile(), "27991", 1s);
        FAIL() << "no server runs";
    } catch (const ControlSocketError& error) {
        EXPECT_NE(std::string(error.what()).find("not running"), std::string::npos) << error.what();
    }
}

TEST_F(ControlSocketTest, ClientGivesUpWhenNoAnswerComesInTime) {
    StartServer([](const std::string&) { return "0"; });  // the UI thread never runs it
    EXPECT_THROW(SendControlRequest(socketFile(), "27991", 200ms), ControlSocketError);
}

TEST_F(ControlSocketTest, StaleSocketOfAnEndedCopyIsReplaced) {
    {
        int fd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof(address.sun_path), "%s", socketFile().c_str());
        ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
        close(fd);  // bound, never listened: what a killed copy leaves behind
    }
    StartServer([](const std::string&) { return "27992 0"; });
    EXPECT_EQ(Ask("27991"), "27992 0");
}

TEST_F(ControlSocketTest, LiveServerOrOtherFileAtThePathIsLeftAlone) {
    StartServer([](const std::string&) { return "first"; });
    auto noop = [](std::function<void()>) {};
    auto answer = [](const std::string&) { return std::string("second"); };
    EXPECT_THROW(ControlServer(socketFile(), noop, answer), ControlSocketError);
    EXPECT_EQ(Ask("27991"), "first");

    dir.Write("other", "a user's file");
    EXPECT_THROW(ControlServer(dir / "other", noop, answer), ControlSocketError);
    EXPECT_EQ(dir.Read("other"), "a user's file");
}

TEST_F(ControlSocketTest, StoppedServerRemovesItsSocketAndClosesPendingRequestsUnanswered) {
    StartServer([](const std::string&) { return "27981 0"; });
    auto answer = std::async(std::launch::async,
                             [&] { return SendControlRequest(socketFile(), "27971", 10s); });
    while (ui.Pending() == 0) std::this_thread::sleep_for(1ms);  // posted, not yet run
    server.reset();
    EXPECT_FALSE(std::filesystem::exists(socketFile()));
    EXPECT_EQ(Await(answer), "");
    EXPECT_TRUE(requests.empty());
}

// korvanectl run as its own program against this test's server.
struct CtlRun {
    int status;
    std::string output;
};

class KorvanectlTest : public ControlSocketTest {
  protected:
    std::future<CtlRun> Run(const std::string& arguments) {
        std::string command = "KORVANE_RUNTIME_DIR='" + dir.path().string() + "' '" +
                              KORVANE_PROGRAM_DIR + "korvanectl' " + arguments + " 2>&1";
        return std::async(std::launch::async, [command] {
            CtlRun run{-1, ""};
            FILE* pipe = popen(command.c_str(), "r");
            if (!pipe) return run;
            char buffer[256];
            while (std::fgets(buffer, sizeof(buffer), pipe)) run.output += buffer;
            run.status = WEXITSTATUS(pclose(pipe));
            return run;
        });
    }
};

TEST_F(KorvanectlTest, EachCommandSendsItsRequestAndPrintsTheAnswer) {
    const std::pair<std::string, std::string> commands[] = {
        {"activate", "27971"}, {"deactivate", "27972"},       {"state", "27991"},
        {"intra", "27995"},    {"show", "KORVANEUniqString"},
    };
    StartServer([](const std::string& request) { return "answer to " + request; });
    for (const auto& [command, request] : commands) {
        SCOPED_TRACE(command);
        auto run = Run(command);
        CtlRun result = Await(run);
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(result.output, "answer to " + request + "\n");
    }
}

TEST_F(KorvanectlTest, FailuresExitNonZeroWithAMessage) {
    auto notRunning = Run("state");
    CtlRun result = Await(notRunning);
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.output.find("korvanectl: Korvane is not running"), std::string::npos)
        << result.output;

    StartServer([](const std::string&) { return "0"; });
    for (const char* bad : {"", "reboot", "state extra"}) {
        SCOPED_TRACE(bad);
        auto run = Run(bad);
        result = Await(run);
        EXPECT_EQ(result.status, 2);
        EXPECT_NE(result.output.find("usage: korvanectl"), std::string::npos) << result.output;
    }
    EXPECT_TRUE(requests.empty());
}

}  // namespace
}  // namespace korvane::platform
