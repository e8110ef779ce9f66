#pragma once
// The clipboard monitor: a copied text that starts like a URL is classified at once and the
// result shown in a tray balloon or, without balloons, in the check window.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "core/controls.h"
#include "lists/check_address_form.h"
#include "routing/tray_view.h"

namespace korvane::lists {

class ClipboardMonitor {
  public:
    ClipboardMonitor(core::Controls& controls, routing::TrayView& tray, CheckAddressForm& form,
                     const SubnetList& subnets, platform::Resolver& resolver)
        : controls_(controls), tray_(tray), form_(form), subnets_(subnets), resolver_(resolver) {}

    // Trimmed of characters up to code 32 and lower-cased; ignored unless it starts with
    // "www.", "http://", "ftp://" or "https://".
    void CheckClipboardText(std::string_view text);

    // The clipboard changed (also once right after start). Reads the text only while
    // monitoring is on; a clipboard without text or any failure inside is ignored.
    void ClipboardChanged(const std::function<std::optional<std::string>()>& readText);

    // The balloon box is usable only while monitoring is on; its tick stays as it is.
    void CheckBoxClipboardMonitorClick();

  private:
    core::Controls& controls_;
    routing::TrayView& tray_;
    CheckAddressForm& form_;
    const SubnetList& subnets_;
    platform::Resolver& resolver_;
};

// The display-time spin edit is usable exactly when balloons are ticked and their box enabled.
void CheckBoxEnableBalloonsClick(core::Controls& controls);

}  // namespace korvane::lists
