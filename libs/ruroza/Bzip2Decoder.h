// Method 12, bzip2, through libbz2. Its blocks are at most 900 kB of input each and decode on their
// own: an entry of several blocks that fits in memory is decoded a few blocks at a time on as many
// threads as the machine has (Bzip2Blocks.h), the output still in order; others go through one
// stream in pieces. Either way the memory is bounded: the input, and a few blocks' output.
#pragma once

#include <bzlib.h>

#include <deque>
#include <future>
#include <optional>
#include <vector>

#include "libs/common/ScratchBuffer.h"
#include "libs/ruroza/Bzip2Blocks.h"
#include "libs/ruroza/MethodDecoder.h"

namespace ruvu::ruroza {

class Bzip2Decoder : public MethodDecoder {
  public:
    Bzip2Decoder();
    ~Bzip2Decoder() override;
    Bzip2Decoder(const Bzip2Decoder&) = delete;
    Bzip2Decoder& operator=(const Bzip2Decoder&) = delete;

    Step Start(const DecoderSetup& setup) override;
    bool WantsWholeInput() const override { return parallel_; }
    Step Decode(std::span<const uint8_t>& input, bool inputEnds, std::span<const uint8_t>& output) override;

  private:
    using BlockOutput = std::optional<std::vector<uint8_t>>;
    struct Running {
        size_t block;  // index in layout_.blocks
        std::future<BlockOutput> output;
    };

    void EndStream();
    Step Stream(std::span<const uint8_t>& input, std::span<const uint8_t>& output);
    // The first call in parallel mode: finds the blocks, or goes back to one stream.
    Step Split(std::span<const uint8_t>& input, std::span<const uint8_t>& output);
    Step NextBlock(std::span<const uint8_t>& output);
    // Starts decoding blocks until enough run.
    void Launch();

    size_t threads_;
    uint64_t declaredSize_ = 0;

    bz_stream stream_{};
    bool streamStarted_ = false;
    libcommon::ScratchBuffer output_;

    bool parallel_ = false;
    std::span<const uint8_t> whole_;  // the entry's stored data (whole input), empty before the split
    bzip2::StreamLayout layout_;
    size_t nextBlock_ = 0;  // the first block not launched yet
    std::deque<Running> running_;
    uint32_t combinedCrc_ = 0;
    std::vector<uint8_t> current_;  // the output handed out last
};

}  // namespace ruvu::ruroza
