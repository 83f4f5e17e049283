// Method 95: an XZ stream (with its own integrity check, which liblzma verifies), through liblzma.
#pragma once

#include "libs/ruroza/LiblzmaDecoder.h"

namespace ruvu::ruroza {

class XzDecoder : public LiblzmaDecoder {
  public:
    Step Start(const DecoderSetup& setup) override;
    Step Decode(std::span<const uint8_t>& input, bool inputEnds, std::span<const uint8_t>& output) override {
        return Code(input, inputEnds, output);
    }
};

}  // namespace ruvu::ruroza
