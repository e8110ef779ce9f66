#include <gtest/gtest.h>

#include "grouplink/code_page.h"
#include "grouplink/fatal_error.h"

namespace korvane::grouplink {
namespace {

TEST(CodePageTest, ProcessWithoutALocaleIsTakenAsUtf8) {
    // This test program never calls setlocale: its charset is 7-bit ASCII.
    EXPECT_EQ(ThreadAnsiCharset(), "UTF-8");
    EXPECT_TRUE(IsUtf8Charset("utf8"));
    EXPECT_TRUE(IsUtf8Charset("UTF-8"));
    EXPECT_FALSE(IsUtf8Charset("CP1251"));
}

TEST(CodePageTest, Utf8CharsetKeepsEveryByte) {
    const std::string bytes = "\xEF\xBB\xBF<a>\xD0\xAF \xFF\xFE</a>";  // also invalid UTF-8
    EXPECT_EQ(Utf8ToAnsi(bytes, "UTF-8"), bytes);
    EXPECT_EQ(AnsiToUtf8(bytes, "UTF-8"), bytes);
}

TEST(CodePageTest, EightBitCharsetRoundTripsWhatItHoldsAndMarksTheRest) {
    // Я, a BOM (not in CP1251), an invalid byte, a cut-off sequence at the end.
    EXPECT_EQ(Utf8ToAnsi("a\xD0\xAF\xEF\xBB\xBF\xFF"
                         "b\xE4\xB8",
                         "CP1251"),
              "a\xDF??b??");
    EXPECT_EQ(AnsiToUtf8("a\xDF", "CP1251"), "a\xD0\xAF");
    EXPECT_EQ(AnsiToUtf8("\x98", "CP1251"), "?");  // the one byte CP1251 leaves undefined
}

TEST(CodePageTest, UnknownCharsetIsAFatalError) {
    try {
        Utf8ToAnsi("x", "NO-SUCH-CHARSET");
        FAIL() << "no error";
    } catch (const FatalError& error) {
        const std::string text = error.what();
        EXPECT_TRUE(text.starts_with("FATAL ERROR in code_page.cpp, line ")) << text;
        EXPECT_NE(text.find("\nGetLastError = "), std::string::npos) << text;
    }
}

}  // namespace
}  // namespace korvane::grouplink
