// The XML reader must never read past the end of its text and never crash, whatever the
// input. The first byte picks the read settings; the rest is the text, in a buffer of
// exactly its size so that AddressSanitizer sees any read beyond it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "grouplink/xml_model.h"

using korvane::grouplink::ReadSettings;
using korvane::grouplink::XmlDocument;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t flags = data[0];
    const std::size_t length = size - 1;
    auto text = std::make_unique<char[]>(length);
    std::copy(data + 1, data + size, text.get());

    ReadSettings settings;
    settings.trimText = flags & 1;
    settings.decodeReferences = !(flags & 2);
    settings.forceParse = flags & 4;
    if (flags & 8) settings.escapeChar = '\\';

    XmlDocument document;
    const auto end = document.Parse(std::string_view(text.get(), length), &settings);
    if (end && *end > length) std::abort();
    if (settings.errorFound && settings.errorPosition > length) std::abort();

    // Whatever was read can be written, and what is written reads again.
    const std::string written = document.Serialize();
    XmlDocument reread;
    reread.Parse(written);
    return 0;
}
