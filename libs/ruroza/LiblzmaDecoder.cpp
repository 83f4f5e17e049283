#include "libs/ruroza/LiblzmaDecoder.h"

#include <new>

namespace ruvu::ruroza {

namespace {

constexpr size_t kPiece = 1 << 20;

}  // namespace

MethodDecoder::Step LiblzmaDecoder::Code(std::span<const uint8_t>& input, bool inputEnds,
                                         std::span<const uint8_t>& output) {
    uint8_t* buffer = output_.Get(kPiece);
    stream_.next_in = input.data();
    stream_.avail_in = input.size();
    stream_.next_out = buffer;
    stream_.avail_out = kPiece;
    const lzma_ret result = lzma_code(&stream_, inputEnds ? LZMA_FINISH : LZMA_RUN);
    input = input.subspan(input.size() - stream_.avail_in);
    output = {buffer, kPiece - stream_.avail_out};
    switch (result) {
        case LZMA_STREAM_END:
            return Step::End;
        case LZMA_OK:
        case LZMA_BUF_ERROR:  // no progress: more input is needed, or it ended too early
            return Step::More;
        default:
            return Refused(result);
    }
}

MethodDecoder::Step LiblzmaDecoder::Refused(lzma_ret result) {
    switch (result) {
        case LZMA_MEM_ERROR:
            throw std::bad_alloc();
        case LZMA_MEMLIMIT_ERROR:
            return Fail("the data needs more than the " + std::to_string(kMaxWindow >> 20) +
                            " MiB of memory this library gives a decoder",
                        Step::Unsupported);
        case LZMA_OPTIONS_ERROR:
            return Fail("the data uses options this library does not know", Step::Unsupported);
        case LZMA_FORMAT_ERROR:
            return Fail("invalid compressed data: the format is not recognised");
        default:
            return Fail("invalid compressed data");
    }
}

}  // namespace ruvu::ruroza
