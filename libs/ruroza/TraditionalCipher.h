// The traditional zip encryption of an entry: a 12-byte header in front of the data whose last byte
// checks the password (one wrong password in 256 passes it; the CRC then finds it out).
#pragma once

#include <optional>

#include "libs/ruroza/EntryCipher.h"
#include "zipformat/ZipCrypto.h"

namespace ruvu::ruroza {

class TraditionalCipher : public EntryCipher {
  public:
    static constexpr size_t kHeaderSize = zip::kEncryptionHeaderSize;

    TraditionalCipher(const zip::EncryptionHeader& header, uint8_t checkByte)
        : header_(header), checkByte_(checkByte) {}

    bool TryPassword(std::string_view password) override;
    void Decrypt(uint8_t* data, size_t size) override { keys_->Decrypt(data, size); }

  private:
    zip::EncryptionHeader header_;
    uint8_t checkByte_;
    std::optional<zip::ZipCryptoKeys> keys_;
};

}  // namespace ruvu::ruroza
