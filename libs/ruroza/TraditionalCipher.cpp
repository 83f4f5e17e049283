#include "libs/ruroza/TraditionalCipher.h"

namespace ruvu::ruroza {

bool TraditionalCipher::TryPassword(std::string_view password) {
    zip::ZipCryptoKeys candidate(password);
    if (!zip::CheckEncryptionHeader(candidate, header_, checkByte_)) {
        return false;
    }
    keys_ = candidate;
    return true;
}

}  // namespace ruvu::ruroza
