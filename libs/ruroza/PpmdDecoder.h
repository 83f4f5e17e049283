// Method 98, PPMd variant I revision 1: a 2-byte properties word (the model order - 1 in bits 0-3,
// its memory in MiB - 1 in bits 4-11, what to do when the memory is full in bits 12-15), then
// range-coded data. No system library decodes it; the model is our own
// (PpmdModel.h). The model takes the memory the properties name, at most 256 MiB, whatever the size
// of the entry, since how the model fills its memory is part of the format.
#pragma once

#include <cstdint>
#include <vector>

#include "libs/common/ScratchBuffer.h"
#include "libs/ruroza/MethodDecoder.h"
#include "libs/ruroza/PpmdModel.h"
#include "libs/ruroza/PpmdRangeDecoder.h"

namespace ruvu::ruroza {

class PpmdDecoder : public MethodDecoder {
  public:
    Step Start(const DecoderSetup& setup) override;
    Step Decode(std::span<const uint8_t>& input, bool inputEnds, std::span<const uint8_t>& output) override;

  private:
    // Moves what is left of the carried input to the front and appends from input.
    void TakeInput(std::span<const uint8_t>& input, bool inputEnds);
    // Reads the properties and the coder's first bytes once they are in; More when decoding can begin.
    Step StartModel();

    uint64_t left_ = 0;  // bytes of the file still to decode
    bool started_ = false;

    std::vector<uint8_t> in_;  // stored bytes carried between calls
    size_t inPos_ = 0;
    size_t inEnd_ = 0;
    bool lastInput_ = false;  // in_ holds the last of the stored bytes

    ppmd::PpmdModel model_;
    ppmd::PpmdRangeDecoder coder_;
    libcommon::ScratchBuffer output_;
};

}  // namespace ruvu::ruroza
