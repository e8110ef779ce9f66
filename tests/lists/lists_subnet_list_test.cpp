#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>
#include <string>

#include "lists/subnet_list.h"
#include "platform/atomic_file.h"
#include "routing/ipv4.h"
#include "support/temp_dir.h"

namespace korvane::lists {
namespace {

using platform::TimePoint;
using test::TempDir;

struct EntryRow {
    std::string line;
    std::string address;
    std::string mask;
};

TEST(SubnetListTest, EachEntryFormYieldsItsAddressAndMask) {
    const EntryRow rows[] = {
        {"62.80.160.0/19", "62.80.160.0", "255.255.224.0"},
        {"  10.0.0.0  ", "10.0.0.0", "255.0.0.0"},
        {"172.16.0.0", "172.16.0.0", "255.255.0.0"},
        {"192.168.1.0", "192.168.1.0", "255.255.255.0"},
        {"20.1.2.0", "20.1.2.0", "255.0.0.0"},
        {"224.0.0.0", "224.0.0.0", "255.0.0.0"},
        {"193.0.0.1", "193.0.0.1", "255.255.255.255"},
        {"010.001.002.003/24", "10.1.2.3", "255.255.255.0"},
        {"1.2.3.4/0", "1.2.3.4", "0.0.0.0"},
        {"1.2.3.1-1.2.3.254", "1.2.3.0", "255.255.255.0"},
        {"1.2.3.255-1.2.3.0", "1.2.3.0", "255.255.255.0"},
        {"10.0.0.5-10.0.0.5", "10.0.0.4", "255.255.255.254"},
        {"10.0.0.0-10.0.2.255", "10.0.0.0", "255.255.255.0"},
        {"1.2.3.0-1.2.3.255 # exchange", "1.2.3.0", "255.255.255.0"},
    };
    std::vector<std::string> lines;
    for (const EntryRow& row : rows) lines.push_back(row.line);
    SubnetList list;
    ASSERT_TRUE(list.ParseSubnetList(lines));
    ASSERT_EQ(list.Count(), std::size(rows));
    ASSERT_EQ(list.SubnetMasks().size(), std::size(rows));
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].line);
        EXPECT_EQ(list.SubnetAddresses()[i], rows[i].address);
        EXPECT_EQ(list.SubnetMasks()[i], rows[i].mask);
    }
    // The numeric copies describe the same entries.
    EXPECT_EQ(list.AddressValues()[0], (62u << 24) | (80u << 16) | (160u << 8));
    EXPECT_EQ(list.MaskValues()[0], 0xFFFFE000u);
    EXPECT_EQ(list.MaskValues()[8], 0u);
}

TEST(SubnetListTest, NonEntryLinesAreSkipped) {
    const std::vector<std::string> skipped = {
        "1.2.3.4/33", "1.2.3.4/", "1.2.3.4/24 word", "1.2.3.4 word", "256.1.1.1", "1.2.3",
        "1.2.3.",     "1 .2.3.4", "-1.2.3.4",        "# 10.0.0.0",   "",
    };
    for (const std::string& line : skipped) {
        SCOPED_TRACE(line);
        SubnetList list;
        EXPECT_FALSE(list.ParseSubnetList({line}));
        ASSERT_TRUE(list.ParseSubnetList({line, "10.0.0.0", line}));
        EXPECT_EQ(list.SubnetAddresses(), std::vector<std::string>{"10.0.0.0"});
    }
}

TEST(SubnetListTest, ATextWithoutEntriesLeavesTheListAsItWas) {
    SubnetList list;
    ASSERT_TRUE(list.ParseSubnetList({"10.0.0.0", "10.0.0.0", "10.0.0.0"}));
    EXPECT_EQ(list.Count(), 3u);  // duplicates are all kept

    const std::vector<std::string> noEntries[] = {
        {},
        {"# only", "# comments", "", "   "},
        {"<html><body>404 Not Found</body></html>"},
    };
    for (const auto& lines : noEntries) {
        EXPECT_FALSE(list.ParseSubnetList(lines));
        EXPECT_EQ(list.SubnetAddresses(), std::vector<std::string>(3, "10.0.0.0"));
        EXPECT_EQ(list.SubnetMasks(), std::vector<std::string>(3, "255.0.0.0"));
        EXPECT_EQ(list.AddressValues().size(), 3u);
    }
}

// Refreshes reuse the storage of earlier lists: whatever came before, a list holds exactly the
// entries of the last accepted text.
TEST(SubnetListTest, EachAcceptedTextReplacesTheWholeListInTurn) {
    SubnetList list;
    const std::vector<std::vector<std::string>> texts = {
        {"1.0.0.0/8", "2.0.0.0/8", "3.0.0.0/8"},
        {"4.4.4.0"},
        {"# nothing"},
        {"5.5.0.0/16", "6.6.6.6"},
        {"7.0.0.0", "8.0.0.0", "9.0.0.0", "11.0.0.0"},
    };
    std::vector<std::string> expected;
    for (const auto& lines : texts) {
        if (list.ParseSubnetList(lines)) expected = lines;
        ASSERT_EQ(list.Count(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const std::string address = expected[i].substr(0, expected[i].find('/'));
            EXPECT_EQ(list.SubnetAddresses()[i], address);
            EXPECT_EQ(routing::HostOrderToText(list.AddressValues()[i]), address);
        }
        EXPECT_EQ(list.SubnetMasks().size(), expected.size());
        EXPECT_EQ(list.MaskValues().size(), expected.size());
    }
}

TEST(SubnetListTest, SplitLinesKnowsEveryLineEndAndStopsAtNul) {
    using Lines = std::vector<std::string>;
    const std::pair<std::string, Lines> rows[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb\rc\r\nd", {"a", "b", "c", "d"}},
        {"a\n\rb", {"a", "", "b"}},  // LF then a lone CR: two line ends
        {"a\r\n\r\n", {"a", ""}},
        {"\r\n", {""}},
        {"\r", {""}},
        {std::string("a\nb\0c\nd", 7), {"a", "b"}},
        {std::string("\0a\nb", 4), {}},
    };
    for (const auto& [text, lines] : rows) EXPECT_EQ(SplitLines(text), lines) << text;
}

TEST(SubnetListTest, ParsingATextEqualsParsingItsLines) {
    const std::string texts[] = {
        "10.0.0.0\r\n# c\r\n62.80.160.0/19\r\n",
        "10.0.0.0\n\r1.2.3.0-1.2.3.255\r172.16.0.0",
        std::string("10.0.0.0\r\n20.0.0.0\0\r\n30.0.0.0\r\n", 31),
        "\r\n\r\n# nothing\r\n",
        "",
    };
    for (const std::string& text : texts) {
        SCOPED_TRACE(text);
        SubnetList fromText;
        SubnetList fromLines;
        EXPECT_EQ(fromText.ParseSubnetListText(text), fromLines.ParseSubnetList(SplitLines(text)));
        EXPECT_EQ(fromText.SubnetAddresses(), fromLines.SubnetAddresses());
        EXPECT_EQ(fromText.SubnetMasks(), fromLines.SubnetMasks());
        EXPECT_EQ(fromText.AddressValues(), fromLines.AddressValues());
        EXPECT_EQ(fromText.MaskValues(), fromLines.MaskValues());
    }
    SubnetList list;
    ASSERT_TRUE(list.ParseSubnetListText(texts[2]));
    EXPECT_EQ(list.SubnetAddresses(), (std::vector<std::string>{"10.0.0.0", "20.0.0.0"}));
}

TEST(SubnetListTest, BadInputNeverBreaksTheParse) {
    SubnetList list;
    // Over-long lines.
    EXPECT_FALSE(list.ParseSubnetList({std::string(1 << 20, '9') + ".0.0.0"}));
    EXPECT_FALSE(list.ParseSubnetList({"1.2.3." + std::string(1 << 20, '4')}));
    EXPECT_FALSE(list.ParseSubnetList({"10.0.0.0/" + std::string(1 << 20, '0') + "x"}));
    ASSERT_TRUE(list.ParseSubnetList({"10.0.0.0" + std::string(1 << 20, ' ')}));
    EXPECT_EQ(list.SubnetAddresses(), std::vector<std::string>{"10.0.0.0"});

    // Binary junk without digits holds no entry; with an entry after it, only that counts.
    std::mt19937 random(7);
    std::string junk;
    for (int i = 0; i < 1 << 16; ++i) {
        const char c = static_cast<char>(random());
        junk += (c >= '0' && c <= '9') ? '\x80' : c;
    }
    EXPECT_FALSE(list.ParseSubnetList(SplitLines(junk)));
    ASSERT_TRUE(list.ParseSubnetList(
        SplitLines(std::string(junk, 0, junk.find('\0')) + "\n62.80.160.0/19\r\n")));
    EXPECT_EQ(list.SubnetAddresses(), std::vector<std::string>{"62.80.160.0"});
}

TEST(SubnetListTest, TheListFileHoldsEveryLineWithCrLf) {
    TempDir dir;
    std::vector<std::string> lines(100, "# comment");
    lines.insert(lines.begin() + 50, "62.80.160.0/19");
    const auto file = dir.path() / "tarvel-list.lst";
    WriteListFile(file, lines);

    const std::string bytes = dir.Read("tarvel-list.lst");
    EXPECT_EQ(bytes.size(), 100 * std::string("# comment\r\n").size() + 16);
    EXPECT_TRUE(bytes.ends_with("# comment\r\n"));
    EXPECT_EQ(SplitLines(bytes), lines);

    SubnetList list;
    ASSERT_TRUE(list.LoadSubnetList(file));
    EXPECT_EQ(list.Count(), 1u);
}

TEST(SubnetListTest, LoadSubnetListTakesTheFileTimeAsLastUpdate) {
    TempDir dir;
    const auto file = dir.Write("tarvel-list.lst", "# list\r\n62.80.160.0/19\r\n10.0.0.0\r\n");
    const timespec times[2] = {{0, UTIME_OMIT}, {1700000000, 250000000}};
    ASSERT_EQ(utimensat(AT_FDCWD, file.c_str(), times, 0), 0);

    SubnetList list;
    ASSERT_TRUE(list.LoadSubnetList(file));
    EXPECT_EQ(list.SubnetAddresses(), (std::vector<std::string>{"62.80.160.0", "10.0.0.0"}));
    ASSERT_TRUE(list.LastUpdateTime());
    EXPECT_EQ(*list.LastUpdateTime(),
              TimePoint(std::chrono::seconds(1700000000) + std::chrono::milliseconds(250)));
}

TEST(SubnetListTest, LoadSubnetListWithoutEntriesChangesNothing) {
    TempDir dir;
    SubnetList list;
    EXPECT_FALSE(list.LoadSubnetList(dir.path() / "missing.lst"));
    EXPECT_FALSE(list.LoadSubnetList(dir.Write("empty.lst", "")));
    EXPECT_FALSE(list.LoadSubnetList(dir.Write("comments.lst", "# a\r\n# b\r\n")));
    EXPECT_EQ(list.Count(), 0u);
    EXPECT_FALSE(list.LastUpdateTime());
}

TEST(SubnetListTest, AnUnreadableListFileIsAClearError) {
    TempDir dir;
    std::filesystem::create_directory(dir.path() / "tarvel-list.lst");
    SubnetList list;
    try {
        list.LoadSubnetList(dir.path() / "tarvel-list.lst");
        ADD_FAILURE() << "no error";
    } catch (const platform::FileError& e) {
        EXPECT_NE(std::string(e.what()).find("tarvel-list.lst"), std::string::npos) << e.what();
    }
    if (geteuid() != 0) {  // root reads any file
        const auto locked = dir.Write("locked.lst", "10.0.0.0\r\n");
        std::filesystem::permissions(locked, std::filesystem::perms::none);
        EXPECT_THROW(list.LoadSubnetList(locked), platform::FileError);
    }
    EXPECT_EQ(list.Count(), 0u);
}

TimePoint LocalTime(int year, int month, int day, int hour, int minute) {
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_isdst = -1;
    return std::chrono::system_clock::from_time_t(std::mktime(&local));
}

TEST(SubnetListTest, Captions) {
    EXPECT_EQ(SubnetsCountCaption(0), "0");
    EXPECT_EQ(SubnetsCountCaption(12345), "12345");

    const platform::TimeConventions slash{'/', ':', "%H:%M:%S"};
    const platform::TimeConventions dots{'.', '.', "%H.%M.%S"};
    const TimePoint now = LocalTime(2026, 3, 5, 23, 59);
    const struct {
        std::optional<TimePoint> when;
        const platform::TimeConventions& conventions;
        std::string caption;
    } rows[] = {
        {std::nullopt, slash, "не было"},
        {LocalTime(2026, 3, 5, 23, 50), slash, "23:50"},
        {LocalTime(2026, 3, 5, 0, 5), dots, "00.05"},
        {LocalTime(2026, 3, 4, 23, 50), slash, "4/03/2026, 23:50"},
        {LocalTime(2025, 12, 31, 9, 7), dots, "31.12.2025, 09.07"},
        {LocalTime(2025, 3, 5, 23, 50), slash, "5/03/2025, 23:50"},  // same day, other year
    };
    for (const auto& row : rows)
        EXPECT_EQ(LastUpdatedCaption(row.when, now, row.conventions), row.caption);
}

}  // namespace
}  // namespace korvane::lists
