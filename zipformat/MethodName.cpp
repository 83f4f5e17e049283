#include "zipformat/MethodName.h"

#include "zipformat/ExtraField.h"
#include "zipformat/ZipConstants.h"

namespace ruvu::zip {

namespace {

struct NamedMethod {
    uint16_t method;
    const char* name;
};

constexpr NamedMethod kNames[] = {
    {kMethodDeflated, "Deflate"}, {kMethodDeflate64, "Deflate64"}, {kMethodBzip2, "BZip2"},
    {kMethodLzma, "LZMA"},        {kMethodZstd, "Zstd"},           {kMethodXz, "XZ"},
    {kMethodPpmd, "PPMd"},
};

std::string CompressionName(uint16_t method) {
    for (const NamedMethod& named : kNames) {
        if (named.method == method) {
            return named.name;
        }
    }
    return std::to_string(method);
}

}  // namespace

std::string MethodName(uint16_t method, std::string_view centralExtra) {
    if (!MethodIsNamed(method)) {
        return {};
    }
    if (method != kMethodAes) {
        return CompressionName(method);
    }
    const auto aes = FindAesExtra(centralExtra);
    if (!aes) {
        return "AES";
    }
    std::string name = aes->Strength >= 1 && aes->Strength <= 3
                           ? "AES-" + std::to_string(64 + 64 * aes->Strength)
                           : std::string("AES");
    if (aes->Method != kMethodStored) {
        name += ' ' + CompressionName(aes->Method);
    }
    return name;
}

}  // namespace ruvu::zip
