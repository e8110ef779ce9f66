#include "core/password.h"

#include <openssl/evp.h>

#include <memory>
#include <stdexcept>

namespace korvane::core {

std::string PasswordDigestText(std::string_view password) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(password.data(), password.size(), digest, &length, EVP_md5(), nullptr) != 1) {
        throw std::runtime_error("MD5 digest failed");
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(length * 2);
    for (unsigned int i = 0; i < length; ++i) {
        text += kHex[digest[i] >> 4];
        text += kHex[digest[i] & 0x0F];
    }
    return text;
}

NewPasswordResult CheckNewPassword(const std::string& password, const std::string& confirmation,
                                   platform::Messages& messages) {
    if (password != confirmation) {
        messages.Error("Пароли не совпадают");
        return NewPasswordResult::Mismatch;
    }
    return password.empty() ? NewPasswordResult::Cancelled : NewPasswordResult::Accepted;
}

}  // namespace korvane::core
