// Passwords for encrypted entries during one job: the passwords already known are tried first (the
// one that opened the last entry, then the record's), then the engine is asked through action 8, at
// most the record's number of times per entry. An empty answer or "cancel all" ends the questions
// for the rest of the job; known passwords are still tried on the entries that follow.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "libs/common/CallbackClient.h"
#include "libs/ruroza/EntryCipher.h"

namespace ruvu::ruroza {

class PasswordKeeper {
  public:
    PasswordKeeper(libcommon::CallbackClient& client, std::string recordPassword, int requestsPerEntry);

    enum class Result { Unlocked, NoPassword, Stopped };
    // Finds a password the entry's cipher accepts; the cipher is then ready to decrypt the data.
    Result Unlock(std::string_view entryName, EntryCipher& cipher);
    // The password of the last Unlock opened its entry: it is tried first from now on.
    void Confirm() { lastGood_ = current_; }

  private:
    bool Try(const std::string& password, EntryCipher& cipher);

    libcommon::CallbackClient& client_;
    std::string record_;
    std::optional<std::string> lastGood_;
    std::string current_;
    int requestsPerEntry_;
    bool asking_ = true;
};

}  // namespace ruvu::ruroza
