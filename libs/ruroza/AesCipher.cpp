#include "libs/ruroza/AesCipher.h"

#include <nettle/aes.h>
#include <nettle/memops.h>
#include <nettle/memxor.h>
#include <nettle/pbkdf2.h>

#include <algorithm>
#include <cstring>

#include "zipformat/ByteOrder.h"

namespace ruvu::ruroza {

namespace {

constexpr unsigned kRounds = 1000;
constexpr size_t kBlockSize = AES_BLOCK_SIZE;

const nettle_cipher& BlockCipher(uint8_t strength) {
    switch (strength) {
        case 1:
            return nettle_aes128;
        case 2:
            return nettle_aes192;
        default:
            return nettle_aes256;
    }
}

}  // namespace

size_t AesCipher::SaltSize(uint8_t strength) {
    return strength >= 1 && strength <= 3 ? size_t{4} + 4 * strength : 0;
}

AesCipher::AesCipher(uint8_t strength, std::span<const uint8_t> header,
                     std::span<const uint8_t, kAuthCodeSize> authCode)
    : aes_(BlockCipher(strength)),
      salt_(header.begin(), header.begin() + SaltSize(strength)),
      aesContext_(aes_.context_size) {
    std::copy_n(header.begin() + salt_.size(), kVerifierSize, verifier_.begin());
    std::copy(authCode.begin(), authCode.end(), authCode_.begin());
}

bool AesCipher::TryPassword(std::string_view password) {
    // The AES key, the HMAC key and the verifier, in this order.
    const size_t keySize = aes_.key_size;
    std::vector<uint8_t> derived(2 * keySize + kVerifierSize);
    pbkdf2_hmac_sha1(password.size(), reinterpret_cast<const uint8_t*>(password.data()), kRounds,
                     salt_.size(), salt_.data(), derived.size(), derived.data());
    if (std::memcmp(derived.data() + 2 * keySize, verifier_.data(), kVerifierSize) != 0) {
        return false;
    }
    aes_.set_encrypt_key(aesContext_.data(), derived.data());
    hmac_sha1_set_key(&mac_, keySize, derived.data() + keySize);
    counter_ = 0;
    keyStreamUsed_ = keyStream_.size();
    return true;
}

void AesCipher::NextKeyStream() {
    // Counter blocks: the block number as a little-endian integer over the 16 bytes.
    std::array<uint8_t, sizeof keyStream_> counters{};
    for (size_t at = 0; at < counters.size(); at += kBlockSize) {
        zip::PutU64(counters.data() + at, ++counter_);
    }
    aes_.encrypt(aesContext_.data(), counters.size(), keyStream_.data(), counters.data());
    keyStreamUsed_ = 0;
}

void AesCipher::Decrypt(uint8_t* data, size_t size) {
    // The code covers the encrypted bytes.
    hmac_sha1_update(&mac_, size, data);
    while (size > 0) {
        if (keyStreamUsed_ == keyStream_.size()) {
            NextKeyStream();
        }
        const size_t count = std::min(size, keyStream_.size() - keyStreamUsed_);
        memxor(data, keyStream_.data() + keyStreamUsed_, count);
        data += count;
        size -= count;
        keyStreamUsed_ += count;
    }
}

bool AesCipher::Authentic() {
    std::array<uint8_t, kAuthCodeSize> code{};
    hmac_sha1_digest(&mac_, code.size(), code.data());
    return memeql_sec(code.data(), authCode_.data(), code.size()) != 0;
}

}  // namespace ruvu::ruroza
