#include <gtest/gtest.h>

#include "platform/locale_time.h"

namespace korvane::platform {
namespace {

TEST(LocaleTimeTest, SeparatorsComeFromTheLocalePatterns) {
    const struct {
        const char* dateFormat;
        const char* timeFormat;
        char date;
        char time;
    } rows[] = {
        {"%m/%d/%y", "%H:%M:%S", '/', ':'},  // C, en_US
        {"%d.%m.%Y", "%H:%M:%S", '.', ':'},  // ru_RU, de_DE
        {"%Y-%m-%d", "%H.%M.%S", '-', '.'},
        {"%F", "%r", '-', ':'},
        {"%D", "%T", '/', ':'},
        {"%Ey %Od.%Om", "%OH:%OM", '.', ':'},  // modifiers are part of the conversion
        {"", "", '/', ':'},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.dateFormat);
        const TimeConventions conventions =
            TimeConventionsFromPatterns(row.dateFormat, row.timeFormat);
        EXPECT_EQ(conventions.dateSeparator, row.date);
        EXPECT_EQ(conventions.timeSeparator, row.time);
    }
}

TEST(LocaleTimeTest, TheCLocaleAndAnUnknownOne) {
    for (const char* name : {"C", "xx_NOWHERE.NONE"}) {
        const TimeConventions conventions = TimeConventionsOfLocale(name);
        EXPECT_EQ(conventions.dateSeparator, '/');
        EXPECT_EQ(conventions.timeSeparator, ':');
        EXPECT_EQ(conventions.longTimeFormat, "%H:%M:%S");
    }
    std::tm local{};
    local.tm_hour = 14;
    local.tm_min = 5;
    local.tm_sec = 9;
    EXPECT_EQ(FormatLongTime(local, "C"), "14:05:09");
}

}  // namespace
}  // namespace korvane::platform
