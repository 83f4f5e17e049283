// Method 0: the stored bytes are the file's bytes. Output is the input itself, without a copy.
#pragma once

#include "libs/ruroza/MethodDecoder.h"

namespace ruvu::ruroza {

class StoredDecoder : public MethodDecoder {
  public:
    Step Start(const DecoderSetup& setup) override;
    Step Decode(std::span<const uint8_t>& input, bool inputEnds, std::span<const uint8_t>& output) override;
};

}  // namespace ruvu::ruroza
