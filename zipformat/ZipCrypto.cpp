#include "zipformat/ZipCrypto.h"

namespace ruvu::zip {

namespace {

constexpr std::array<uint32_t, 256> MakeCrcTable() {
    std::array<uint32_t, 256> table{};
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k) {
            c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        }
        table[n] = c;
    }
    return table;
}

constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

// One step of the CRC-32 update the key schedule is built on (no pre- or post-inversion).
uint32_t CrcStep(uint32_t crc, uint8_t byte) {
    return kCrcTable[(crc ^ byte) & 0xFF] ^ (crc >> 8);
}

}  // namespace

ZipCryptoKeys::ZipCryptoKeys(std::string_view password) {
    for (const char c : password) {
        Update(static_cast<uint8_t>(c));
    }
}

uint8_t ZipCryptoKeys::KeyStreamByte() const {
    // Unsigned 32-bit arithmetic: the 16-bit product does not fit an int.
    const uint32_t temp = (key2_ | 2) & 0xFFFF;
    return static_cast<uint8_t>((temp * (temp ^ 1)) >> 8);
}

void ZipCryptoKeys::Update(uint8_t plain) {
    key0_ = CrcStep(key0_, plain);
    key1_ = (key1_ + (key0_ & 0xFF)) * 134775813u + 1;
    key2_ = CrcStep(key2_, static_cast<uint8_t>(key1_ >> 24));
}

void ZipCryptoKeys::Encrypt(uint8_t* data, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        const uint8_t plain = data[i];
        data[i] = plain ^ KeyStreamByte();
        Update(plain);
    }
}

void ZipCryptoKeys::Decrypt(uint8_t* data, size_t size) {
    for (size_t i = 0; i < size; ++i) {
        const uint8_t plain = data[i] ^ KeyStreamByte();
        data[i] = plain;
        Update(plain);
    }
}

uint8_t EncryptionCheckByte(uint16_t flags, uint32_t crc32, uint32_t dosDateTime) {
    if ((flags & 0x0008) != 0) {
        return static_cast<uint8_t>((dosDateTime >> 8) & 0xFF);
    }
    return static_cast<uint8_t>(crc32 >> 24);
}

EncryptionHeader SealEncryptionHeader(ZipCryptoKeys& keys, EncryptionHeader plain, uint8_t checkByte) {
    plain[kEncryptionHeaderSize - 1] = checkByte;
    keys.Encrypt(plain.data(), plain.size());
    return plain;
}

bool CheckEncryptionHeader(ZipCryptoKeys& keys, EncryptionHeader header, uint8_t checkByte) {
    keys.Decrypt(header.data(), header.size());
    return header[kEncryptionHeaderSize - 1] == checkByte;
}

}  // namespace ruvu::zip
