// The traditional zip encryption: three 32-bit keys driven by the password and the plain bytes, and
// the 12-byte header in front of each encrypted entry whose last byte lets a reader check the password
// (the high byte of the entry's CRC, or of its MS-DOS time when a data descriptor follows the data).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace ruvu::zip {

inline constexpr size_t kEncryptionHeaderSize = 12;
using EncryptionHeader = std::array<uint8_t, kEncryptionHeaderSize>;

class ZipCryptoKeys {
  public:
    // Keys initialised with the password bytes (the password text is used as its UTF-8 bytes).
    explicit ZipCryptoKeys(std::string_view password);

    // Encrypts or decrypts in place, advancing the keys.
    void Encrypt(uint8_t* data, size_t size);
    void Decrypt(uint8_t* data, size_t size);

  private:
    uint8_t KeyStreamByte() const;
    void Update(uint8_t plain);

    uint32_t key0_ = 0x12345678;
    uint32_t key1_ = 0x23456789;
    uint32_t key2_ = 0x34567890;
};

// The check byte of an entry: flags bit 3 set uses the time, otherwise the CRC.
uint8_t EncryptionCheckByte(uint16_t flags, uint32_t crc32, uint32_t dosDateTime);

// A new encrypted header: the 11 random bytes of plain, then the check byte, encrypted with (and
// advancing) keys.
EncryptionHeader SealEncryptionHeader(ZipCryptoKeys& keys, EncryptionHeader plain, uint8_t checkByte);
// Decrypts a header with keys (advancing them) and tells whether its last byte is the check byte.
// A true result means the password is probably right (one wrong password in 256 passes).
bool CheckEncryptionHeader(ZipCryptoKeys& keys, EncryptionHeader header, uint8_t checkByte);

}  // namespace ruvu::zip
