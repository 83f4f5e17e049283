#include "libs/dizode/BlockDeflate.h"

#include <libdeflate.h>
#include <zlib.h>

#include <optional>

namespace ruvu::dizode {

std::vector<uint8_t> DeflateBlock(libdeflate_compressor* engine, const uint8_t* data, size_t size,
                                  bool last) {
    std::vector<uint8_t> out(libdeflate_deflate_compress_bound(engine, size));
    const size_t packed = libdeflate_deflate_compress(engine, data, size, out.data(), out.size());
    out.resize(packed);
    if (packed == 0 || (!last && !MakeNonFinal(out))) {
        return {};
    }
    return out;
}

bool MakeNonFinal(std::vector<uint8_t>& stream) {
    // Inflating with Z_BLOCK stops at the end of each block, the final one included (before the
    // stream's end drops the bits left in its last byte). data_type then has 128 set, 64 when the
    // block was the final one, and in its low bits the bits of the input taken that are not used yet.
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK) {
        return false;
    }
    std::vector<uint8_t> scratch(256u << 10);
    z.next_in = stream.data();
    z.avail_in = static_cast<uInt>(stream.size());
    uint64_t finalHeaderBit = 0;
    std::optional<uint64_t> endBit;
    while (!endBit) {
        z.next_out = scratch.data();
        z.avail_out = static_cast<uInt>(scratch.size());
        if (inflate(&z, Z_BLOCK) != Z_OK) {
            break;
        }
        if ((z.data_type & 128) != 0) {
            const uint64_t bit = uint64_t{z.total_in} * 8 - static_cast<unsigned>(z.data_type & 63);
            if ((z.data_type & 64) != 0) {
                endBit = bit;
            } else {
                finalHeaderBit = bit;
            }
        }
    }
    inflateEnd(&z);
    if (!endBit || (*endBit + 7) / 8 != stream.size()) {
        return false;
    }
    const auto spareBits = static_cast<unsigned>(stream.size() * 8 - *endBit);
    stream[finalHeaderBit / 8] &= static_cast<uint8_t>(~(1u << (finalHeaderBit % 8)));
    if (spareBits > 0) {
        stream.back() &= static_cast<uint8_t>((1u << (8 - spareBits)) - 1);
    }
    // The stored block's three header bits are zero: they take the spare bits, or a new byte.
    if (spareBits < 3) {
        stream.push_back(0);
    }
    stream.insert(stream.end(), {0x00, 0x00, 0xFF, 0xFF});
    return true;
}

}  // namespace ruvu::dizode
