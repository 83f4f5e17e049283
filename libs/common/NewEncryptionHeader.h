// The encryption header of an entry being written: random bytes, so that equal files under one
// password do not encrypt alike, sealed with the entry's keys.
#pragma once

#include <cstdint>

#include "zipformat/ZipCrypto.h"

namespace ruvu::libcommon {

// A new encrypted header: 11 random bytes and the check byte, encrypted with (and advancing) keys.
zip::EncryptionHeader MakeEncryptionHeader(zip::ZipCryptoKeys& keys, uint8_t checkByte);

}  // namespace ruvu::libcommon
