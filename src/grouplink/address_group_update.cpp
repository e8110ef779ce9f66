#include "grouplink/address_group_update.h"

#include <new>

#include "grouplink/address_group.h"
#include "grouplink/code_page.h"
#include "grouplink/fatal_error.h"
#include "grouplink/list_reader.h"
#include "grouplink/xml_model.h"
#include "platform/atomic_file.h"

namespace korvane::grouplink {
namespace {

using platform::MessageButtons;
using platform::MessageIcon;

constexpr const char* kListFile = "Lists/tarvel-list.lst";

}  // namespace

std::string ReloadFileName(const std::string& filterSetName) {
    const std::size_t slash = filterSetName.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = filterSetName.find_last_of('.');
    const std::size_t nameEnd =
        dot == std::string::npos || dot < nameStart ? filterSetName.size() : dot;
    return filterSetName.substr(0, nameEnd) + ".reload";
}

int UpdateAddressGroup(const AddressGroupTarget& target, platform::Messages& messages) {
    const auto show = [&](const std::string& text, MessageIcon icon) {
        messages.Show({text, target.caption, icon, MessageButtons::Ok});
    };
    try {
        const AddressRangeSet ranges =
            ReadAddressRanges(platform::ReadWholeFile(target.pluginFolder + kListFile));

        // Resolved against the plug-in folder without changing the host's current folder.
        std::string filterSet = target.filterSetName;
        if (!filterSet.starts_with('/')) filterSet = target.pluginFolder + filterSet;

        const std::string text = Utf8ToAnsi(platform::ReadWholeFile(filterSet), target.charset);
        XmlDocument document;
        ReadSettings settings;
        const auto parsed = document.Parse(text, &settings);
        if (settings.errorFound) {
            show(settings.errorText, MessageIcon::None);
            return 0;
        }
        if (!parsed && text.find('<') != std::string::npos) {
            // Writing back what was read would drop the unfinished element and all in it.
            show("The filter set \"" + filterSet +
                     "\" has no complete root element; it was left unchanged.",
                 MessageIcon::Error);
            return 0;
        }

        ApplyAddressGroup(document, target.groupName, ranges.Ranges());
        const std::string bytes = AnsiToUtf8(document.Serialize(), target.charset);

        // Each file is replaced by one rename: no moment without a filter set.
        platform::WriteFileAtomically(filterSet, bytes);
        platform::WriteFileAtomically(ReloadFileName(filterSet), bytes);
        return 1;
    } catch (const platform::FileError& error) {
        show(error.what(), MessageIcon::Error);
    } catch (const FatalError& error) {
        show(error.what(), MessageIcon::Error);
    } catch (const std::bad_alloc&) {
        show("Out of memory.", MessageIcon::Error);
    }
    return 0;
}

}  // namespace korvane::grouplink
