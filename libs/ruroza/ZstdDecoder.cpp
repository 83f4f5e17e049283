#include "libs/ruroza/ZstdDecoder.h"

#include <bit>
#include <new>

namespace ruvu::ruroza {

namespace {

constexpr size_t kPiece = 1 << 20;

}  // namespace

MethodDecoder::Step ZstdDecoder::Start(const DecoderSetup& setup) {
    if (context_ == nullptr) {
        context_ = ZSTD_createDCtx();
        if (context_ == nullptr) {
            throw std::bad_alloc();
        }
        ZSTD_DCtx_setParameter(context_, ZSTD_d_windowLogMax, std::countr_zero(kMaxWindow));
    }
    ZSTD_DCtx_reset(context_, ZSTD_reset_session_only);
    return Step::More;
}

MethodDecoder::Step ZstdDecoder::Decode(std::span<const uint8_t>& input, bool inputEnds,
                                        std::span<const uint8_t>& output) {
    uint8_t* buffer = output_.Get(kPiece);
    ZSTD_inBuffer in{input.data(), input.size(), 0};
    ZSTD_outBuffer out{buffer, kPiece, 0};
    const size_t result = ZSTD_decompressStream(context_, &out, &in);
    input = input.subspan(in.pos);
    output = {buffer, out.pos};
    if (ZSTD_isError(result)) {
        if (ZSTD_getErrorCode(result) == ZSTD_error_frameParameter_windowTooLarge) {
            return Fail("the data needs a window of more than the " + std::to_string(kMaxWindow >> 20) +
                            " MiB this library allows",
                        Step::Unsupported);
        }
        if (ZSTD_getErrorCode(result) == ZSTD_error_memory_allocation) {
            throw std::bad_alloc();
        }
        return Fail(std::string("invalid compressed data: ") + ZSTD_getErrorName(result));
    }
    // 0: a frame is complete and flushed. The data ends with the stored bytes, after a whole frame.
    if (result == 0 && input.empty() && inputEnds) {
        return Step::End;
    }
    return Step::More;
}

}  // namespace ruvu::ruroza
