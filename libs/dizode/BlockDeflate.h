// Deflating a large file in blocks on several threads. Each block is deflated on its own (libdeflate
// takes no preset dictionary, so a block starts without the previous 32 KiB; at 2 MiB a block that
// costs about 0.1 to 0.2 % of the size). Every block but the last is then made non-final and ended
// on a byte boundary with an empty stored block, so the blocks concatenated in order are one valid
// deflate stream.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct libdeflate_compressor;

namespace ruvu::dizode {

inline constexpr size_t kDeflateBlockSize = 2u << 20;

// The deflate stream of one block; an empty vector when the engine failed.
std::vector<uint8_t> DeflateBlock(libdeflate_compressor* engine, const uint8_t* data, size_t size, bool last);

// Clears the final bit of the last block of a complete raw deflate stream and appends an empty
// stored block, so that more blocks may follow. False (the stream untouched) when it does not parse.
bool MakeNonFinal(std::vector<uint8_t>& stream);

}  // namespace ruvu::dizode
