#include "libs/ruroza/PasswordKeeper.h"

#include <algorithm>

namespace ruvu::ruroza {

PasswordKeeper::PasswordKeeper(libcommon::CallbackClient& client, std::string recordPassword,
                               int requestsPerEntry)
    : client_(client), record_(std::move(recordPassword)), requestsPerEntry_(requestsPerEntry) {}

bool PasswordKeeper::Try(const std::string& password, EntryCipher& cipher) {
    if (!cipher.TryPassword(password)) {
        return false;
    }
    current_ = password;
    return true;
}

PasswordKeeper::Result PasswordKeeper::Unlock(std::string_view entryName, EntryCipher& cipher) {
    if (lastGood_ && Try(*lastGood_, cipher)) {
        return Result::Unlocked;
    }
    if (!record_.empty() && record_ != lastGood_ && Try(record_, cipher)) {
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
        if (answer.password && !answer.password->empty() && Try(*answer.password, cipher)) {
            return Result::Unlocked;
        }
        // The engine may lower the number of questions left for this entry.
        left = std::min(left - 1, answer.repeatCount);
    }
    return Result::NoPassword;
}

}  // namespace ruvu::ruroza
