// The CRC-32 of zip entries and of the texts the Unicode extra blocks stand for (the polynomial zlib
// uses), computed by libdeflate's fast routine.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ruvu::zip {

// Continues a CRC: start with 0, feed the data in pieces, the result is the CRC of all of them.
uint32_t Crc32(uint32_t crc, const void* data, size_t size);

}  // namespace ruvu::zip
