// What the listings call an entry's compression method, so a user sees why an entry needs a newer
// tool than the one at hand.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "zipformat/ZipConstants.h"

namespace ruvu::zip {

// Empty for stored and deflated entries, which every tool reads. Otherwise the method's usual name
// ("Deflate64", "BZip2", "LZMA", "XZ", "Zstd", "PPMd") or its number when it has none here. An AES
// entry (method 99) shows its key size and the method under the encryption, taken from its AES
// block ("AES-256 Deflate", "AES-128 BZip2", "AES-192" for stored data, "AES" without a block).
std::string MethodName(uint16_t method, std::string_view centralExtra);

// Whether MethodName gives the method a name: any method but stored and deflate.
constexpr bool MethodIsNamed(uint16_t method) {
    return method != kMethodStored && method != kMethodDeflated;
}

}  // namespace ruvu::zip
