#include "lists/check_address_form.h"

namespace korvane::lists {

void CheckAddressForm::ButtonCheckClick() {
    const AddressCheck check = ClassifyAddress(controls.EditAddress, subnets_, resolver_);
    controls.LabelResult = std::string(CategoryText(check.category));
    controls.EditIP = check.address;
    controls.EditDomain = check.host;
    controls.Image = CategoryPicture(check.category);
}

void CheckAddressForm::FormKeyPress(char key) {
    constexpr char kEscape = 27;
    if (key == kEscape) {
        Hide();
    } else if ((key == '\r' || key == '\n') && !controls.EditAddress.empty()) {
        ButtonCheckClick();
    }
}

void CheckAddressForm::Show() {
    controls.visible = true;
    if (onShow) onShow();
}

}  // namespace korvane::lists
