// Real fetches through the HTTP component from a server on 127.0.0.1 started by the test.
#include <gtest/gtest.h>

#include <cstdlib>

#include "lists/list_updater.h"
#include "support/list_fakes.h"
#include "support/local_http_server.h"
#include "support/temp_dir.h"
#include "support/ui_queue.h"

namespace korvane::lists {
namespace {

using test::HttpResponse;
using test::LocalHttpServer;

const std::string kListBody =
    "# Tarvel exchange networks\r\n62.80.160.0/19\r\n194.44.0.0-194.44.255.255\r\n10.0.0.0\r\n";
const std::string kOldListFile = "1.2.3.0/24\r\n";

platform::HttpOptions ShortTimeouts() {
    platform::HttpOptions options;
    options.connectTimeoutMs = 2000;
    options.totalTimeoutMs = 500;  // for the server that never answers
    return options;
}

// The program's side of one download: the updater over the real HTTP component.
struct Program {
    explicit Program(const std::string& url) {
        setenv("LC_ALL", "C", 1);
        dir.Write("Lists/tarvel-list.lst", kOldListFile);
        controls.ComboBoxTarvelListURL.text = url;
        controls.ComboBoxRefreshList = kRefreshDaily;
    }
    // Runs "Обновить сейчас" and the UI thread until the result has been handled.
    bool RefreshAndWait() {
        updater.ButtonRefreshClick();
        return queue.RunUntil([this] { return log.Lines().size() >= 2; });
    }
    std::string LastLogText() const { return log.Lines().back().substr(8); }

    test::TempDir dir;
    test::UiQueue queue;
    core::Controls controls;
    SubnetList subnets;
    UpdateLog log;
    platform::CurlHttpGet http{[this](std::function<void()> task) { queue.Post(std::move(task)); },
                               ShortTimeouts()};
    platform::ManualTimer refreshTimer, renewPeriodTimer;
    platform::SystemClock clock;
    test::FakeWall wall;
    routing::RecordingTrayView tray;
    platform::ScriptedMessages messages;
    ListUpdater updater{{controls, subnets, log, http, refreshTimer, renewPeriodTimer, clock, wall,
                         tray, messages, dir / "Lists/tarvel-list.lst"}};
};

TEST(ListsDownload, AGoodListIsAcceptedAndWrittenWithAllItsLines) {
    LocalHttpServer server(HttpResponse("200 OK", kListBody));
    Program program(server.Url("/tarvel-list.txt"));
    ASSERT_TRUE(program.RefreshAndWait());

    EXPECT_EQ(program.LastLogText(), ", успешно загружено 3 подсетей");
    EXPECT_EQ(program.subnets.SubnetAddresses(),
              (std::vector<std::string>{"62.80.160.0", "194.44.0.0", "10.0.0.0"}));
    EXPECT_EQ(program.dir.Read("Lists/tarvel-list.lst"), kListBody);
    EXPECT_EQ(program.controls.LabelSubnetsCount, "3");
    EXPECT_TRUE(program.refreshTimer.Enabled());
    ASSERT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(server.Requests()[0].rfind("GET /tarvel-list.txt HTTP/1.0\r\n", 0), 0u);
}

TEST(ListsDownload, FailedFetchesRetryAndLeaveTheListFileAlone) {
    LocalHttpServer notFound(HttpResponse(
        "404 Not Found", "<html><body><h1>Not Found</h1></body></html>\r\n", "text/html"));
    LocalHttpServer emptyBody(HttpResponse("200 OK", ""));
    LocalHttpServer silent{LocalHttpServer::NeverAnswer{}};
    struct Case {
        const char* what;
        std::string url;
        std::string line;
    } cases[] = {
        {"404 page", notFound.Url("/tarvel-list.txt"),
         ", ошибка. подсетей не обнаружено, попытка через 5 сек."},
        {"empty body", emptyBody.Url("/tarvel-list.txt"),
         ", ошибка. не могу соединится с сервером, попытка через 5 сек."},
        {"closed port",
         "http://127.0.0.1:" + std::to_string(test::ClosedLocalPort()) + "/tarvel-list.txt",
         ", ошибка. не могу соединится с сервером, попытка через 5 сек."},
        {"server never answers", silent.Url("/tarvel-list.txt"),
         ", ошибка. не могу соединится с сервером, попытка через 5 сек."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Program program(c.url);
        ASSERT_TRUE(program.RefreshAndWait());
        EXPECT_EQ(program.LastLogText(), c.line);
        EXPECT_EQ(program.dir.Read("Lists/tarvel-list.lst"), kOldListFile);
        EXPECT_EQ(program.subnets.Count(), 0u);
        EXPECT_EQ(program.refreshTimer.Interval(), 5000);
        EXPECT_TRUE(program.refreshTimer.Enabled());
    }
}

}  // namespace
}  // namespace korvane::lists
