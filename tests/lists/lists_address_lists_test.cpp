// White list, black list and untouched destinations: files, add-host buttons, enabled states.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "lists/address_lists.h"
#include "support/temp_dir.h"

namespace korvane::lists {
namespace {

class AddressListsTest : public ::testing::Test {
  protected:
    AddressListsTest() {
        std::filesystem::create_directories(dir / "Lists");
        resolver.addresses["www.example.org"] = "93.184.216.34";
    }

    test::TempDir dir;
    core::Controls controls;
    routing::RecordingTrayView tray;
    platform::ScriptedMessages messages;
    platform::FakeResolver resolver;
    AddressLists lists{controls, tray, messages, resolver, ListFiles(dir / "Lists")};
};

TEST_F(AddressListsTest, LoadReadsEachExistingFileWithAllItsLines) {
    dir.Write("Lists/white-list.lst", "# office\r\n10.1.2.3/32\r\n\r\nsome remark\r\n");
    dir.Write("Lists/untouch-dests.lst", "# kept routes\r\n10.0.0.0\r\n10.0.0.0 \n");
    controls.memoWhiteList2 = {"untouched by a missing file"};
    lists.LoadLists();

    EXPECT_EQ(controls.MemoWhiteList,
              (std::vector<std::string>{"# office", "10.1.2.3/32", "", "some remark"}));
    EXPECT_EQ(controls.memoWhiteList2, std::vector<std::string>{"untouched by a missing file"});
    EXPECT_EQ(lists.UntouchedDestinations(),
              (std::vector<std::string>{"# kept routes", "10.0.0.0", "10.0.0.0 "}));
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(AddressListsTest, SaveWritesBothFilesEvenWhenEmpty) {
    controls.MemoWhiteList = {"# office", "10.1.2.3/32", "remark"};
    EXPECT_TRUE(lists.SaveLists());
    EXPECT_EQ(dir.Read("Lists/white-list.lst"), "# office\r\n10.1.2.3/32\r\nremark\r\n");
    EXPECT_TRUE(std::filesystem::exists(dir / "Lists/white-list2.lst"));
    EXPECT_EQ(dir.Read("Lists/white-list2.lst"), "");
    EXPECT_TRUE(messages.shown.empty());
}

TEST_F(AddressListsTest, AMissingListsFolderGivesAClearMessageAndLosesNothing) {
    std::filesystem::remove_all(dir / "Lists");
    controls.MemoWhiteList = {"10.1.2.3/32"};
    EXPECT_FALSE(lists.SaveLists());
    ASSERT_EQ(messages.shown.size(), 2u);  // one per list
    EXPECT_EQ(messages.shown[0].caption, "Ошибка");
    EXPECT_EQ(messages.shown[0].text.rfind("Белый список не сохранён", 0), 0u);
    EXPECT_NE(messages.shown[0].text.find("white-list.lst"), std::string::npos);
    EXPECT_EQ(messages.shown[1].text.rfind("Черный список не сохранён", 0), 0u);
    EXPECT_EQ(controls.MemoWhiteList, std::vector<std::string>{"10.1.2.3/32"});
    EXPECT_FALSE(std::filesystem::exists(dir / "Lists"));  // the folder is not created

    std::filesystem::create_directories(dir / "Lists");  // the next save succeeds
    EXPECT_TRUE(lists.SaveLists());
    EXPECT_EQ(dir.Read("Lists/white-list.lst"), "10.1.2.3/32\r\n");
}

TEST_F(AddressListsTest, AReadOnlyListsFolderKeepsTheOldFiles) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    dir.Write("Lists/white-list.lst", "old\r\n");
    chmod((dir / "Lists").c_str(), 0555);
    controls.MemoWhiteList = {"new"};
    EXPECT_FALSE(lists.SaveLists());
    chmod((dir / "Lists").c_str(), 0755);
    EXPECT_EQ(dir.Read("Lists/white-list.lst"), "old\r\n");
    EXPECT_EQ(messages.shown.size(), 2u);
}

TEST_F(AddressListsTest, AFileThatCouldNotBeReadIsNeverOverwritten) {
    // A folder where the file should be cannot be read as a file, even by root.
    std::filesystem::create_directories(dir / "Lists/white-list.lst");
    dir.Write("Lists/white-list.lst/keep", "x");
    lists.LoadLists();
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find("white-list.lst"), std::string::npos);
    EXPECT_TRUE(controls.MemoWhiteList.empty());

    messages.shown.clear();
    EXPECT_FALSE(lists.SaveLists());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text.rfind("Белый список не сохранён", 0), 0u);
    EXPECT_EQ(dir.Read("Lists/white-list.lst/keep"), "x");
    EXPECT_TRUE(std::filesystem::exists(dir / "Lists/white-list2.lst"));  // the other one saved
}

TEST_F(AddressListsTest, WhiteListEntriesTakeOnlyEntryLines) {
    const std::vector<std::string> lines = {
        "# 10.0.0.0/8",    "10.0.0.0/8 office", "10.0.0.0-10.0.0.255", "",
        "  192.168.5.0  ", "host.example.org",  "172.16.0.0",          "1.2.3.4/32",
        "#1.2.3.4",
    };
    const std::vector<ListEntry> entries = WhiteListEntries(lines);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].address, "10.0.0.0");
    EXPECT_EQ(entries[0].mask, "255.255.255.0");
    EXPECT_EQ(entries[1].address, "192.168.5.0");
    EXPECT_EQ(entries[1].mask, "255.255.255.0");
    EXPECT_EQ(entries[2].address, "172.16.0.0");
    EXPECT_EQ(entries[2].mask, "255.255.0.0");
    EXPECT_EQ(entries[3].address, "1.2.3.4");
    EXPECT_EQ(entries[3].mask, "255.255.255.255");
}

TEST_F(AddressListsTest, UntouchedDestinationsMatchWholeLinesCaseIgnored) {
    const std::vector<std::string> untouched = {"10.0.0.0 ", "192.168.1.0", "Host"};
    EXPECT_FALSE(IsUntouchedDestination(untouched, "10.0.0.0"));
    EXPECT_TRUE(IsUntouchedDestination(untouched, "192.168.1.0"));
    EXPECT_FALSE(IsUntouchedDestination(untouched, "192.168.1.00"));
    EXPECT_TRUE(IsUntouchedDestination(untouched, "hOST"));
}

TEST_F(AddressListsTest, AddingToTheWhiteListCommentsTheTypedText) {
    controls.CheckBoxUseWhiteList = true;
    lists.CheckBoxUseWhiteListClick();
    controls.MemoWhiteList = {"# earlier"};
    struct Row {
        std::string typed;
        std::vector<std::string> added;
    } rows[] = {
        {"http://www.example.org/some/page.html",
         {"# http://www.example.org/some/page.html", "93.184.216.34/32"}},
        {"10.1.2.3", {"# 10.1.2.3", "10.1.2.3/32"}},
        {"https://10.1.2.3:8080/x", {"# https://10.1.2.3:8080/x", "10.1.2.3/32"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.typed);
        controls.EditUrl = row.typed;
        lists.EditUrlChange();
        ASSERT_TRUE(controls.ButtonAddUrlEnabled);
        const std::size_t before = controls.MemoWhiteList.size();
        lists.ButtonAddUrlClick();
        ASSERT_EQ(controls.MemoWhiteList.size(), before + 2);
        EXPECT_EQ(std::vector<std::string>(controls.MemoWhiteList.end() - 2,
                                           controls.MemoWhiteList.end()),
                  row.added);
        EXPECT_EQ(controls.EditUrl, "");
        EXPECT_FALSE(controls.ButtonAddUrlEnabled);
    }
    EXPECT_EQ(controls.MemoWhiteList.front(), "# earlier");
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_FALSE(std::filesystem::exists(dir / "Lists/white-list.lst"));  // only saving writes
}

TEST_F(AddressListsTest, AddingToTheBlackListCommentsTheHostFound) {
    controls.EditURL2 = "http://www.example.org/some/page.html";
    lists.EditURL2Change();
    EXPECT_TRUE(controls.ButtonAddUrl2Enabled);
    lists.ButtonAddUrl2Click();
    EXPECT_EQ(controls.memoWhiteList2,
              (std::vector<std::string>{"# www.example.org", "93.184.216.34/32"}));
    EXPECT_EQ(controls.EditURL2, "");
    EXPECT_FALSE(controls.ButtonAddUrl2Enabled);
}

TEST_F(AddressListsTest, AHostThatDoesNotResolveShowsTheTypedTextAndAddsNothing) {
    for (bool blackList : {false, true}) {
        SCOPED_TRACE(blackList);
        messages.shown.clear();
        // A scheme in capitals is not dropped: the host becomes "HTTP", which does not resolve.
        std::string& edit = blackList ? controls.EditURL2 : controls.EditUrl;
        edit = "HTTP://www.example.org/";
        blackList ? lists.ButtonAddUrl2Click() : lists.ButtonAddUrlClick();
        ASSERT_EQ(messages.shown.size(), 1u);
        EXPECT_EQ(messages.shown[0].text,
                  "Домен HTTP://www.example.org/ не был найден в таблице DNS\n\r");
        EXPECT_EQ(edit, "HTTP://www.example.org/");
        EXPECT_TRUE(controls.MemoWhiteList.empty());
        EXPECT_TRUE(controls.memoWhiteList2.empty());
        EXPECT_EQ(resolver.asked.back(), "HTTP");
    }
}

TEST_F(AddressListsTest, ANameOver255CharactersIsRefusedBeforeTheResolver) {
    const std::string longest(255, 'a');
    resolver.addresses[longest] = "10.9.9.9";
    controls.EditUrl = "http://" + longest + "/";
    lists.ButtonAddUrlClick();
    EXPECT_EQ(controls.MemoWhiteList.back(), "10.9.9.9/32");

    controls.EditUrl = "http://" + longest + "b/";
    resolver.asked.clear();
    lists.ButtonAddUrlClick();
    EXPECT_TRUE(resolver.asked.empty());
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_NE(messages.shown[0].text.find("длиннее 255 символов"), std::string::npos);
    EXPECT_EQ(controls.MemoWhiteList.size(), 2u);
}

TEST_F(AddressListsTest, TheWhiteListBoxSetsThePageAndTheTrayItems) {
    for (bool on : {true, false, true}) {
        SCOPED_TRACE(on);
        controls.EditUrl = "www.example.org";
        controls.CheckBoxUseWhiteList = on;
        lists.CheckBoxUseWhiteListClick();
        EXPECT_EQ(controls.MemoWhiteListEnabled, on);
        EXPECT_EQ(controls.EditUrlEnabled, on);
        EXPECT_EQ(controls.LabelWhiteListUrlEnabled, on);
        EXPECT_EQ(controls.ButtonAddUrlEnabled, on);
        EXPECT_EQ(tray.Checked(routing::TrayMenuItem::WhiteListOn), on);
        EXPECT_EQ(tray.Checked(routing::TrayMenuItem::WhiteListOff), !on);
    }
    controls.EditUrl.clear();
    lists.EditUrlChange();
    EXPECT_FALSE(controls.ButtonAddUrlEnabled);  // ticked, but nothing to add
}

}  // namespace
}  // namespace korvane::lists
