// The 32-byte header at the start of the first piece of a split file: a signature text and the number
// of pieces of the set.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace ruvu {

inline constexpr size_t kSplitHeaderSize = 32;
inline constexpr size_t kSplitSignatureSize = 29;

struct TSplitHeader {
    char Signature[kSplitSignatureSize];  // ASCII, no terminator
    uint8_t Zero;
    uint16_t PieceCount;  // little-endian in the file
};
static_assert(sizeof(TSplitHeader) == kSplitHeaderSize);
static_assert(offsetof(TSplitHeader, Zero) == 29);
static_assert(offsetof(TSplitHeader, PieceCount) == 30);

// A header with the splitter's own signature and no pieces.
TSplitHeader NewSplitHeader();
std::array<uint8_t, kSplitHeaderSize> EncodeSplitHeader(const TSplitHeader& header);
TSplitHeader DecodeSplitHeader(const std::array<uint8_t, kSplitHeaderSize>& bytes);

}  // namespace ruvu
