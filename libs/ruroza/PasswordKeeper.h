// Passwords for encrypted entries during one job: the passwords already known are tried first (the
// one that opened the last entry, then the record's), then the engine is asked through action 8, at
// most the record's number of times per entry. An empty answer or "cancel all" ends the questions
// for the rest of the job; known passwords are still tried on the entries that follow.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "libs/common/CallbackClient.h"
#include "zipformat/ZipCrypto.h"

namespace ruvu::ruroza {

class PasswordKeeper {
  public:
    PasswordKeeper(libcommon::CallbackClient& client, std::string recordPassword, int requestsPerEntry);

    enum class Result { Unlocked, NoPassword, Stopped };
    // Finds a password whose keys pass the entry's encryption header; keys gets them, advanced past
    // the header, ready to decrypt the data.
    Result Unlock(std::string_view entryName, const zip::EncryptionHeader& header, uint8_t checkByte,
                  std::optional<zip::ZipCryptoKeys>& keys);
    // The password of the last Unlock opened its entry: it is tried first from now on.
    void Confirm() { lastGood_ = current_; }

  private:
    bool Try(const std::string& password, const zip::EncryptionHeader& header, uint8_t checkByte,
             std::optional<zip::ZipCryptoKeys>& keys);

    libcommon::CallbackClient& client_;
    std::string record_;
    std::optional<std::string> lastGood_;
    std::string current_;
    int requestsPerEntry_;
    bool asking_ = true;
};

}  // namespace ruvu::ruroza
