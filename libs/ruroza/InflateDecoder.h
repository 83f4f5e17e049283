// Method 8, deflate. An entry of up to kInMemoryLimit bytes whose sizes are plausible is inflated by
// libdeflate in one call into a buffer of exactly the declared size (plus one byte, which tells a
// longer stream from an exact one); bigger ones, and any whose sizes cannot be right, go through zlib
// in fixed-size pieces.
#pragma once

#include <zlib.h>

#include "libs/common/ScratchBuffer.h"
#include "libs/ruroza/MethodDecoder.h"

struct libdeflate_decompressor;

namespace ruvu::ruroza {

class InflateDecoder : public MethodDecoder {
  public:
    static constexpr uint64_t kInMemoryLimit = 64ull << 20;

    InflateDecoder();
    ~InflateDecoder() override;
    InflateDecoder(const InflateDecoder&) = delete;
    InflateDecoder& operator=(const InflateDecoder&) = delete;

    Step Start(const DecoderSetup& setup) override;
    bool WantsWholeInput() const override { return whole_; }
    Step Decode(std::span<const uint8_t>& input, bool inputEnds, std::span<const uint8_t>& output) override;

  private:
    Step InflateWhole(std::span<const uint8_t>& input, std::span<const uint8_t>& output);
    Step InflatePiece(std::span<const uint8_t>& input, std::span<const uint8_t>& output);

    libdeflate_decompressor* decompressor_ = nullptr;
    z_stream stream_{};
    bool streamReady_ = false;
    bool whole_ = false;
    uint64_t declaredSize_ = 0;
    libcommon::ScratchBuffer output_;
};

}  // namespace ruvu::ruroza
