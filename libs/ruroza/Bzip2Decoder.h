// Method 12, bzip2, through libbz2. Its blocks are at most 900 kB, so its memory is small and fixed.
#pragma once

#include <bzlib.h>

#include "libs/common/ScratchBuffer.h"
#include "libs/ruroza/MethodDecoder.h"

namespace ruvu::ruroza {

class Bzip2Decoder : public MethodDecoder {
  public:
    Bzip2Decoder() = default;
    ~Bzip2Decoder() override;
    Bzip2Decoder(const Bzip2Decoder&) = delete;
    Bzip2Decoder& operator=(const Bzip2Decoder&) = delete;

    Step Start(const DecoderSetup& setup) override;
    Step Decode(std::span<const uint8_t>& input, bool inputEnds, std::span<const uint8_t>& output) override;

  private:
    void End();

    bz_stream stream_{};
    bool started_ = false;
    libcommon::ScratchBuffer output_;
};

}  // namespace ruvu::ruroza
