// What the LZMA and XZ decoders share: a liblzma stream, run in pieces into a buffer of its own, and
// the meaning of liblzma's answers. Each subclass sets the stream up for its format in Start.
#pragma once

#include <lzma.h>

#include "libs/common/ScratchBuffer.h"
#include "libs/ruroza/MethodDecoder.h"

namespace ruvu::ruroza {

class LiblzmaDecoder : public MethodDecoder {
  public:
    LiblzmaDecoder() = default;
    ~LiblzmaDecoder() override { lzma_end(&stream_); }
    LiblzmaDecoder(const LiblzmaDecoder&) = delete;
    LiblzmaDecoder& operator=(const LiblzmaDecoder&) = delete;

  protected:
    // Runs the stream over input into the buffer (LZMA_FINISH once the input ends).
    Step Code(std::span<const uint8_t>& input, bool inputEnds, std::span<const uint8_t>& output);
    // The step for a result of liblzma other than LZMA_OK and LZMA_STREAM_END, with its text.
    Step Refused(lzma_ret result);

    lzma_stream stream_ = LZMA_STREAM_INIT;

  private:
    libcommon::ScratchBuffer output_;
};

}  // namespace ruvu::ruroza
