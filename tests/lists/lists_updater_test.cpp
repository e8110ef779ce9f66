// The list download's state machine: schedule, retries, limit, pause, start-up tick, sources.
#include <gtest/gtest.h>

#include <cstdlib>

#include "lists/list_updater.h"
#include "routing/tray_status.h"
#include "support/list_fakes.h"
#include "support/temp_dir.h"

namespace korvane::lists {
namespace {

using std::chrono::milliseconds;
using test::LocalTime;

const std::string kGoodList = "# exchange networks\r\n62.80.160.0/19\r\n\r\n10.0.0.0\r\n";
const std::string kErrorPage = "<html><head><title>404 Not Found</title></head></html>\r\n";

class ListUpdaterTest : public ::testing::Test {
  protected:
    ListUpdaterTest() {
        setenv("LC_ALL", "C", 1);  // "%H:%M:%S" log times, '/' and ':' separators
        std::filesystem::create_directories(dir / "Lists");
        controls.ComboBoxTarvelListURL.text = "http://lists.example/tarvel-list.txt";
        controls.ComboBoxRefreshList = kRefreshDaily;
        clock.Set(LocalTime(2026, 4, 14, 10, 7, 5));
    }

    // The log lines without their leading time.
    std::vector<std::string> LogTexts() const {
        std::vector<std::string> texts;
        for (const std::string& line : log.Lines()) texts.push_back(line.substr(8));
        return texts;
    }
    std::string ListFileBytes() const { return dir.Read("Lists/tarvel-list.lst"); }
    bool ListFileExists() const { return std::filesystem::exists(dir / "Lists/tarvel-list.lst"); }
    void Accept(const std::string& text = kGoodList) {
        updater.ButtonRefreshClick();
        http.Finish(text);
    }

    test::TempDir dir;
    core::Controls controls;
    SubnetList subnets;
    UpdateLog log;
    test::FakeHttpGet http;
    platform::ManualTimer refreshTimer;
    platform::ManualTimer renewPeriodTimer;
    platform::ManualClock clock;
    test::FakeWall wall;
    routing::RecordingTrayView tray;
    platform::ScriptedMessages messages;
    ListUpdater updater{{controls, subnets, log, http, refreshTimer, renewPeriodTimer, clock, wall,
                         tray, messages, dir / "Lists/tarvel-list.lst"}};
};

TEST_F(ListUpdaterTest, StartsIdleWithIntervalZero) {
    EXPECT_FALSE(refreshTimer.Enabled());
    EXPECT_EQ(refreshTimer.Interval(), 0);
    EXPECT_EQ(controls.LabelNextUpdate, "не задано");
}

TEST_F(ListUpdaterTest, ScheduleSetsTheIntervalToTheNextUpdateAndShowsIt) {
    struct Row {
        const char* what;
        int choice;
        bool aligned;
        platform::TimePoint last, now;
        int interval;
        std::string label;
    } rows[] = {
        {"15 minutes aligned, same day", kRefresh15Minutes, true, LocalTime(2026, 4, 14, 10, 7, 0),
         LocalTime(2026, 4, 14, 10, 7, 5, 250), 474750, "10:15:00"},
        {"hourly, the milliseconds kept", kRefreshHourly, false,
         LocalTime(2026, 4, 14, 9, 30, 0, 700), LocalTime(2026, 4, 14, 10, 0, 0), 1800700,
         "10:30:00"},
        {"hour below 10 without a leading zero", kRefreshHourly, true,
         LocalTime(2026, 4, 14, 8, 10, 0), LocalTime(2026, 4, 14, 8, 10, 1), 2999000, "9:00:00"},
        {"daily aligned, computed before midnight", kRefreshDaily, true,
         LocalTime(2026, 4, 8, 23, 59, 30), LocalTime(2026, 4, 8, 23, 59, 30), 30000,
         "9/04/2026, 00:00:00"},
        {"daily", kRefreshDaily, false, LocalTime(2026, 4, 13, 12, 0, 0),
         LocalTime(2026, 4, 14, 11, 0, 0), 3600000, "12:00:00"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        controls.ComboBoxRefreshList = row.choice;
        controls.CheckBoxRoundTime = row.aligned;
        subnets.SetLastUpdateTime(row.last);
        clock.Set(row.now);
        updater.ScheduleNextUpdate(true);
        EXPECT_TRUE(refreshTimer.Enabled());
        EXPECT_EQ(refreshTimer.Interval(), row.interval);
        EXPECT_EQ(controls.LabelNextUpdate, row.label);
    }
}

TEST_F(ListUpdaterTest, AnOverdueUpdateIsDueInOneMillisecondAndKeepsTheLabel) {
    updater.ScheduleNextUpdate(true);  // no list yet: the last update is long past
    EXPECT_EQ(refreshTimer.Interval(), 1);
    EXPECT_TRUE(refreshTimer.Enabled());
    EXPECT_EQ(controls.LabelNextUpdate, "не задано");

    controls.LabelNextUpdate = "11:00:00";
    subnets.SetLastUpdateTime(LocalTime(2026, 4, 14, 9, 0, 0));
    controls.ComboBoxRefreshList = kRefreshHourly;
    clock.Set(LocalTime(2026, 4, 14, 10, 0, 0));  // due exactly now
    updater.ScheduleNextUpdate(true);
    EXPECT_EQ(refreshTimer.Interval(), 1);
    EXPECT_EQ(controls.LabelNextUpdate, "11:00:00");
}

TEST_F(ListUpdaterTest, WithoutRestartAStoppedTimerStaysStopped) {
    subnets.SetLastUpdateTime(LocalTime(2026, 4, 14, 10, 0, 0));
    controls.ComboBoxRefreshList = kRefresh15Minutes;
    updater.ComboBoxRefreshListChange();
    EXPECT_FALSE(refreshTimer.Enabled());
    EXPECT_EQ(refreshTimer.Interval(), 475000);
    EXPECT_EQ(controls.LabelNextUpdate, "10:15:00");

    controls.ComboBoxRefreshList = kRefreshNever;  // shows "не задано", timer untouched
    updater.ComboBoxRefreshListChange();
    EXPECT_EQ(controls.LabelNextUpdate, "не задано");
    EXPECT_EQ(refreshTimer.Interval(), 475000);
}

TEST_F(ListUpdaterTest, RestartWithNeverStopsTheTimer) {
    updater.ScheduleNextUpdate(true);
    ASSERT_TRUE(refreshTimer.Enabled());
    controls.ComboBoxRefreshList = -1;
    updater.ScheduleNextUpdate(true);
    EXPECT_FALSE(refreshTimer.Enabled());
    EXPECT_EQ(controls.LabelNextUpdate, "не задано");
}

TEST_F(ListUpdaterTest, AnAcceptedListReplacesTheListAndItsFileAndArmsTheSchedule) {
    dir.Write("Lists/tarvel-list.lst", "1.2.3.0/24\r\n");
    controls.CheckBoxRoundTime = true;
    controls.ComboBoxRefreshList = kRefreshHourly;

    updater.ButtonRefreshClick();
    EXPECT_EQ(http.requested, std::vector<std::string>{"http://lists.example/tarvel-list.txt"});
    EXPECT_EQ(updater.CurrentListURL(), "http://lists.example/tarvel-list.txt");
    EXPECT_FALSE(refreshTimer.Enabled());  // stopped while the fetch runs
    http.Finish(kGoodList);

    EXPECT_EQ(subnets.SubnetAddresses(), (std::vector<std::string>{"62.80.160.0", "10.0.0.0"}));
    EXPECT_EQ(ListFileBytes(), "# exchange networks\r\n62.80.160.0/19\r\n\r\n10.0.0.0\r\n");
    ASSERT_TRUE(subnets.LastUpdateTime().has_value());
    EXPECT_EQ(*subnets.LastUpdateTime(), clock.Now());
    EXPECT_EQ(controls.LabelSubnetsCount, "2");
    EXPECT_EQ(controls.LabelLastUpdated, "10:07");
    EXPECT_TRUE(refreshTimer.Enabled());
    EXPECT_EQ(refreshTimer.Interval(), 52 * 60 * 1000 + 55 * 1000);
    EXPECT_EQ(controls.LabelNextUpdate, "11:00:00");
    EXPECT_EQ(LogTexts(), (std::vector<std::string>{
                              ", попытка соединения с http://lists.example/tarvel-list.txt",
                              ", успешно загружено 2 подсетей"}));
    EXPECT_EQ(log.Lines()[0].substr(0, 8), "10:07:05");
    EXPECT_EQ(log.SelectedIndex(), 1);
    EXPECT_EQ(wall.activations, 0);  // the wall is off
    EXPECT_EQ(tray.Hint(), routing::StatusSummary(routing::kStateDeactivated, controls));
}

TEST_F(ListUpdaterTest, AnAcceptedListReappliesAnActivatedWall) {
    wall.activateChecked = true;
    Accept();
    EXPECT_EQ(wall.activations, 1);
    EXPECT_EQ(tray.Hint(),
              "Korvane (активирована)\n\rПоследнее обновление: 10:07\n\r"
              "Количество подсетей: 2");
}

TEST_F(ListUpdaterTest, BothFailureReasonsRetryInFiveSecondsAndLeaveTheListAlone) {
    Accept("1.2.3.0/24\r\n");
    const std::string fileBefore = ListFileBytes();
    const auto updateBefore = subnets.LastUpdateTime();
    clock.Advance(milliseconds(60'000));

    updater.ButtonRefreshClick();
    http.Fail();
    EXPECT_EQ(LogTexts().back(), ", ошибка. не могу соединится с сервером, попытка через 5 сек.");
    EXPECT_TRUE(refreshTimer.Enabled());
    EXPECT_EQ(refreshTimer.Interval(), 5000);

    refreshTimer.Fire();  // the retry
    ASSERT_EQ(http.requested.size(), 3u);
    http.Finish(kErrorPage);
    EXPECT_EQ(LogTexts().back(), ", ошибка. подсетей не обнаружено, попытка через 5 сек.");
    EXPECT_EQ(refreshTimer.Interval(), 5000);
    EXPECT_EQ(log.SelectedIndex(), static_cast<int>(log.Lines().size()) - 1);

    EXPECT_EQ(subnets.SubnetAddresses(), std::vector<std::string>{"1.2.3.0"});
    EXPECT_EQ(ListFileBytes(), fileBefore);
    EXPECT_EQ(subnets.LastUpdateTime(), updateBefore);
    EXPECT_EQ(updater.FailedTries(), 2);
}

TEST_F(ListUpdaterTest, TheLimitStopsAutomaticRefreshing) {
    for (int limit : {1, 3}) {
        SCOPED_TRACE(limit);
        controls.ComboBoxRefreshList = kRefreshDaily;
        controls.CheckBoxTries = true;
        controls.EditRefreshTries = limit;
        controls.LabelNextUpdate = "12:00:00";
        updater.CheckBoxTriesClick();
        const std::size_t fetchesBefore = http.requested.size();

        updater.TimerRefreshListTimer();
        for (int attempt = 1; attempt <= limit; ++attempt) {
            http.Fail();
            if (attempt < limit) {
                EXPECT_EQ(refreshTimer.Interval(), 5000);
                refreshTimer.Fire();
            }
        }
        EXPECT_EQ(http.requested.size() - fetchesBefore, static_cast<std::size_t>(limit));
        EXPECT_EQ(LogTexts().back(), ", ошибка. достигнут лимит неудачных попыток");
        EXPECT_EQ(controls.ComboBoxRefreshList, kRefreshNever);
        EXPECT_EQ(controls.LabelNextUpdate, "12:00:00");
        EXPECT_FALSE(refreshTimer.Enabled());
        refreshTimer.Fire();
        EXPECT_EQ(http.requested.size() - fetchesBefore, static_cast<std::size_t>(limit));
    }
}

TEST_F(ListUpdaterTest, WithoutTheLimitFailuresRetryForeverAndTheCountWraps) {
    controls.CheckBoxTries = false;
    controls.EditRefreshTries = 3;
    updater.StartListDownload();
    for (int i = 0; i < 256; ++i) {
        http.Fail();
        ASSERT_TRUE(refreshTimer.Enabled());
        refreshTimer.Fire();
    }
    EXPECT_EQ(updater.FailedTries(), 0);  // eight bits
    EXPECT_EQ(http.requested.size(), 257u);
}

TEST_F(ListUpdaterTest, TheFailureCountRestartsOnAcceptanceRefreshAndTheTriesBox) {
    controls.CheckBoxTries = true;
    controls.EditRefreshTries = 3;
    updater.StartListDownload();
    http.Fail();
    refreshTimer.Fire();
    http.Fail();
    ASSERT_EQ(updater.FailedTries(), 2);
    updater.ButtonRefreshClick();
    EXPECT_EQ(updater.FailedTries(), 0);
    http.Fail();
    controls.CheckBoxTries = false;
    updater.CheckBoxTriesClick();
    EXPECT_EQ(updater.FailedTries(), 0);
    EXPECT_FALSE(controls.EditRefreshTriesEnabled);
    controls.CheckBoxTries = true;
    updater.CheckBoxTriesClick();
    EXPECT_TRUE(controls.EditRefreshTriesEnabled);
    refreshTimer.Fire();
    http.Fail();
    refreshTimer.Fire();
    http.Finish(kGoodList);
    EXPECT_EQ(updater.FailedTries(), 0);
}

TEST_F(ListUpdaterTest, TheLimitAlsoStopsAScheduleArmedDuringTheFetch) {
    controls.CheckBoxTries = true;
    controls.EditRefreshTries = 1;
    updater.StartListDownload();
    updater.ScheduleNextUpdate(true);  // "Применить" while the fetch runs
    http.Fail();
    EXPECT_EQ(controls.ComboBoxRefreshList, kRefreshNever);
    EXPECT_FALSE(refreshTimer.Enabled());
}

TEST_F(ListUpdaterTest, RefreshTwiceWritesTwoAttemptLinesButFetchesOnce) {
    controls.ComboBoxTarvelListURL.text = "http://other.example/list.txt";
    updater.ButtonRefreshClick();
    updater.ButtonRefreshClick();
    EXPECT_EQ(http.requested, std::vector<std::string>{"http://other.example/list.txt"});
    http.Finish(kGoodList);
    EXPECT_EQ(LogTexts(),
              (std::vector<std::string>{", попытка соединения с http://other.example/list.txt",
                                        ", попытка соединения с http://other.example/list.txt",
                                        ", успешно загружено 2 подсетей"}));
}

TEST_F(ListUpdaterTest, StartUpTickActivatesThenFetchesThirtySecondsLater) {
    renewPeriodTimer.SetEnabled(true);
    updater.ArmStartupActivation();
    EXPECT_EQ(refreshTimer.Interval(), 10);
    refreshTimer.Fire();
    EXPECT_EQ(wall.activations, 1);
    EXPECT_FALSE(renewPeriodTimer.Enabled());
    EXPECT_TRUE(refreshTimer.Enabled());
    EXPECT_EQ(refreshTimer.Interval(), 30000);
    EXPECT_TRUE(http.requested.empty());
    EXPECT_TRUE(log.Lines().empty());

    refreshTimer.Fire();
    EXPECT_EQ(http.requested.size(), 1u);
    EXPECT_FALSE(refreshTimer.Enabled());
    EXPECT_TRUE(renewPeriodTimer.Enabled());
    EXPECT_EQ(wall.activations, 1);
}

TEST_F(ListUpdaterTest, AScheduledUpdateTenMillisecondsAwayIsAFetchNotAnActivation) {
    subnets.SetLastUpdateTime(LocalTime(2026, 4, 14, 10, 0, 0));
    controls.ComboBoxRefreshList = kRefresh15Minutes;
    clock.Set(LocalTime(2026, 4, 14, 10, 15, 0) - milliseconds(10));
    updater.ScheduleNextUpdate(true);
    ASSERT_EQ(refreshTimer.Interval(), 10);
    refreshTimer.Fire();
    EXPECT_EQ(wall.activations, 0);
    EXPECT_EQ(http.requested.size(), 1u);
}

TEST_F(ListUpdaterTest, PauseWithholdsEveryTickUntilResumed) {
    updater.StartListDownload();
    http.Fail();  // a retry is pending
    updater.PauseRefreshingClick();
    EXPECT_TRUE(updater.Paused());
    EXPECT_TRUE(tray.Checked(routing::TrayMenuItem::PauseRefreshing));
    refreshTimer.Fire();
    EXPECT_EQ(http.requested.size(), 1u);

    updater.PauseRefreshingClick();  // resume: the schedule replaces the 5-second retry
    EXPECT_FALSE(updater.Paused());
    EXPECT_FALSE(tray.Checked(routing::TrayMenuItem::PauseRefreshing));
    EXPECT_EQ(refreshTimer.Interval(), 1);  // overdue: no list yet
    refreshTimer.Fire();
    EXPECT_EQ(http.requested.size(), 2u);
}

TEST_F(ListUpdaterTest, PauseBlocksTheStartUpTick) {
    updater.ArmStartupActivation();
    updater.PauseRefreshingClick();
    refreshTimer.Fire();
    EXPECT_EQ(wall.activations, 0);
}

TEST_F(ListUpdaterTest, AFetchCompletingWhilePausedArmsTheScheduleButNoTickArrives) {
    updater.ButtonRefreshClick();
    updater.PauseRefreshingClick();
    http.Finish(kGoodList);
    EXPECT_TRUE(updater.TimerRefreshList().Enabled());
    refreshTimer.Fire();
    EXPECT_EQ(http.requested.size(), 1u);
    updater.PauseRefreshingClick();
    refreshTimer.Fire();
    EXPECT_EQ(http.requested.size(), 2u);
}

TEST_F(ListUpdaterTest, PauseDoesNothingWithoutAutomaticRefreshing) {
    for (int choice : {static_cast<int>(kRefreshNever), -1}) {
        controls.ComboBoxRefreshList = choice;
        updater.PauseRefreshingClick();
        EXPECT_FALSE(updater.Paused());
        EXPECT_FALSE(tray.Checked(routing::TrayMenuItem::PauseRefreshing));
    }
}

TEST_F(ListUpdaterTest, RefreshNowWorksWhilePaused) {
    updater.PauseRefreshingClick();
    updater.ButtonRefreshClick();
    EXPECT_EQ(http.requested.size(), 1u);
}

TEST_F(ListUpdaterTest, FileSources) {
    const auto withEntries = dir.Write("src/good.txt", "# local copy\n1.2.3.0/24\n");
    const auto withoutEntries = dir.Write("src/bad.txt", "# nothing here\r\nnot a subnet\r\n");

    controls.ComboBoxTarvelListURL.text = "file://" + withoutEntries.string();
    updater.ButtonRefreshClick();
    EXPECT_EQ(LogTexts().back(), ", ошибка. подсетей не обнаружено, попытка через 5 сек.");
    EXPECT_FALSE(ListFileExists());

    controls.ComboBoxTarvelListURL.text = "file://" + withEntries.string();
    updater.ButtonRefreshClick();
    EXPECT_EQ(LogTexts().back(), ", успешно загружено 1 подсетей");
    EXPECT_EQ(ListFileBytes(), "# local copy\r\n1.2.3.0/24\r\n");
    EXPECT_TRUE(http.requested.empty());

    const std::size_t linesBefore = log.Lines().size();
    controls.ComboBoxTarvelListURL.text = "file://" + (dir / "src/missing.txt").string();
    updater.ButtonRefreshClick();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].caption, "Ошибка");
    EXPECT_NE(messages.shown[0].text.find("missing.txt"), std::string::npos);
    EXPECT_EQ(log.Lines().size(), linesBefore + 1);  // the attempt line only
    EXPECT_FALSE(refreshTimer.Enabled());
    EXPECT_EQ(subnets.Count(), 1u);
}

TEST_F(ListUpdaterTest, TheFileSchemeIsCaseSensitive) {
    controls.ComboBoxTarvelListURL.text = "FILE:///tmp/list.txt";
    updater.ButtonRefreshClick();
    EXPECT_EQ(http.requested, std::vector<std::string>{"FILE:///tmp/list.txt"});
}

TEST_F(ListUpdaterTest, AListFileThatCannotBeWrittenIsLoggedAndTheNewListStillServes) {
    std::filesystem::remove_all(dir / "Lists");
    wall.activateChecked = true;
    Accept();
    EXPECT_EQ(subnets.Count(), 2u);
    EXPECT_EQ(wall.activations, 1);
    EXPECT_TRUE(refreshTimer.Enabled());
    const auto texts = LogTexts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[1], ", успешно загружено 2 подсетей");
    EXPECT_EQ(texts[2].rfind(", ошибка. список не сохранён в файл: ", 0), 0u) << texts[2];
    EXPECT_NE(texts[2].find("tarvel-list.lst"), std::string::npos);
    EXPECT_EQ(LogPictureFor(log.Lines()[2]), LogPicture::ImageError);
}

TEST_F(ListUpdaterTest, TheListFileLoadedAtStartIsLoggedAndShown) {
    const auto file = dir.Write("Lists/tarvel-list.lst", "# list\r\n62.80.160.0/19\r\n");
    const auto written = LocalTime(2026, 4, 2, 18, 45, 0);
    std::filesystem::last_write_time(file,
                                     std::filesystem::file_time_type::clock::from_sys(written));
    wall.activateChecked = true;

    EXPECT_TRUE(updater.LoadListFileAtStart());
    EXPECT_EQ(subnets.Count(), 1u);
    EXPECT_EQ(LogTexts(), std::vector<std::string>{", загружен " + file.string()});
    EXPECT_EQ(log.SelectedIndex(), 0);
    EXPECT_EQ(LogPictureFor(log.Lines()[0]), LogPicture::ImageOK);
    EXPECT_EQ(controls.LabelSubnetsCount, "1");
    EXPECT_EQ(controls.LabelLastUpdated, "2/04/2026, 18:45");
    EXPECT_EQ(tray.Hint(), routing::StatusSummary(routing::kStateActivated, controls));
}

TEST_F(ListUpdaterTest, NoListLoadedAtStartLeavesEverythingAsItWas) {
    EXPECT_FALSE(updater.LoadListFileAtStart());  // no file
    dir.Write("Lists/tarvel-list.lst", "# nothing but comments\r\n");
    EXPECT_FALSE(updater.LoadListFileAtStart());
    EXPECT_TRUE(messages.shown.empty());

    std::filesystem::remove(dir / "Lists/tarvel-list.lst");
    std::filesystem::create_directories(dir / "Lists/tarvel-list.lst");  // cannot be read
    EXPECT_FALSE(updater.LoadListFileAtStart());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find("tarvel-list.lst"), std::string::npos);

    EXPECT_TRUE(log.Lines().empty());
    EXPECT_EQ(subnets.Count(), 0u);
    EXPECT_FALSE(subnets.LastUpdateTime().has_value());
    EXPECT_EQ(controls.LabelSubnetsCount, "0");
    EXPECT_EQ(controls.LabelLastUpdated, "не было");
    EXPECT_EQ(tray.Hint(), "Korvane (деактивирована)");
}

TEST_F(ListUpdaterTest, SavingAnotherListURLRestartsTheFailureCount) {
    updater.SetCurrentListURL("http://a.example/list.txt");
    updater.StartListDownload();
    http.Fail();
    updater.AdoptListURL("http://a.example/list.txt");
    EXPECT_EQ(updater.FailedTries(), 1);
    updater.AdoptListURL("http://A.example/list.txt");
    EXPECT_EQ(updater.FailedTries(), 0);
    EXPECT_EQ(updater.CurrentListURL(), "http://A.example/list.txt");
}

TEST_F(ListUpdaterTest, AStoredLimitOutsideTheSpinEditsRangeCountsAsItsBound) {
    controls.CheckBoxTries = true;
    controls.EditRefreshTries = 0;  // shown as 1
    updater.StartListDownload();
    http.Fail();
    EXPECT_EQ(LogTexts().back(), ", ошибка. достигнут лимит неудачных попыток");
}

}  // namespace
}  // namespace korvane::lists
