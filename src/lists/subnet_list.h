#pragma once
// The exchange subnet list: two parallel lists of address and mask texts in the order of the
// accepted lines, replaced only as a whole by a text that yields at least one entry.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/locale_time.h"
#include "platform/timer.h"

namespace korvane::lists {

// Lines of a list text: CR LF, a lone CR and a lone LF each end a line; a NUL ends the text.
std::vector<std::string> SplitLines(std::string_view text);

// The list file's bytes: every line followed by CR LF.
std::string JoinLinesCrLf(const std::vector<std::string>& lines);

class SubnetList {
  public:
    // True when at least one line was an entry; only then is the list replaced.
    bool ParseSubnetList(const std::vector<std::string>& lines);
    // The same for the lines of a whole list text (see SplitLines), without building them.
    bool ParseSubnetListText(std::string_view text);
    // Reads the list file; on success LastUpdateTime is the file's modification time.
    // Throws platform::FileError when the file exists but cannot be read.
    bool LoadSubnetList(const std::filesystem::path& listFile);

    const std::vector<std::string>& SubnetAddresses() const { return current_.addresses; }
    const std::vector<std::string>& SubnetMasks() const { return current_.masks; }
    std::size_t Count() const { return current_.addresses.size(); }
    // Host-order numbers of the same entries, computed once when a list is accepted.
    const std::vector<std::uint32_t>& AddressValues() const { return current_.addressValues; }
    const std::vector<std::uint32_t>& MaskValues() const { return current_.maskValues; }

    // Empty until a list has been accepted.
    const std::optional<platform::TimePoint>& LastUpdateTime() const { return lastUpdate_; }
    void SetLastUpdateTime(platform::TimePoint when) { lastUpdate_ = when; }

  private:
    struct Entries {
        std::vector<std::string> addresses;
        std::vector<std::string> masks;
        std::vector<std::uint32_t> addressValues;
        std::vector<std::uint32_t> maskValues;
    };
    // Parses into the spare storage and swaps it in when it holds an entry.
    template <typename ForEachEntryLine>
    bool Parse(std::size_t expectedLines, ForEachEntryLine&& forEachLine);

    Entries current_;
    // The previous list's storage, refilled by the next parse: a refresh of a large list then
    // writes into memory it already owns instead of faulting in fresh pages.
    Entries spare_;
    std::optional<platform::TimePoint> lastUpdate_;
};

// Writes the list file (every line + CR LF) atomically; throws platform::FileError.
void WriteListFile(const std::filesystem::path& listFile, const std::vector<std::string>& lines);

// LabelSubnetsCount's caption.
std::string SubnetsCountCaption(std::size_t count);
// LabelLastUpdated's caption: "не было" when never; "hh:mm" on the current day, else
// "d/mm/yyyy, hh:mm", with the system's date and time separators.
std::string LastUpdatedCaption(const std::optional<platform::TimePoint>& lastUpdate,
                               platform::TimePoint now);
// The same with the given conventions instead of the user's locale.
std::string LastUpdatedCaption(const std::optional<platform::TimePoint>& lastUpdate,
                               platform::TimePoint now,
                               const platform::TimeConventions& conventions);

}  // namespace korvane::lists
