// The blocks of a bzip2 stream, so that they can be decoded apart, on several threads. A stream is
// "BZh" and a level digit, then its blocks, each starting with the 48-bit magic 0x314159265359 and
// the block's CRC at any bit position, then the 48-bit end magic 0x177245385090, the combined CRC and
// padding to a byte. Blocks do not depend on each other: one block between a stream header and an end
// magic of its own is a stream that libbz2 decodes.
//
// The magic can also occur inside a block's data by chance (once in 2^48 bit positions): a span that
// starts or ends at such a place does not decode, and the caller then tries it together with the
// spans that follow.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace ruvu::ruroza::bzip2 {

// A run of a stream's bits, [begin, end), from a block magic up to the next block or end magic.
struct BlockSpan {
    uint64_t begin = 0;
    uint64_t end = 0;
};

struct StreamLayout {
    char level = '9';
    std::vector<BlockSpan> blocks;
    uint32_t combinedCrc = 0;  // stored after the end magic
};

// The blocks of a stream that fills data exactly (up to the padding of its last byte); nullopt when
// the data does not look like that, for the serial decoder to say what is wrong with it.
std::optional<StreamLayout> FindBlocks(std::span<const uint8_t> data);

// The CRC stored with the block whose magic is at bit position begin.
uint32_t BlockCrc(std::span<const uint8_t> data, uint64_t begin);

// The combined CRC of a stream after one more block.
inline uint32_t CombineCrc(uint32_t combined, uint32_t blockCrc) {
    return (combined << 1 | combined >> 31) ^ blockCrc;
}

// A stream of its own holding the bits of span as one block, the block's CRC as its combined CRC.
std::vector<uint8_t> BlockStream(std::span<const uint8_t> data, char level, BlockSpan span);

// Decodes such a stream; nullopt when it does not decode or would give more than limit bytes.
std::optional<std::vector<uint8_t>> DecodeStream(const std::vector<uint8_t>& stream, uint64_t limit);

}  // namespace ruvu::ruroza::bzip2
