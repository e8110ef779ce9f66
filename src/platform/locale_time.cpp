#include "platform/locale_time.h"

#include <langinfo.h>
#include <locale.h>

namespace korvane::platform {
namespace {

// LC_TIME of a locale, freed on leaving the scope; the C locale when it cannot be loaded.
class TimeLocale {
  public:
    explicit TimeLocale(const char* name)
        : locale_(newlocale(LC_TIME_MASK, name, static_cast<locale_t>(0))) {
        if (!locale_) locale_ = newlocale(LC_TIME_MASK, "C", static_cast<locale_t>(0));
    }
    ~TimeLocale() {
        if (locale_) freelocale(locale_);
    }
    TimeLocale(const TimeLocale&) = delete;
    TimeLocale& operator=(const TimeLocale&) = delete;

    std::string Info(nl_item item) const { return locale_ ? nl_langinfo_l(item, locale_) : ""; }
    locale_t get() const { return locale_; }

  private:
    locale_t locale_;
};

// The first literal character between the conversions of a strftime pattern; the
// combined conversions stand for their own separators.
char SeparatorOf(std::string_view pattern, char fallback) {
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%') {
            if (pattern[i] != ' ') return pattern[i];
            continue;
        }
        while (++i < pattern.size() &&
               std::string_view("EO_-0^#").find(pattern[i]) != pattern.npos) {
        }
        if (i == pattern.size()) break;
        switch (pattern[i]) {
            case 'D':
                return '/';
            case 'F':
                return '-';
            case 'T':
            case 'R':
            case 'r':
                return ':';
        }
    }
    return fallback;
}

}  // namespace

TimeConventions TimeConventionsFromPatterns(std::string_view dateFormat,
                                            std::string_view timeFormat) {
    TimeConventions conventions;
    conventions.dateSeparator = SeparatorOf(dateFormat, conventions.dateSeparator);
    conventions.timeSeparator = SeparatorOf(timeFormat, conventions.timeSeparator);
    if (!timeFormat.empty()) conventions.longTimeFormat = timeFormat;
    return conventions;
}

TimeConventions TimeConventionsOfLocale(const char* localeName) {
    const TimeLocale locale(localeName);
    return TimeConventionsFromPatterns(locale.Info(D_FMT), locale.Info(T_FMT));
}

std::string FormatLongTime(const std::tm& local, const char* localeName) {
    const TimeLocale locale(localeName);
    std::string pattern = locale.Info(T_FMT);
    if (pattern.empty()) pattern = TimeConventions().longTimeFormat;
    char buffer[128];
    const std::size_t n =
        locale.get() ? strftime_l(buffer, sizeof buffer, pattern.c_str(), &local, locale.get())
                     : std::strftime(buffer, sizeof buffer, pattern.c_str(), &local);
    return std::string(buffer, n);
}

}  // namespace korvane::platform
