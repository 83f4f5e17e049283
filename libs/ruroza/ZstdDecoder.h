// Method 93, Zstandard, through libzstd: one frame or several in a row (skippable frames included).
// Windows beyond kMaxWindow are refused; libzstd sizes its window by the frame's content size when the
// frame gives it.
#pragma once

#include <zstd.h>
#include <zstd_errors.h>

#include "libs/common/ScratchBuffer.h"
#include "libs/ruroza/MethodDecoder.h"

namespace ruvu::ruroza {

class ZstdDecoder : public MethodDecoder {
  public:
    ZstdDecoder() = default;
    ~ZstdDecoder() override { ZSTD_freeDCtx(context_); }
    ZstdDecoder(const ZstdDecoder&) = delete;
    ZstdDecoder& operator=(const ZstdDecoder&) = delete;

    Step Start(const DecoderSetup& setup) override;
    Step Decode(std::span<const uint8_t>& input, bool inputEnds, std::span<const uint8_t>& output) override;

  private:
    ZSTD_DCtx* context_ = nullptr;
    libcommon::ScratchBuffer output_;
};

}  // namespace ruvu::ruroza
