#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <ostream>

#include "grouplink/address_group_update.h"
#include "platform/messages.h"
#include "support/temp_dir.h"

namespace korvane::grouplink {
namespace {

namespace fs = std::filesystem;
using platform::MessageIcon;

constexpr const char* kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";

// A plug-in folder with its list file, and a filter set beside it.
class AddressGroupUpdateTest : public testing::Test {
  protected:
    void SetUp() override {
        WriteList("10.0.0.0/24\r\n10.0.1.0/24\r\n193.0.0.1\r\n");
        fs::create_directories(dir_ / "sets");
    }

    void WriteList(const std::string& text) { dir_.Write("plugin/Lists/tarvel-list.lst", text); }
    void WriteFilterSet(const std::string& text) { dir_.Write("sets/default.tmf", text); }
    std::string FilterSet() const { return dir_.Read("sets/default.tmf"); }
    std::string ReloadFile() const { return dir_.Read("sets/default.reload"); }
    bool Exists(const std::string& name) const { return fs::exists(dir_ / name); }

    int Update(const std::string& group = "Tarvel", const std::string& charset = "UTF-8") {
        target_ = {(dir_ / "plugin/").string(), (dir_ / "sets/default.tmf").string(), group,
                   charset, "Grouplink"};
        return UpdateAddressGroup(target_, messages_);
    }

    test::TempDir dir_;
    AddressGroupTarget target_;
    platform::ScriptedMessages messages_;
};

TEST_F(AddressGroupUpdateTest, NewGroupIsWrittenToTheByte) {
    WriteFilterSet(std::string(kDeclaration) + "<TrafficMonitor>\r\n</TrafficMonitor>");
    ASSERT_EQ(Update(), 1);
    const std::string expected = std::string(kDeclaration) +
                                 "<TrafficMonitor>\r\n"
                                 "\t<MAT>\r\n"
                                 "\t\t<Key>2301</Key>\r\n"
                                 "\t\t<Descr>Tarvel</Descr>\r\n"
                                 "\t\t<Addr>10.0.0.0,10.0.1.255</Addr>\r\n"
                                 "\t\t<Addr>193.0.0.1,193.0.0.1</Addr>\r\n"
                                 "\t\t</MAT>\r\n"
                                 "</TrafficMonitor>";
    EXPECT_EQ(FilterSet(), expected);
    EXPECT_EQ(ReloadFile(), expected);
    EXPECT_TRUE(messages_.shown.empty());
}

TEST_F(AddressGroupUpdateTest, NewGroupTakesTheFirstFreeKeyFrom2301) {
    WriteFilterSet(
        "<TrafficMonitor><MAT><Key>2302</Key><Descr>B</Descr></MAT>"
        "<MAT><Key> +2301 extra</Key><Descr>A</Descr></MAT>"
        "<MAT><Key>no digits</Key><Descr>C</Descr></MAT></TrafficMonitor>");
    ASSERT_EQ(Update(), 1);
    EXPECT_NE(FilterSet().find("<Key>2303</Key>\r\n\t\t<Descr>Tarvel</Descr>"), std::string::npos)
        << FilterSet();
}

TEST_F(AddressGroupUpdateTest, ExistingGroupGetsItsItemsReplacedAndKeepsTheRest) {
    WriteFilterSet(
        "<TrafficMonitor>\r\n\t<MAT>\r\n\t\t<Key>7</Key>\r\n\t\t<Descr>Tarvel</Descr>\r\n"
        "\t\t<Addr>1.1.1.1,1.1.1.1</Addr>\r\n\t\t<Note "
        "x=\"1\"/>\r\n\t\t<Addr>2.2.2.2,2.2.2.2</Addr>"
        "\r\n\t</MAT>\r\n\t<MAT>\r\n\t\t<Key>8</Key>\r\n\t\t<Descr>Other</Descr>\r\n"
        "\t\t<Addr>3.3.3.3,3.3.3.3</Addr>\r\n\t</MAT>\r\n</TrafficMonitor>");
    ASSERT_EQ(Update(), 1);
    EXPECT_EQ(FilterSet(),
              "\r\n<TrafficMonitor>\r\n\t<MAT>\r\n\t\t<Key>7</Key>\r\n\t\t<Descr>Tarvel</Descr>"
              "\r\n\t\t<Note x=\"1\"/>\r\n\t\t<Addr>10.0.0.0,10.0.1.255</Addr>"
              "\r\n\t\t<Addr>193.0.0.1,193.0.0.1</Addr>\r\n\t</MAT>\r\n\t<MAT>\r\n\t\t<Key>8</Key>"
              "\r\n\t\t<Descr>Other</Descr>\r\n\t\t<Addr>3.3.3.3,3.3.3.3</Addr>\r\n\t</MAT>\r\n"
              "</TrafficMonitor>");
}

TEST_F(AddressGroupUpdateTest, EveryGroupOfThatNameGetsTheFullSet) {
    WriteFilterSet(
        "<TrafficMonitor><MAT><Key>1</Key><Descr>Tarvel</Descr></MAT>"
        "<MAT><Key>2</Key><Descr>Tarvel</Descr><Addr>9.9.9.9,9.9.9.9</Addr></MAT></"
        "TrafficMonitor>");
    ASSERT_EQ(Update(), 1);
    const std::string written = FilterSet();
    std::size_t count = 0;
    for (std::size_t p = 0;
         (p = written.find("<Addr>10.0.0.0,10.0.1.255</Addr>", p)) != std::string::npos; ++p) {
        ++count;
    }
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(written.find("9.9.9.9"), std::string::npos);
    EXPECT_EQ(written.find("<Key>2301</Key>"), std::string::npos);
}

TEST_F(AddressGroupUpdateTest, GroupNameDifferingInCaseIsAnotherGroup) {
    WriteFilterSet(
        "<TrafficMonitor><MAT><Key>1</Key><Descr>tarvel</Descr>"
        "<Addr>1.1.1.1,1.1.1.1</Addr></MAT></TrafficMonitor>");
    ASSERT_EQ(Update(), 1);
    const std::string written = FilterSet();
    EXPECT_NE(written.find("<Descr>tarvel</Descr>\r\n\t\t<Addr>1.1.1.1,1.1.1.1</Addr>"),
              std::string::npos);
    EXPECT_NE(written.find("<Key>2301</Key>\r\n\t\t<Descr>Tarvel</Descr>"), std::string::npos);
}

TEST_F(AddressGroupUpdateTest, AmpersandGroupMatchesOnEveryRunAndSecondRunChangesNothing) {
    WriteFilterSet(std::string(kDeclaration) + "<TrafficMonitor>\r\n</TrafficMonitor>");
    ASSERT_EQ(Update("R&D <lab>"), 1);
    const std::string first = FilterSet();
    EXPECT_NE(first.find("<Descr>R&amp;D &lt;lab&gt;</Descr>"), std::string::npos) << first;
    ASSERT_EQ(Update("R&D <lab>"), 1);
    EXPECT_EQ(FilterSet(), first);
    EXPECT_EQ(ReloadFile(), first);

    // A changed list changes only the group's items.
    WriteList("62.80.160.0/19\r\n");
    ASSERT_EQ(Update("R&D <lab>"), 1);
    std::string expected = first;
    const std::size_t from = expected.find("\t\t<Addr>");
    const std::size_t to = expected.find("\t\t</MAT>");
    expected.replace(from, to - from, "\t\t<Addr>62.80.160.0,62.80.191.255</Addr>\r\n");
    EXPECT_EQ(FilterSet(), expected);
}

TEST_F(AddressGroupUpdateTest, ListWithoutRangesEmptiesTheGroup) {
    WriteList("# nothing here\r\n1.2.3\r\n");
    WriteFilterSet(
        "<TrafficMonitor><MAT><Key>1</Key><Descr>Tarvel</Descr>"
        "<Addr>1.1.1.1,1.1.1.1</Addr></MAT></TrafficMonitor>");
    ASSERT_EQ(Update(), 1);
    EXPECT_EQ(FilterSet(),
              "\r\n<TrafficMonitor>\r\n\t<MAT>\r\n\t\t<Key>1</Key>\r\n\t\t<Descr>Tarvel</Descr>"
              "</MAT></TrafficMonitor>");
}

TEST_F(AddressGroupUpdateTest, RootOtherThanTrafficMonitorGetsNoGroupButIsRewritten) {
    WriteFilterSet("<Other a='1'><MAT><Descr>Tarvel</Descr></MAT></Other>");
    ASSERT_EQ(Update(), 1);
    const std::string expected =
        "\r\n<Other a=\"1\">\r\n\t<MAT>\r\n\t\t<Descr>Tarvel</Descr></MAT></Other>";
    EXPECT_EQ(FilterSet(), expected);
    EXPECT_EQ(ReloadFile(), expected);
}

TEST_F(AddressGroupUpdateTest, EmptyFilterSetStaysEmptyAndGetsAnEmptyReloadFile) {
    WriteFilterSet("");
    ASSERT_EQ(Update(), 1);
    EXPECT_EQ(FilterSet(), "");
    ASSERT_TRUE(Exists("sets/default.reload"));
    EXPECT_EQ(ReloadFile(), "");
}

TEST_F(AddressGroupUpdateTest, ByteOrderMarkIsDroppedAndNonLatinTextKept) {
    const std::string group = "\xD0\xA2\xD0\xB0\xD1\x80\xD0\xB2\xD0\xB5\xD0\xBB";  // Тарвел
    WriteFilterSet("\xEF\xBB\xBF<?xml version=\"1.0\"?><TrafficMonitor><MAT><Key>1</Key><Descr>" +
                   group + "</Descr><Addr>1.1.1.1,1.1.1.1</Addr></MAT></TrafficMonitor>");
    ASSERT_EQ(Update(group), 1);
    EXPECT_EQ(FilterSet(),
              "<?xml version=\"1.0\"?>\r\n<TrafficMonitor>\r\n\t<MAT>\r\n\t\t<Key>1</Key>"
              "\r\n\t\t<Descr>" +
                  group +
                  "</Descr>\r\n\t\t<Addr>10.0.0.0,10.0.1.255</Addr>\r\n\t\t"
                  "<Addr>193.0.0.1,193.0.0.1</Addr></MAT></TrafficMonitor>");
}

TEST_F(AddressGroupUpdateTest, EightBitCodePageMatchesItsGroupAndLosesWhatItCannotHold) {
    const std::string cyrillicUtf8 = "\xD0\xA2\xD0\xB0";  // Та
    const std::string cyrillic1251 = "\xD2\xE0";
    const std::string chineseUtf8 = "\xE4\xB8\xAD";
    WriteFilterSet("<TrafficMonitor><MAT><Key>1</Key><Descr>" + cyrillicUtf8 +
                   "</Descr></MAT><MAT><Key>2</Key><Descr>" + chineseUtf8 +
                   "</Descr></MAT></TrafficMonitor>");
    ASSERT_EQ(Update(cyrillic1251, "CP1251"), 1);
    const std::string written = FilterSet();
    EXPECT_NE(written.find("<Descr>" + cyrillicUtf8 + "</Descr>\r\n\t\t<Addr>10.0.0.0"),
              std::string::npos)
        << written;
    EXPECT_NE(written.find("<Descr>?</Descr>"), std::string::npos) << written;
    EXPECT_EQ(written.find("2301"), std::string::npos);
}

TEST_F(AddressGroupUpdateTest, RelativeFilterSetNameLiesInThePluginFolder) {
    dir_.Write("plugin/local.tmf", "<TrafficMonitor/>");
    const fs::path before = fs::current_path();
    target_ = {(dir_ / "plugin/").string(), "local.tmf", "Tarvel", "UTF-8", "Grouplink"};
    ASSERT_EQ(UpdateAddressGroup(target_, messages_), 1);
    EXPECT_NE(dir_.Read("plugin/local.tmf").find("<Descr>Tarvel</Descr>"), std::string::npos);
    EXPECT_TRUE(Exists("plugin/local.reload"));
    EXPECT_EQ(fs::current_path(), before);  // the host's current folder is left alone
}

struct Failure {
    const char* name;
    std::string filterSet;  // empty: no filter set file
    bool withList;
    std::string messageStart;
    MessageIcon icon;
};
// Keeps the test names short and stable: the case's name, not its bytes.
void PrintTo(const Failure& failure, std::ostream* out) { *out << failure.name; }

class AddressGroupFailureTest : public AddressGroupUpdateTest,
                                public testing::WithParamInterface<Failure> {};

TEST_P(AddressGroupFailureTest, ShowsOneMessageAndWritesNothing) {
    const Failure& failure = GetParam();
    if (!failure.withList) fs::remove(dir_ / "plugin/Lists/tarvel-list.lst");
    if (!failure.filterSet.empty()) WriteFilterSet(failure.filterSet);

    EXPECT_EQ(Update(), 0);
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_TRUE(messages_.shown[0].text.starts_with(failure.messageStart))
        << messages_.shown[0].text;
    EXPECT_EQ(messages_.shown[0].icon, failure.icon);
    EXPECT_EQ(messages_.shown[0].caption, "Grouplink");
    EXPECT_EQ(messages_.shown[0].buttons, platform::MessageButtons::Ok);
    EXPECT_EQ(Exists("sets/default.tmf") ? FilterSet() : "", failure.filterSet);
    EXPECT_FALSE(Exists("sets/default.reload"));
    for (const auto& entry : fs::directory_iterator(dir_ / "sets")) {
        EXPECT_EQ(entry.path().filename(), "default.tmf") << "left behind";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AddressGroupFailureTest,
    testing::Values(
        Failure{"MissingList", "<TrafficMonitor/>", false, "Cannot open \"", MessageIcon::Error},
        Failure{"MissingFilterSet", "", true, "Cannot open \"", MessageIcon::Error},
        Failure{"XmlError", "<TrafficMonitor><MAT></Key></TrafficMonitor>", true,
                "'<MAT> ... </Key>' is not wel-formed.", MessageIcon::None},
        Failure{"CutOffFilterSet", "<?xml version=\"1.0\"?><TrafficMonitor><MAT a=\"1\"", true,
                "The filter set \"", MessageIcon::Error},
        Failure{"OnlyADeclaration", "<?xml version=\"1.0\"?>", true, "The filter set \"",
                MessageIcon::Error}));

TEST_F(AddressGroupUpdateTest, MissingListNamesTheListFile) {
    fs::remove(dir_ / "plugin/Lists/tarvel-list.lst");
    WriteFilterSet("<TrafficMonitor/>");
    EXPECT_EQ(Update(), 0);
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_NE(messages_.shown[0].text.find("Lists/tarvel-list.lst"), std::string::npos);
}

TEST_F(AddressGroupUpdateTest, FailedReplaceKeepsTheOldFilterSet) {
    // Too long a name for the temporary file beside it: replacing fails before any rename.
    const std::string name = "sets/" + std::string(250, 'f') + ".tmf";
    dir_.Write(name, "<TrafficMonitor/>");
    target_ = {(dir_ / "plugin/").string(), (dir_ / name).string(), "Tarvel", "UTF-8", "Grouplink"};
    EXPECT_EQ(UpdateAddressGroup(target_, messages_), 0);
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_EQ(dir_.Read(name), "<TrafficMonitor/>");
}

TEST_F(AddressGroupUpdateTest, FailedReloadFileLeavesTheNewFilterSetInPlace) {
    WriteFilterSet("<TrafficMonitor/>");
    fs::create_directories(dir_ / "sets/default.reload/occupied");  // cannot be replaced
    EXPECT_EQ(Update(), 0);
    ASSERT_EQ(messages_.shown.size(), 1u);
    EXPECT_NE(messages_.shown[0].text.find("default.reload"), std::string::npos);
    EXPECT_NE(FilterSet().find("<Descr>Tarvel</Descr>"), std::string::npos);
}

TEST(ReloadFileNameTest, ReplacesTheExtension) {
    EXPECT_EQ(ReloadFileName("/opt/TMeter/FilterSets/default.tmf"),
              "/opt/TMeter/FilterSets/default.reload");
    EXPECT_EQ(ReloadFileName("/sets.d/plain"), "/sets.d/plain.reload");
    EXPECT_EQ(ReloadFileName("a.b.tmf"), "a.b.reload");
    EXPECT_EQ(ReloadFileName("/x/.tmf"), "/x/.reload");
}

}  // namespace
}  // namespace korvane::grouplink
