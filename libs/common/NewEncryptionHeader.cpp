#include "libs/common/NewEncryptionHeader.h"

#include <sys/random.h>

#include <random>

namespace ruvu::libcommon {

zip::EncryptionHeader MakeEncryptionHeader(zip::ZipCryptoKeys& keys, uint8_t checkByte) {
    zip::EncryptionHeader header{};
    const size_t randomBytes = zip::kEncryptionHeaderSize - 1;
    if (getrandom(header.data(), randomBytes, 0) != static_cast<ssize_t>(randomBytes)) {
        std::random_device device;
        for (size_t i = 0; i < randomBytes; ++i) {
            header[i] = static_cast<uint8_t>(device());
        }
    }
    return zip::SealEncryptionHeader(keys, header, checkByte);
}

}  // namespace ruvu::libcommon
