#include "libs/ruroza/XzDecoder.h"

namespace ruvu::ruroza {

namespace {

// Room for the largest window besides what liblzma needs around it.
constexpr uint64_t kMemoryLimit = MethodDecoder::kMaxWindow + (64ull << 20);

}  // namespace

MethodDecoder::Step XzDecoder::Start(const DecoderSetup& setup) {
    const lzma_ret result = lzma_stream_decoder(&stream_, kMemoryLimit, 0);
    return result == LZMA_OK ? Step::More : Refused(result);
}

}  // namespace ruvu::ruroza
