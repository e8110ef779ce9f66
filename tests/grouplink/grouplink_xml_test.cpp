#include <gtest/gtest.h>

#include <ostream>

#include "grouplink/xml_model.h"

namespace korvane::grouplink {
namespace {

struct RoundTrip {
    const char* name;
    std::string input;
    std::string written;
};
// Keeps the test names short and stable: the case's name, not its bytes.
void PrintTo(const RoundTrip& row, std::ostream* out) { *out << row.name; }

class XmlRoundTripTest : public testing::TestWithParam<RoundTrip> {};

TEST_P(XmlRoundTripTest, WritesTheModelLayout) {
    XmlDocument document;
    ReadSettings settings;
    document.Parse(GetParam().input, &settings);
    EXPECT_FALSE(settings.errorFound) << settings.errorText;
    EXPECT_EQ(document.Serialize(), GetParam().written);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XmlRoundTripTest,
    testing::Values(
        RoundTrip{"EmptyText", "", ""},
        RoundTrip{"DeclarationThenRoot", "<?xml version=\"1.0\"?><a/>",
                  "<?xml version=\"1.0\"?>\r\n<a/>"},
        RoundTrip{"StartAndEndTagBecomeEmptyElement", "<a></a>", "\r\n<a/>"},
        RoundTrip{"EmptyElementTag", "<a/>", "\r\n<a/>"},
        RoundTrip{"OneSpaceIsKept", "<a> </a>", "\r\n<a> </a>"},
        RoundTrip{"TextAfterChildIsDropped", "<a>x<b/>y</a>", "\r\n<a>\r\n\t<b/>x</a>"},
        RoundTrip{"SingleQuotedApostrophe", "<a v='&apos;'/>", "\r\n<a v=\"&apos;\"/>"},
        RoundTrip{"ReferenceDecodedOnce", "<a>&amp;lt;</a>", "\r\n<a>&amp;lt;</a>"},
        RoundTrip{"NumericReferenceIsText", "<a>&#65;</a>", "\r\n<a>&amp;#65;</a>"},
        RoundTrip{"ReferenceWithoutSemicolon", "<a>&amp</a>", "\r\n<a>&amp;amp</a>"},
        RoundTrip{"CommentKeepsItsPlace", "<a><b/><!--c--><d/></a>",
                  "\r\n<a>\r\n\t<b/>\r\n\t<!--c-->\r\n\t<d/></a>"},
        RoundTrip{"InstructionInsideRootMovesBeforeIt", "<a><?pi x=\"1\"?><b/></a>",
                  "<?pi x=\"1\"?>\r\n<a>\r\n\t<b/></a>"},
        RoundTrip{"SecondRootIsNotRead", "<a/><b/>", "\r\n<a/>"},
        RoundTrip{"SpaceBeforeClosingBracket", "<a><b></b ></a>", "\r\n<a>\r\n\t<b/></a>"},
        RoundTrip{"BlankTextBeforeEndTagIsKept", "<a>\r\n\t<b/>\r\n</a>",
                  "\r\n<a>\r\n\t<b/>\r\n</a>"},
        RoundTrip{"FirstNonBlankPieceWins", "<a>\r\n\t<b/>x<c/>y</a>",
                  "\r\n<a>\r\n\t<b/>\r\n\t<c/>x</a>"},
        RoundTrip{"NodesAroundTheRoot", "<!--c--><?xml v=\"1\"?> <a/> <!--d-->",
                  "\r\n<!--c--><?xml v=\"1\"?>\r\n<a/>\r\n<!--d-->"},
        RoundTrip{"CDataIsWrittenUnchanged", "<a><![CDATA[<x>&]]></a>",
                  "\r\n<a>\r\n\t<![CDATA[<x>&]]></a>"},
        RoundTrip{"OpenersIgnoreCase", "<a><![cdata[z]]></a>", "\r\n<a>\r\n\t<![CDATA[z]]></a>"},
        RoundTrip{"AttributesInOrder", "<a x = \"1\" y='2' z=3>t</a>",
                  "\r\n<a x=\"1\" y=\"2\" z=\"3\">t</a>"},
        RoundTrip{"ValueWithTabsAndLineBreaks", "<a>\r\n\t\t<b>1</b>\r\n\t\t<c>2</c>\r\n\t</a>",
                  "\r\n<a>\r\n\t<b>1</b>\r\n\t<c>2</c>\r\n\t</a>"},
        RoundTrip{"ElementStillOpenAtTheEnd", "<a><b/>", "\r\n<a>\r\n\t<b/></a>"},
        RoundTrip{"OpenElementEndingInBlanks", "<a><b/>\r\n", "\r\n<a>\r\n\t<b/>\r\n</a>"},
        RoundTrip{"ByteOrderMarkBeforeTheRoot", "\xEF\xBB\xBF<a/>", "\r\n<a/>"},
        RoundTrip{"NonLatinBytesPassThrough", "<a d=\"\xD0\x94\">\xD0\xAF</a>",
                  "\r\n<a d=\"\xD0\x94\">\xD0\xAF</a>"}));

TEST(XmlModelTest, TheDocumentedExampleIsWrittenToTheCharacter) {
    XmlDocument document;
    XmlNode* declaration =
        document.AddChild(XmlNode::New(XmlNodeKind::ProcessingInstruction, "xml"));
    declaration->AddAttribute("version", "1.0");
    XmlNode* a = document.AddChild("a", "\r\n");
    a->AddAttribute("x", "1");
    a->AddChild("b", "t&u");

    const std::string expected =
        "<?xml version=\"1.0\"?>\r\n<a x=\"1\">\r\n\t<b>t&amp;u</b>\r\n</a>";
    EXPECT_EQ(document.Serialize(), expected);

    XmlDocument reread;
    ASSERT_TRUE(reread.Parse(expected));
    EXPECT_EQ(reread.Serialize(), expected);
    EXPECT_EQ(reread.FirstChildNamed("a")->FirstChildNamed("b")->value, "t&u");
}

TEST(XmlModelTest, WriteSettingsChangeQuotesLinesAndReferences) {
    XmlDocument document;
    document.Parse("<a q=\"&lt;\"><b>&amp;</b></a>");
    WriteSettings plain;
    plain.newline = false;
    plain.encodeReferences = false;
    plain.quote = '\'';
    EXPECT_EQ(document.Serialize(plain), "<a q='<'><b>&</b></a>");
    WriteSettings indented;
    indented.indent = 2;
    EXPECT_EQ(document.Serialize(indented), "\r\n\t\t<a q=\"&lt;\">\r\n\t\t\t<b>&amp;</b></a>");
}

TEST(XmlModelTest, BackslashMakesTheClosingQuotePartOfTheValue) {
    XmlDocument document;
    ASSERT_TRUE(document.Parse("<a p=\"C:\\dir\\\" q=\"x\" r=\"y\"/>"));
    const auto& attributes = document.FirstChildNamed("a")->Attributes();
    ASSERT_EQ(attributes.size(), 3u);
    EXPECT_EQ(attributes[0].value, "C:\\dir\\\" q=");
    EXPECT_EQ(attributes[1].name, "x\"");
    EXPECT_EQ(attributes[1].value, "");
    EXPECT_EQ(attributes[2].value, "y");
}

TEST(XmlModelTest, ReadSettingsTrimEscapeAndForce) {
    {
        XmlDocument document;
        ReadSettings settings;
        settings.trimText = true;
        document.Parse("<a>  x  </a>", &settings);
        EXPECT_EQ(document.FirstChildNamed("a")->value, "x");
    }
    {
        XmlDocument document;
        ReadSettings settings;
        settings.escapeChar = '^';
        document.Parse("<a>x^<y^^</a>", &settings);
        EXPECT_EQ(document.FirstChildNamed("a")->value, "x<y^");
    }
    {
        XmlDocument document;
        ReadSettings settings;
        settings.forceParse = true;
        ASSERT_TRUE(document.Parse("<a><b></c></b></a>", &settings));
        EXPECT_FALSE(settings.errorFound);
        EXPECT_EQ(document.Serialize(), "\r\n<a>\r\n\t<b/></a>");
    }
    {
        XmlDocument document;
        ReadSettings settings;
        settings.decodeReferences = false;
        document.Parse("<a>&amp;</a>", &settings);
        EXPECT_EQ(document.FirstChildNamed("a")->value, "&amp;");
    }
}

struct ReadFailure {
    const char* name;
    std::string input;
    XmlError kind;  // None: the read fails without recording an error
    std::string text;
};
void PrintTo(const ReadFailure& row, std::ostream* out) { *out << row.name; }

class XmlReadFailureTest : public testing::TestWithParam<ReadFailure> {};

TEST_P(XmlReadFailureTest, FailsCleanly) {
    XmlDocument document;
    ReadSettings settings;
    EXPECT_FALSE(document.Parse(GetParam().input, &settings));
    EXPECT_EQ(settings.errorFound, GetParam().kind != XmlError::None);
    EXPECT_EQ(settings.errorKind, GetParam().kind);
    EXPECT_EQ(settings.errorText, GetParam().text);
    EXPECT_LE(settings.errorPosition, GetParam().input.size());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, XmlReadFailureTest,
    testing::Values(ReadFailure{"NoMarkup", "just text", XmlError::None, ""},
                    ReadFailure{"SlashWithoutBracket", "<a/b>", XmlError::ElementNotClosed,
                                "Element must be closed."},
                    ReadFailure{"NoTextAfterStartTag", "<a>x", XmlError::ElementNoEndTag,
                                "a must be closed with </a>"},
                    ReadFailure{"ClosingTagCutOff", "<a><b/></a", XmlError::ElementNoEndTag,
                                "it must be closed with </a>"},
                    ReadFailure{"ClosingTagWithoutBracket", "<a><b/></a ",
                                XmlError::ElementNoEndTag, "it must be closed with </a>"},
                    ReadFailure{"WrongClosingName", "<a><b></c></a>", XmlError::MismatchedEndTag,
                                "'<b> ... </c>' is not wel-formed."},
                    ReadFailure{"AttributeWithoutEquals", "<a b/>", XmlError::AttributeError,
                                "<a> attribute has error "},
                    ReadFailure{"EndsAfterAttribute", "<a x=\"1\"", XmlError::None, ""},
                    ReadFailure{"NameRunsToTheEnd", "<abc", XmlError::ElementNotClosed,
                                "Element must be closed."},
                    ReadFailure{"LoneBracket", "<", XmlError::ElementNotClosed,
                                "Element must be closed."},
                    ReadFailure{"QuotedValueRunsToTheEnd", "<a x=\"1", XmlError::AttributeError,
                                "<a> attribute has error "},
                    ReadFailure{"EscapedQuoteRunsToTheEnd", "<a x=\"1\\\"",
                                XmlError::AttributeError, "<a> attribute has error "},
                    ReadFailure{"BareValueRunsToTheEnd", "<a x=1", XmlError::AttributeError,
                                "<a> attribute has error "},
                    ReadFailure{"EqualsAtTheEnd", "<a x=", XmlError::AttributeError,
                                "<a> attribute has error "},
                    ReadFailure{"CommentNotClosed", "<!-- x", XmlError::MarkupNotClosed,
                                "<!-- must be closed with -->"},
                    ReadFailure{"CommentInElementNotClosed", "<a><!-- x", XmlError::MarkupNotClosed,
                                "<!-- must be closed with -->"},
                    ReadFailure{"CDataNotClosed", "<a><![CDATA[x]]", XmlError::MarkupNotClosed,
                                "<![CDATA[ must be closed with ]]>"},
                    ReadFailure{"InstructionNotClosed", "<?xml version=\"1.0\"",
                                XmlError::MarkupNotClosed, "<?xml must be closed with ?>"},
                    ReadFailure{"OnlyAnInstruction", "<?xml version=\"1.0\"?>", XmlError::None, ""},
                    ReadFailure{"TextAfterChildRunsToTheEnd", "<a>v<b/> ", XmlError::None, ""}));

TEST(XmlModelTest, OnlyTheFirstErrorIsKept) {
    XmlDocument document;
    ReadSettings settings;
    document.Parse("<a><b></c></a>", &settings);
    document.Parse("<a/b>", &settings);
    EXPECT_EQ(settings.errorKind, XmlError::MismatchedEndTag);
}

TEST(XmlModelTest, NodesReadBeforeAFailureStayInTheDocument) {
    XmlDocument document;
    EXPECT_FALSE(document.Parse("<?xml v=\"1\"?><!--c--><a><b></c></a>"));
    ASSERT_EQ(document.Children().size(), 2u);
    EXPECT_EQ(document.Children()[0]->Kind(), XmlNodeKind::ProcessingInstruction);
    EXPECT_EQ(document.Children()[1]->name, "#COMMENT");
    EXPECT_TRUE(document.readSettings.errorFound);  // the document's own settings
}

TEST(XmlModelTest, HostileNestingFailsInsteadOfExhaustingTheStack) {
    std::string deep;
    for (int i = 0; i < 100000; ++i) deep += "<a>";
    XmlDocument document;
    ReadSettings settings;
    EXPECT_FALSE(document.Parse(deep, &settings));
    EXPECT_EQ(settings.errorKind, XmlError::NestedTooDeeply);
}

// Every prefix of a filter set either reads or fails; none reads beyond its end (the fuzz
// target checks the same under AddressSanitizer).
TEST(XmlModelTest, EveryPrefixOfAFilterSetEndsCleanly) {
    const std::string text =
        "\xEF\xBB\xBF<?xml version=\"1.0\" encoding='utf-8'?><!-- set -->\r\n<TrafficMonitor "
        "v=\"2\">\r\n\t<MAT>\r\n\t\t<Key>2301</Key>\r\n\t\t<Descr>A &amp; B</Descr>\r\n\t\t"
        "<Addr>1.0.0.0,1.0.0.255</Addr><![CDATA[x]]><?pi a=b?>\r\n\t</MAT>\r\n</TrafficMonitor>";
    for (std::size_t length = 0; length <= text.size(); ++length) {
        const std::string prefix = text.substr(0, length);  // its own allocation, exactly sized
        XmlDocument document;
        ReadSettings settings;
        const auto end = document.Parse(prefix, &settings);
        if (end) {
            EXPECT_LE(*end, length);
        }
        EXPECT_LE(settings.errorPosition, length);
    }
}

TEST(XmlModelTest, TreeOperations) {
    XmlDocument document;
    XmlNode* root = document.AddChild("r");
    XmlNode* first = root->AddChild("x", "1");
    root->AddChild("y", "2");
    XmlNode* third = root->AddChild("x", "3");

    EXPECT_EQ(first->Parent(), root);
    EXPECT_EQ(first->Document(), &document);
    EXPECT_EQ(root->ChildrenNamed("x"), (std::vector<XmlNode*>{first, third}));
    EXPECT_EQ(root->FirstChildNamed("x"), first);
    EXPECT_EQ(root->FirstChildNamed("X"), nullptr);  // names are case-sensitive

    auto stranger = XmlNode::NewElement("x", "1");
    EXPECT_FALSE(root->DeleteChild(stranger.get()));  // equal, but not the same node
    EXPECT_TRUE(root->DeleteChild(first));
    EXPECT_EQ(root->FirstChildNamed("x"), third);
    EXPECT_EQ(root->DeleteChildrenNamed("x"), 1u);
    ASSERT_EQ(root->Children().size(), 1u);

    root->AddAttribute("k", "v");
    root->Clear();
    EXPECT_TRUE(root->Children().empty());
    EXPECT_TRUE(root->Attributes().empty());
    EXPECT_EQ(root->name, "r");
}

TEST(EntityTableTest, DecodeAndEncode) {
    const EntityTable& table = EntityTable::Standard();
    EXPECT_EQ(table.Decode("&lt;&gt;&amp;&quot;&apos;"), "<>&\"'");
    EXPECT_EQ(table.Decode("&amp;lt; &amp &#65; &;"), "&lt; &amp &#65; &;");
    EXPECT_EQ(table.Encode("<a href=\"x\">&'</a>"),
              "&lt;a href=&quot;x&quot;&gt;&amp;&apos;&lt;/a&gt;");
    EXPECT_EQ(table.Encode("plain"), "plain");
}

}  // namespace
}  // namespace korvane::grouplink
