// The stub's CRC-32: zlib's, which both builds of the stub link for inflating anyway.
#include <zlib.h>

#include "zipformat/Crc32.h"

namespace ruvu::zip {

uint32_t Crc32(uint32_t crc, const void* data, size_t size) {
    const auto* bytes = static_cast<const Bytef*>(data);
    while (size > 0) {
        const uInt take = static_cast<uInt>(size > 0x40000000u ? 0x40000000u : size);
        crc = static_cast<uint32_t>(crc32(crc, bytes, take));
        bytes += take;
        size -= take;
    }
    return crc;
}

}  // namespace ruvu::zip
