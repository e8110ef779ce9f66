#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <random>
#include <tuple>
#include <vector>

#include "grouplink/address_range_set.h"
#include "grouplink/list_reader.h"

namespace korvane::grouplink {
namespace {

struct ListLine {
    std::string line;
    std::string range;  // empty: the line gives none
};
// Keeps the test names short and stable: the line, with tabs and line ends spelled out.
void PrintTo(const ListLine& row, std::ostream* out) {
    *out << '"';
    for (const char c : row.line) {
        if (c == '\t') {
            *out << "\\t";
        } else if (c == '\r') {
            *out << "\\r";
        } else if (c == '\n') {
            *out << "\\n";
        } else {
            *out << c;
        }
    }
    *out << '"';
}

class ListLineTest : public testing::TestWithParam<ListLine> {};

TEST_P(ListLineTest, GivesItsRange) {
    const auto range = ParseListLine(GetParam().line);
    if (GetParam().range.empty()) {
        EXPECT_FALSE(range) << RangeText(*range);
    } else {
        ASSERT_TRUE(range);
        EXPECT_EQ(RangeText(*range), GetParam().range);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ListLineTest,
    testing::Values(ListLine{"62.80.160.0/19", "62.80.160.0,62.80.191.255"},
                    ListLine{"10.0.0.0", "10.0.0.0,10.255.255.255"},
                    ListLine{"172.16.0.0", "172.16.0.0,172.16.255.255"},
                    ListLine{"192.168.1.0", "192.168.1.0,192.168.1.255"},
                    ListLine{"224.0.0.0", "224.0.0.0,224.255.255.255"},
                    ListLine{"193.0.0.1", "193.0.0.1,193.0.0.1"},
                    ListLine{"10.1.2.3/8", "10.1.2.3,10.255.255.255"},
                    ListLine{"1.2.3.4\\24", "1.2.3.4,1.2.3.255"},
                    ListLine{"1.2.3.4/", "1.2.3.4,255.255.255.255"},
                    ListLine{"300.1.1.0", "44.1.1.0,44.255.255.255"},
                    ListLine{"10.0.0.0\tword", "10.0.0.0,10.255.255.255"},
                    ListLine{"  \t62.80.160.0/19  \r", "62.80.160.0,62.80.191.255"},
                    ListLine{"1.2.3.4/32", "1.2.3.4,1.2.3.4"},
                    ListLine{"0.0.0.0/0", "0.0.0.0,255.255.255.255"},
                    ListLine{"1.2.3.4/24 trailing", "1.2.3.4,1.2.3.255"},
                    ListLine{"99999999999.0.0.1", "255.0.0.1,255.0.0.1"},
                    ListLine{"1.2.3.0-1.2.3.255", ""}, ListLine{"1.2.3", ""},
                    ListLine{"1.2.3.4.5", ""}, ListLine{"1.2.3.4x", ""}, ListLine{"+1.2.3.4", ""},
                    ListLine{"# 1.2.3.4", ""}, ListLine{"", ""}, ListLine{" \t ", ""},
                    ListLine{"1.2.3.4/33", ""}, ListLine{"1.2.3.4/99999999999999", ""}));

std::vector<std::string> Texts(const AddressRangeSet& set) {
    std::vector<std::string> texts;
    for (const AddressRange& range : set.Ranges()) texts.push_back(RangeText(range));
    return texts;
}

using RangeTexts = std::vector<std::string>;

TEST(ListReaderTest, AdjacentAndContainedRangesMergeInEitherOrder) {
    for (const auto& [a, b, merged] :
         {std::tuple{"10.0.0.0/24", "10.0.1.0/24", "10.0.0.0,10.0.1.255"},
          std::tuple{"10.0.0.0/24", "10.0.0.254", "10.0.0.0,10.0.0.255"}}) {
        const std::string first = std::string(a) + "\r\n" + b + "\r\n";
        const std::string second = std::string(b) + "\n" + a;
        EXPECT_EQ(Texts(ReadAddressRanges(first)), RangeTexts{merged});
        EXPECT_EQ(Texts(ReadAddressRanges(second)), RangeTexts{merged});
    }
}

TEST(ListReaderTest, ReadsLinesSortedAndSkipsTheRest) {
    const std::string list =
        "# exchange\r\n195.1.0.0/16\r\nnot an address\r\n\r\n62.80.160.0/19\r\n1.2.3.4/30\r\n"
        "62.80.170.0/24\r\n1.2.3.8/30";
    EXPECT_EQ(
        Texts(ReadAddressRanges(list)),
        (RangeTexts{"1.2.3.4,1.2.3.11", "62.80.160.0,62.80.191.255", "195.1.0.0,195.1.255.255"}));
    EXPECT_TRUE(ReadAddressRanges("# nothing\r\n\r\nfoo\r\n").Empty());
}

TEST(AddressRangeSetTest, MergesAcrossManyRangesAndAtTheTop) {
    AddressRangeSet set;
    set.Insert(10, 20);
    set.Insert(30, 40);
    set.Insert(50, 60);
    set.Insert(22, 28);  // touches neither
    EXPECT_EQ(set.Size(), 4u);
    set.Insert(21, 49);  // joins 10..20, 22..28, 30..40 and touches 50..60
    EXPECT_EQ(set.Ranges(), (std::vector<AddressRange>{{10, 60}}));

    set.Insert(UINT32_MAX - 5, UINT32_MAX);
    set.Insert(0, 0);
    set.Insert(UINT32_MAX, UINT32_MAX);  // inside; no wrap-around to 0
    EXPECT_EQ(set.Ranges(),
              (std::vector<AddressRange>{{0, 0}, {10, 60}, {UINT32_MAX - 5, UINT32_MAX}}));
    set.Insert(1, 9);
    EXPECT_EQ(set.Ranges(), (std::vector<AddressRange>{{0, 60}, {UINT32_MAX - 5, UINT32_MAX}}));
}

// Against a plain bitmap over a small address space: the set holds exactly the inserted
// addresses, sorted, with no two ranges overlapping or touching.
TEST(AddressRangeSetTest, MatchesABitmapForRandomInsertions) {
    std::mt19937 random(7);
    for (int round = 0; round < 50; ++round) {
        constexpr std::uint32_t kSpace = 512;
        std::vector<bool> covered(kSpace, false);
        AddressRangeSet set;
        for (int i = 0; i < 40; ++i) {
            const std::uint32_t first = static_cast<std::uint32_t>(random() % kSpace);
            const std::uint32_t last =
                std::min(kSpace - 1, first + static_cast<std::uint32_t>(random() % 20));
            set.Insert(first, last);
            for (std::uint32_t a = first; a <= last; ++a) covered[a] = true;
        }
        std::vector<bool> fromSet(kSpace, false);
        const auto ranges = set.Ranges();
        for (std::size_t i = 0; i < ranges.size(); ++i) {
            ASSERT_LE(ranges[i].first, ranges[i].last);
            if (i > 0) {
                ASSERT_GT(ranges[i].first, ranges[i - 1].last + 1);
            }
            for (std::uint32_t a = ranges[i].first; a <= ranges[i].last; ++a) fromSet[a] = true;
        }
        ASSERT_EQ(fromSet, covered);
    }
}

}  // namespace
}  // namespace korvane::grouplink
