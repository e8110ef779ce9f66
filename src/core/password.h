#pragma once
// The settings password is kept only as its digest: MD5 of the password's bytes in the locale's
// charset, as 32 upper-case hexadecimal digits.
#include <string>
#include <string_view>

#include "platform/messages.h"

namespace korvane::core {

std::string PasswordDigestText(std::string_view password);

enum class NewPasswordResult { Mismatch, Cancelled, Accepted };

// The OK button of the set-password dialog: two different texts are reported ("Пароли не
// совпадают") and keep the dialog open; two empty texts cancel it.
NewPasswordResult CheckNewPassword(const std::string& password, const std::string& confirmation,
                                   platform::Messages& messages);

}  // namespace korvane::core
