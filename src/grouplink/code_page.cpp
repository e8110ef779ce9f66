#include "grouplink/code_page.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <algorithm>
#include <cctype>

#include "grouplink/fatal_error.h"

namespace korvane::grouplink {
namespace {

class Iconv {
  public:
    Iconv(const std::string& to, const std::string& from)
        : cd_(iconv_open(to.c_str(), from.c_str())) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            throw FatalError(FatalError::OsError{errno},
                             "Cannot convert from " + from + " to " + to);
        }
    }
    ~Iconv() { iconv_close(cd_); }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    // Converts all of input; an input unit that cannot be converted is written as "?" in
    // the target charset (itself converted once).
    std::string Convert(std::string_view input, std::size_t unitSize, std::string_view question) {
        std::string out(input.size() + 16, '\0');
        char* in = const_cast<char*>(input.data());
        std::size_t inLeft = input.size();
        std::size_t written = 0;
        while (inLeft > 0) {
            char* outPtr = out.data() + written;
            std::size_t outLeft = out.size() - written;
            const std::size_t result = iconv(cd_, &in, &inLeft, &outPtr, &outLeft);
            written = out.size() - outLeft;
            if (result != static_cast<std::size_t>(-1)) break;
            if (errno == E2BIG) {
                out.resize(out.size() * 2);
            } else if (errno == EILSEQ || errno == EINVAL) {
                const std::size_t skip = std::min(unitSize, inLeft);
                in += skip;
                inLeft -= skip;
                out.resize(std::max(out.size(), written + question.size() + 16));
                out.replace(written, question.size(), question);
                written += question.size();
            } else {
                throw FatalError(FatalError::OsError{errno});
            }
        }
        out.resize(written);
        return out;
    }

  private:
    iconv_t cd_;
};

void AppendUtf32(std::string& out, char32_t c) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((c >> (8 * i)) & 0xFF);
}

// UTF-8 as little-endian UTF-32; a byte that does not start a valid sequence becomes U+FFFD.
std::string Utf8ToUtf32(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() * 4);
    std::size_t i = 0;
    while (i < utf8.size()) {
        const unsigned char lead = static_cast<unsigned char>(utf8[i]);
        int length = lead < 0x80           ? 1
                     : (lead >> 5) == 0x6  ? 2
                     : (lead >> 4) == 0xE  ? 3
                     : (lead >> 3) == 0x1E ? 4
                                           : 0;
        char32_t c = length == 1   ? lead
                     : length == 2 ? (lead & 0x1F)
                     : length == 3 ? (lead & 0x0F)
                                   : (lead & 0x07);
        bool valid = length > 0 && i + static_cast<std::size_t>(length) <= utf8.size();
        for (int k = 1; valid && k < length; ++k) {
            const unsigned char next =
                static_cast<unsigned char>(utf8[i + static_cast<std::size_t>(k)]);
            valid = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        valid = valid && c >= kSmallest[length] && c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
        if (valid) {
            AppendUtf32(out, c);
            i += static_cast<std::size_t>(length);
        } else {
            AppendUtf32(out, 0xFFFD);
            ++i;
        }
    }
    return out;
}

}  // namespace

std::string ThreadAnsiCharset() {
    const locale_t current = uselocale(static_cast<locale_t>(0));
    const std::string charset =
        current == LC_GLOBAL_LOCALE ? nl_langinfo(CODESET) : nl_langinfo_l(CODESET, current);
    if (charset == "ANSI_X3.4-1968" || charset == "ASCII" || charset.empty()) return "UTF-8";
    return charset;
}

bool IsUtf8Charset(std::string_view charset) {
    std::string lower;
    for (char c : charset) {
        if (c != '-' && c != '_')
            lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return lower == "utf8";
}

std::string Utf8ToAnsi(std::string_view utf8, const std::string& charset) {
    if (IsUtf8Charset(charset)) return std::string(utf8);
    Iconv toAnsi(charset, "UTF-32LE");
    return toAnsi.Convert(Utf8ToUtf32(utf8), 4, "?");
}

std::string AnsiToUtf8(std::string_view ansi, const std::string& charset) {
    if (IsUtf8Charset(charset)) return std::string(ansi);
    Iconv toUtf8("UTF-8", charset);
    return toUtf8.Convert(ansi, 1, "?");
}

}  // namespace korvane::grouplink
