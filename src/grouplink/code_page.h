#pragma once
// The filter set is UTF-8; the XML model and the settings work on 8-bit text in the "ANSI" code
// page, here the charset of the calling thread's locale.
#include <string>
#include <string_view>

namespace korvane::grouplink {

// The charset of the thread's locale. A process that never chose a locale runs in 7-bit ASCII,
// which would turn every non-Latin letter into "?"; it is taken as UTF-8 instead.
std::string ThreadAnsiCharset();

bool IsUtf8Charset(std::string_view charset);

// UTF-8 to the charset: characters it cannot hold, and bytes that are not UTF-8, become "?".
// In a UTF-8 charset the bytes stay exactly as they are. Throws FatalError when the
// conversion cannot be set up.
std::string Utf8ToAnsi(std::string_view utf8, const std::string& charset);
// The charset to UTF-8: bytes it does not define become "?".
std::string AnsiToUtf8(std::string_view ansi, const std::string& charset);

}  // namespace korvane::grouplink
