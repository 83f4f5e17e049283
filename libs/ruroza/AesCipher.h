// AES encryption of an entry (the AE-1 and AE-2 variants): in front of the data a salt (8, 12 or 16
// bytes for 128, 192 or 256-bit keys) and a 2-byte password verifier, behind it a 10-byte
// authentication code. PBKDF2 with HMAC-SHA1 (1000 rounds) turns the password and the salt into the
// AES key, the HMAC key and the verifier; the data is AES in counter mode with a little-endian block
// counter starting at 1, and the authentication code is the first 10 bytes of the HMAC-SHA1 of the
// encrypted data. The cryptography is nettle's; this class only assembles it.
#pragma once

#include <nettle/hmac.h>
#include <nettle/nettle-meta.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "libs/ruroza/EntryCipher.h"

namespace ruvu::ruroza {

class AesCipher : public EntryCipher {
  public:
    static constexpr size_t kVerifierSize = 2;
    static constexpr size_t kAuthCodeSize = 10;

    // The salt size of a key strength (1, 2, 3); 0 for any other value.
    static size_t SaltSize(uint8_t strength);

    // header: the salt and the verifier (SaltSize(strength) + kVerifierSize bytes); authCode: the
    // code stored behind the data. The strength must be one SaltSize accepts.
    AesCipher(uint8_t strength, std::span<const uint8_t> header,
              std::span<const uint8_t, kAuthCodeSize> authCode);

    bool TryPassword(std::string_view password) override;
    void Decrypt(uint8_t* data, size_t size) override;
    bool Authentic() override;

  private:
    // Fills the key stream with the next counter blocks.
    void NextKeyStream();

    const nettle_cipher& aes_;
    std::vector<uint8_t> salt_;
    std::array<uint8_t, kVerifierSize> verifier_{};
    std::array<uint8_t, kAuthCodeSize> authCode_{};
    std::vector<uint8_t> aesContext_;  // aes_.context_size bytes
    hmac_sha1_ctx mac_{};
    uint64_t counter_ = 0;                      // the last block counter used
    std::array<uint8_t, 4096> keyStream_{};     // encrypted counter blocks
    size_t keyStreamUsed_ = keyStream_.size();  // bytes of keyStream_ already used
};

}  // namespace ruvu::ruroza
