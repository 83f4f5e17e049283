#include "libs/ruroza/AesCipher.h"

#include <openssl/core_names.h>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/params.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>

#include "zipformat/ByteOrder.h"

namespace ruvu::ruroza {

namespace {

constexpr int kRounds = 1000;
constexpr size_t kBlockSize = 16;

// The fetched HMAC algorithm, released when it goes.
struct MacAlgorithm {
    MacAlgorithm() : mac(EVP_MAC_fetch(nullptr, "HMAC", nullptr)) {}
    ~MacAlgorithm() { EVP_MAC_free(mac); }
    EVP_MAC* mac;
};

// libcrypto fails only when it cannot allocate or its algorithms are not there: the job cannot go on.
[[noreturn]] void CryptoFailure(const char* step) {
    throw std::runtime_error(std::string("libcrypto failed in ") + step);
}

const EVP_CIPHER* BlockCipher(size_t keySize) {
    switch (keySize) {
        case 16:
            return EVP_aes_128_ecb();
        case 24:
            return EVP_aes_192_ecb();
        default:
            return EVP_aes_256_ecb();
    }
}

}  // namespace

void AesCipher::CipherFree::operator()(evp_cipher_ctx_st* ctx) const {
    EVP_CIPHER_CTX_free(ctx);
}

void AesCipher::MacFree::operator()(evp_mac_ctx_st* ctx) const {
    EVP_MAC_CTX_free(ctx);
}

size_t AesCipher::SaltSize(uint8_t strength) {
    return strength >= 1 && strength <= 3 ? size_t{4} + 4 * strength : 0;
}

AesCipher::AesCipher(uint8_t strength, std::span<const uint8_t> header,
                     std::span<const uint8_t, kAuthCodeSize> authCode)
    : keySize_(SaltSize(strength) * 2), salt_(header.begin(), header.begin() + SaltSize(strength)) {
    std::copy(header.begin() + salt_.size(), header.begin() + salt_.size() + kVerifierSize,
              verifier_.begin());
    std::copy(authCode.begin(), authCode.end(), authCode_.begin());
}

AesCipher::~AesCipher() = default;

bool AesCipher::TryPassword(std::string_view password) {
    // The AES key, the HMAC key and the verifier, in this order.
    std::vector<uint8_t> derived(2 * keySize_ + kVerifierSize);
    if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt_.data(),
                          static_cast<int>(salt_.size()), kRounds, EVP_sha1(),
                          static_cast<int>(derived.size()), derived.data()) != 1) {
        CryptoFailure("PBKDF2");
    }
    if (std::memcmp(derived.data() + 2 * keySize_, verifier_.data(), kVerifierSize) != 0) {
        return false;
    }
    cipher_.reset(EVP_CIPHER_CTX_new());
    mac_.reset();
    const MacAlgorithm hmac;
    if (cipher_ != nullptr && hmac.mac != nullptr) {
        mac_.reset(EVP_MAC_CTX_new(hmac.mac));
    }
    char digest[] = "SHA1";
    const OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0),
                                 OSSL_PARAM_construct_end()};
    if (mac_ == nullptr ||
        EVP_EncryptInit_ex(cipher_.get(), BlockCipher(keySize_), nullptr, derived.data(), nullptr) != 1 ||
        EVP_CIPHER_CTX_set_padding(cipher_.get(), 0) != 1 ||
        EVP_MAC_init(mac_.get(), derived.data() + keySize_, keySize_, params) != 1) {
        CryptoFailure("setting up AES and HMAC");
    }
    OPENSSL_cleanse(derived.data(), derived.size());
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
    int made = 0;
    if (EVP_EncryptUpdate(cipher_.get(), keyStream_.data(), &made, counters.data(),
                          static_cast<int>(counters.size())) != 1 ||
        made != static_cast<int>(keyStream_.size())) {
        CryptoFailure("AES");
    }
    keyStreamUsed_ = 0;
}

void AesCipher::Decrypt(uint8_t* data, size_t size) {
    // The code covers the encrypted bytes.
    if (EVP_MAC_update(mac_.get(), data, size) != 1) {
        CryptoFailure("HMAC");
    }
    while (size > 0) {
        if (keyStreamUsed_ == keyStream_.size()) {
            NextKeyStream();
        }
        const size_t count = std::min(size, keyStream_.size() - keyStreamUsed_);
        const uint8_t* key = keyStream_.data() + keyStreamUsed_;
        size_t i = 0;
        for (; i + sizeof(uint64_t) <= count; i += sizeof(uint64_t)) {
            uint64_t word = 0;
            uint64_t mask = 0;
            std::memcpy(&word, data + i, sizeof word);
            std::memcpy(&mask, key + i, sizeof mask);
            word ^= mask;
            std::memcpy(data + i, &word, sizeof word);
        }
        for (; i < count; ++i) {
            data[i] ^= key[i];
        }
        data += count;
        size -= count;
        keyStreamUsed_ += count;
    }
}

bool AesCipher::Authentic() {
    uint8_t code[EVP_MAX_MD_SIZE];
    size_t length = 0;
    if (EVP_MAC_final(mac_.get(), code, &length, sizeof code) != 1 || length < kAuthCodeSize) {
        CryptoFailure("HMAC");
    }
    return CRYPTO_memcmp(code, authCode_.data(), kAuthCodeSize) == 0;
}

}  // namespace ruvu::ruroza
