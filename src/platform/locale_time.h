#pragma once
// The user's date and time conventions (LC_TIME of the environment): the separators that the
// window's "d/mm/yyyy" and "hh:mm" patterns stand for, and the long time format of log lines.
#include <ctime>
#include <string>
#include <string_view>

namespace korvane::platform {

struct TimeConventions {
    char dateSeparator = '/';
    char timeSeparator = ':';
    std::string longTimeFormat = "%H:%M:%S";  // a strftime pattern
};

// From the date and time patterns as nl_langinfo gives them (D_FMT, T_FMT).
TimeConventions TimeConventionsFromPatterns(std::string_view dateFormat,
                                            std::string_view timeFormat);

// Of the named locale; "" is the user's locale from the environment. The C locale's
// conventions when the locale cannot be loaded.
TimeConventions TimeConventionsOfLocale(const char* localeName = "");

// The time in the locale's long time format (am/pm words included), e.g. "14:05:09".
std::string FormatLongTime(const std::tm& local, const char* localeName = "");

}  // namespace korvane::platform
