#pragma once
// The address check window (TFormCheckAddress) as the logic sees it: its controls' states and
// handlers. The Qt window mirrors the fields and forwards its events.
#include <functional>
#include <string>

#include "lists/address_check.h"

namespace korvane::lists {

struct CheckAddressControls {
    std::string EditAddress;
    bool ButtonCheckEnabled = false;
    std::string EditDomain = "нет";
    std::string EditIP = "нет";
    std::string LabelResult;
    int Image = 0;  // picture index: 0 not resolved, 1 exchange (also local), 2 foreign
    bool visible = false;
};

class CheckAddressForm {
  public:
    CheckAddressForm(const SubnetList& subnets, platform::Resolver& resolver)
        : subnets_(subnets), resolver_(resolver) {}

    void EditAddressChange() { controls.ButtonCheckEnabled = !controls.EditAddress.empty(); }
    void ButtonCheckClick();
    // Escape hides the window; Enter checks when there is a text.
    void FormKeyPress(char key);
    // Shows the window and brings the application to the front (through onShow).
    void Show();
    void Hide() { controls.visible = false; }

    CheckAddressControls controls;
    // The shell makes the window topmost without activating it and raises the application.
    std::function<void()> onShow;

  private:
    const SubnetList& subnets_;
    platform::Resolver& resolver_;
};

}  // namespace korvane::lists
