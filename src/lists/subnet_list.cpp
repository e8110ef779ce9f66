#include "lists/subnet_list.h"

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/atomic_file.h"
#include "platform/locale_time.h"
#include "routing/ipv4.h"

namespace korvane::lists {
namespace {

// The mask texts of all prefix lengths, formatted once.
const std::string& MaskText(std::uint8_t prefix) {
    static const std::array<std::string, 33> masks = [] {
        std::array<std::string, 33> texts;
        for (std::uint8_t p = 0; p <= 32; ++p) texts[p] = routing::PrefixToMaskText(p);
        return texts;
    }();
    return masks[prefix > 32 ? 32 : prefix];
}

platform::TimePoint ToTimePoint(const timespec& time) {
    return platform::TimePoint(std::chrono::duration_cast<platform::TimePoint::duration>(
        std::chrono::seconds(time.tv_sec) + std::chrono::nanoseconds(time.tv_nsec)));
}

std::tm LocalTime(platform::TimePoint when) {
    const std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    localtime_r(&t, &local);
    return local;
}

// Calls visit(line) for each line of a list text: CR LF, a lone CR and a lone LF each end
// a line; a NUL ends the text; a last line without its line end counts.
template <typename Visit>
void ForEachLine(std::string_view text, Visit&& visit) {
    text = text.substr(0, text.find('\0'));
    const char* const end = text.data() + text.size();
    const char* start = text.data();
    for (const char* p = start; p != end; ++p) {
        if (*p != '\r' && *p != '\n') continue;
        visit(std::string_view(start, static_cast<std::size_t>(p - start)));
        if (*p == '\r' && p + 1 != end && p[1] == '\n') ++p;
        start = p + 1;
    }
    if (start != end) visit(std::string_view(start, static_cast<std::size_t>(end - start)));
}

// Enough room for the lines of a CR LF or LF text: growing vectors of millions of entries
// costs more than this extra scan.
std::size_t ExpectedLineCount(std::string_view text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
}

}  // namespace

std::vector<std::string> SplitLines(std::string_view text) {
    std::vector<std::string> lines;
    lines.reserve(ExpectedLineCount(text));
    ForEachLine(text, [&](std::string_view line) { lines.emplace_back(line); });
    return lines;
}

std::string JoinLinesCrLf(const std::vector<std::string>& lines) {
    std::size_t size = 0;
    for (const std::string& line : lines) size += line.size() + 2;
    std::string bytes;
    bytes.reserve(size);
    for (const std::string& line : lines) {
        bytes += line;
        bytes += "\r\n";
    }
    return bytes;
}

template <typename ForEachEntryLine>
bool SubnetList::Parse(std::size_t expectedLines, ForEachEntryLine&& forEachLine) {
    Entries& next = spare_;
    next.addresses.clear();
    next.masks.clear();
    next.addressValues.clear();
    next.maskValues.clear();
    next.addresses.reserve(expectedLines);
    next.masks.reserve(expectedLines);
    next.addressValues.reserve(expectedLines);
    next.maskValues.reserve(expectedLines);

    forEachLine([&](std::string_view line) {
        std::uint32_t address;
        std::uint8_t prefix;
        if (line.empty() || !routing::ParseAddressSpecValue(line, address, prefix)) return;
        next.addresses.push_back(routing::HostOrderToText(address));
        next.masks.push_back(MaskText(prefix));
        next.addressValues.push_back(address);
        next.maskValues.push_back(routing::PrefixToMaskHostOrder(prefix));
    });
    if (next.addresses.empty()) return false;
    std::swap(current_, spare_);
    return true;
}

bool SubnetList::ParseSubnetList(const std::vector<std::string>& lines) {
    return Parse(lines.size(), [&](auto&& visit) {
        for (const std::string& line : lines) visit(line);
    });
}

bool SubnetList::ParseSubnetListText(std::string_view text) {
    return Parse(ExpectedLineCount(text), [&](auto&& visit) { ForEachLine(text, visit); });
}

bool SubnetList::LoadSubnetList(const std::filesystem::path& listFile) {
    struct stat st {};
    if (stat(listFile.c_str(), &st) != 0) {
        if (errno == ENOENT) return false;
        throw platform::FileError("Cannot read \"" + listFile.string() +
                                  "\": " + std::strerror(errno));
    }
    if (!ParseSubnetListText(platform::ReadWholeFile(listFile))) return false;
    lastUpdate_ = ToTimePoint(st.st_mtim);
    return true;
}

void WriteListFile(const std::filesystem::path& listFile, const std::vector<std::string>& lines) {
    platform::WriteFileAtomically(listFile, JoinLinesCrLf(lines));
}

std::string SubnetsCountCaption(std::size_t count) { return std::to_string(count); }

std::string LastUpdatedCaption(const std::optional<platform::TimePoint>& lastUpdate,
                               platform::TimePoint now) {
    return LastUpdatedCaption(lastUpdate, now, platform::TimeConventionsOfLocale());
}

std::string LastUpdatedCaption(const std::optional<platform::TimePoint>& lastUpdate,
                               platform::TimePoint now,
                               const platform::TimeConventions& conventions) {
    if (!lastUpdate) return "не было";
    const std::tm when = LocalTime(*lastUpdate);
    const std::tm today = LocalTime(now);
    const char d = conventions.dateSeparator;
    const char t = conventions.timeSeparator;
    char buffer[64];
    if (when.tm_year == today.tm_year && when.tm_yday == today.tm_yday)
        std::snprintf(buffer, sizeof buffer, "%02d%c%02d", when.tm_hour, t, when.tm_min);
    else
        std::snprintf(buffer, sizeof buffer, "%d%c%02d%c%04d, %02d%c%02d", when.tm_mday, d,
                      when.tm_mon + 1, d, when.tm_year + 1900, when.tm_hour, t, when.tm_min);
    return buffer;
}

}  // namespace korvane::lists
