#include "libs/ruroza/PasswordKeeper.h"

#include <algorithm>

namespace ruvu::ruroza {

PasswordKeeper::PasswordKeeper(libcommon::CallbackClient& client, std::string recordPassword,
                               int requestsPerEntry)
    : client_(client), record_(std::move(recordPassword)), requestsPerEntry_(requestsPerEntry) {}

bool PasswordKeeper::Try(const std::string& password, const zip::EncryptionHeader& header, uint8_t checkByte,
                         std::optional<zip::ZipCryptoKeys>& keys) {
    zip::ZipCryptoKeys candidate(password);
    if (!zip::CheckEncryptionHeader(candidate, header, checkByte)) {
        return false;
    }
    keys = candidate;
    current_ = password;
    return true;
}

PasswordKeeper::Result PasswordKeeper::Unlock(std::string_view entryName, const zip::EncryptionHeader& header,
                                              uint8_t checkByte, std::optional<zip::ZipCryptoKeys>& keys) {
    keys.reset();
    if (lastGood_ && Try(*lastGood_, header, checkByte, keys)) {
        return Result::Unlocked;
    }
    if (!record_.empty() && record_ != lastGood_ && Try(record_, header, checkByte, keys)) {
        return Result::Unlocked;
    }
    int left = requestsPerEntry_;
    while (asking_ && left > 0) {
        libcommon::CallbackClient::PasswordAnswer answer;
        if (!client_.Password(entryName, false, left, answer)) {
            return Result::Stopped;
        }
        if (answer.cancelAll || !answer.password || answer.password->empty()) {
            asking_ = false;
        }
        if (answer.password && !answer.password->empty() && Try(*answer.password, header, checkByte, keys)) {
            return Result::Unlocked;
        }
        // The engine may lower the number of questions left for this entry.
        left = std::min(left - 1, answer.repeatCount);
    }
    return Result::NoPassword;
}

}  // namespace ruvu::ruroza
