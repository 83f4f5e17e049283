#include "splitter/SplitHeader.h"

#include <cstring>
#include <string_view>

namespace ruvu {

namespace {

constexpr std::string_view kSignature = "TFileSplitter by Zentrofalkia";
static_assert(kSignature.size() == kSplitSignatureSize);

}  // namespace

TSplitHeader NewSplitHeader() {
    TSplitHeader header{};
    std::memcpy(header.Signature, kSignature.data(), kSplitSignatureSize);
    return header;
}

std::array<uint8_t, kSplitHeaderSize> EncodeSplitHeader(const TSplitHeader& header) {
    std::array<uint8_t, kSplitHeaderSize> bytes{};
    std::memcpy(bytes.data(), header.Signature, kSplitSignatureSize);
    bytes[29] = header.Zero;
    bytes[30] = static_cast<uint8_t>(header.PieceCount & 0xFF);
    bytes[31] = static_cast<uint8_t>(header.PieceCount >> 8);
    return bytes;
}

TSplitHeader DecodeSplitHeader(const std::array<uint8_t, kSplitHeaderSize>& bytes) {
    TSplitHeader header{};
    std::memcpy(header.Signature, bytes.data(), kSplitSignatureSize);
    header.Zero = bytes[29];
    header.PieceCount = static_cast<uint16_t>(bytes[30] | (bytes[31] << 8));
    return header;
}

}  // namespace ruvu
