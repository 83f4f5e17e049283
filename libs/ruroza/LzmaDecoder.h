// Method 14, LZMA as zip stores it: a 2-byte encoder version, a 2-byte properties size (5), the 5
// LZMA properties (literal/position bits and the dictionary size), then raw LZMA data, which ends in
// an end marker when flag bit 1 is set and at the declared size otherwise. liblzma decodes it; both
// endings are accepted. The dictionary is never made larger than the declared size needs, so a small
// entry written with a large dictionary costs little memory.
#pragma once

#include <array>

#include "libs/ruroza/LiblzmaDecoder.h"

namespace ruvu::ruroza {

class LzmaDecoder : public LiblzmaDecoder {
  public:
    Step Start(const DecoderSetup& setup) override;
    Step Decode(std::span<const uint8_t>& input, bool inputEnds, std::span<const uint8_t>& output) override;

  private:
    static constexpr size_t kHeaderSize = 4 + 5;

    // Sets the stream up from the header once it is complete.
    Step StartStream();

    uint64_t declaredSize_ = 0;
    std::array<uint8_t, kHeaderSize> header_{};
    size_t headerHave_ = 0;
};

}  // namespace ruvu::ruroza
