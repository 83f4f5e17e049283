#include "zipformat/Crc32.h"

#include <libdeflate.h>

namespace ruvu::zip {

uint32_t Crc32(uint32_t crc, const void* data, size_t size) {
    return libdeflate_crc32(crc, data, size);
}

}  // namespace ruvu::zip
