#include "libs/ruroza/Bzip2Decoder.h"

#include <algorithm>
#include <new>
#include <thread>

namespace ruvu::ruroza {

namespace {

constexpr size_t kPiece = 1 << 20;
// Below this an entry is likely one block: nothing to share out.
constexpr uint64_t kParallelFrom = 1 << 20;
// A block magic that occurs inside a block's data splits it; it is found by decoding the span with
// those that follow, at most this many.
constexpr size_t kMaxFalseSplits = 4;

}  // namespace

Bzip2Decoder::Bzip2Decoder() : threads_(std::max(1u, std::thread::hardware_concurrency())) {}

Bzip2Decoder::~Bzip2Decoder() {
    EndStream();
}

void Bzip2Decoder::EndStream() {
    if (streamStarted_) {
        BZ2_bzDecompressEnd(&stream_);
        streamStarted_ = false;
    }
}

MethodDecoder::Step Bzip2Decoder::Start(const DecoderSetup& setup) {
    running_.clear();
    EndStream();
    declaredSize_ = setup.declaredSize;
    parallel_ = threads_ > 1 && setup.storedSize >= kParallelFrom && setup.storedSize <= kWholeInputLimit;
    whole_ = {};
    nextBlock_ = 0;
    combinedCrc_ = 0;
    // libbz2 has no reset: each entry gets a fresh stream.
    stream_ = bz_stream{};
    if (BZ2_bzDecompressInit(&stream_, 0, 0) != BZ_OK) {
        throw std::bad_alloc();
    }
    streamStarted_ = true;
    return Step::More;
}

MethodDecoder::Step Bzip2Decoder::Decode(std::span<const uint8_t>& input, bool inputEnds,
                                         std::span<const uint8_t>& output) {
    if (!parallel_) {
        return Stream(input, output);
    }
    return whole_.empty() ? Split(input, output) : NextBlock(output);
}

MethodDecoder::Step Bzip2Decoder::Stream(std::span<const uint8_t>& input, std::span<const uint8_t>& output) {
    uint8_t* buffer = output_.Get(kPiece);
    stream_.next_in = const_cast<char*>(reinterpret_cast<const char*>(input.data()));
    stream_.avail_in = static_cast<unsigned>(input.size());
    stream_.next_out = reinterpret_cast<char*>(buffer);
    stream_.avail_out = static_cast<unsigned>(kPiece);
    const int status = BZ2_bzDecompress(&stream_);
    input = input.subspan(input.size() - stream_.avail_in);
    output = {buffer, kPiece - stream_.avail_out};
    switch (status) {
        case BZ_STREAM_END:
            return Step::End;
        case BZ_OK:
            return Step::More;
        case BZ_MEM_ERROR:
            throw std::bad_alloc();
        default:
            return Fail(status == BZ_DATA_ERROR_MAGIC ? "invalid compressed data: no bzip2 stream"
                                                      : "invalid compressed data");
    }
}

MethodDecoder::Step Bzip2Decoder::Split(std::span<const uint8_t>& input, std::span<const uint8_t>& output) {
    auto layout = bzip2::FindBlocks(input);
    if (!layout || layout->blocks.size() < 2) {
        parallel_ = false;
        return Stream(input, output);
    }
    whole_ = input;
    input = {};
    layout_ = std::move(*layout);
    return NextBlock(output);
}

void Bzip2Decoder::Launch() {
    while (running_.size() <= threads_ && nextBlock_ < layout_.blocks.size()) {
        // The block's own stream is made here, so the threads never read the caller's memory.
        auto stream = std::make_shared<std::vector<uint8_t>>(
            bzip2::BlockStream(whole_, layout_.level, layout_.blocks[nextBlock_]));
        const uint64_t limit = declaredSize_;
        running_.push_back(
            {nextBlock_++, std::async(std::launch::async | std::launch::deferred,
                                      [stream, limit] { return bzip2::DecodeStream(*stream, limit); })});
    }
}

MethodDecoder::Step Bzip2Decoder::NextBlock(std::span<const uint8_t>& output) {
    Launch();
    if (running_.empty()) {
        return combinedCrc_ == layout_.combinedCrc ? Step::End
                                                   : Fail("invalid compressed data: stream CRC error");
    }
    const size_t block = running_.front().block;
    BlockOutput decoded = running_.front().output.get();
    running_.pop_front();
    size_t last = block;
    if (!decoded) {
        // A damaged block, or one split by a magic in its data: then it decodes with what follows.
        running_.clear();
        while (!decoded && last + 1 < layout_.blocks.size() && last - block < kMaxFalseSplits) {
            ++last;
            const bzip2::BlockSpan joined{layout_.blocks[block].begin, layout_.blocks[last].end};
            decoded = bzip2::DecodeStream(bzip2::BlockStream(whole_, layout_.level, joined), declaredSize_);
        }
        if (!decoded) {
            return Fail("invalid compressed data");
        }
        nextBlock_ = last + 1;
    }
    combinedCrc_ = bzip2::CombineCrc(combinedCrc_, bzip2::BlockCrc(whole_, layout_.blocks[block].begin));
    current_ = std::move(*decoded);
    output = current_;
    return Step::More;
}

}  // namespace ruvu::ruroza
