// The decryption of an encrypted entry's stored bytes as they are read. A cipher is made from the
// bytes around the entry's data (an encryption header in front, an authentication code behind),
// tries passwords against them, then decrypts the data in order and tells at the end whether the data
// is authentic.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace ruvu::ruroza {

class EntryCipher {
  public:
    virtual ~EntryCipher() = default;

    // Sets the keys for a password. False when the entry's header shows the password is wrong; a true
    // result can still be wrong by chance, which the CRC or the authentication code then tells.
    virtual bool TryPassword(std::string_view password) = 0;
    // Decrypts the next bytes of the data in place.
    virtual void Decrypt(uint8_t* data, size_t size) = 0;
    // Once every byte of the data went through Decrypt: whether the data is what was encrypted.
    // Ciphers without an authentication code have only the CRC to go by and answer true.
    virtual bool Authentic() { return true; }
};

}  // namespace ruvu::ruroza
