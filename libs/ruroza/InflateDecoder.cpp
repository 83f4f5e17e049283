#include "libs/ruroza/InflateDecoder.h"

#include <libdeflate.h>

#include <new>

namespace ruvu::ruroza {

namespace {

constexpr size_t kPiece = 1 << 20;
// Deflate cannot expand more than about 1032 to 1: a declared size beyond that is a lie, and such an
// entry is not given a buffer of that size.
constexpr uint64_t kMaxDeflateRatio = 1032;

}  // namespace

InflateDecoder::InflateDecoder() : decompressor_(libdeflate_alloc_decompressor()) {}

InflateDecoder::~InflateDecoder() {
    if (decompressor_ != nullptr) {
        libdeflate_free_decompressor(decompressor_);
    }
    if (streamReady_) {
        inflateEnd(&stream_);
    }
}

MethodDecoder::Step InflateDecoder::Start(const DecoderSetup& setup) {
    declaredSize_ = setup.declaredSize;
    whole_ = decompressor_ != nullptr && setup.declaredSize <= kInMemoryLimit &&
             setup.storedSize <= kInMemoryLimit &&
             setup.declaredSize <= setup.storedSize * kMaxDeflateRatio + 1024;
    if (whole_) {
        return Step::More;
    }
    if (!streamReady_) {
        if (inflateInit2(&stream_, -MAX_WBITS) != Z_OK) {
            throw std::bad_alloc();
        }
        streamReady_ = true;
    } else if (inflateReset(&stream_) != Z_OK) {
        return Fail("the decompressor could not start");
    }
    return Step::More;
}

MethodDecoder::Step InflateDecoder::Decode(std::span<const uint8_t>& input, bool inputEnds,
                                           std::span<const uint8_t>& output) {
    return whole_ ? InflateWhole(input, output) : InflatePiece(input, output);
}

MethodDecoder::Step InflateDecoder::InflateWhole(std::span<const uint8_t>& input,
                                                 std::span<const uint8_t>& output) {
    const size_t room = static_cast<size_t>(declaredSize_) + 1;
    uint8_t* buffer = output_.Get(room);
    size_t produced = 0;
    const auto result = libdeflate_deflate_decompress_ex(decompressor_, input.data(), input.size(), buffer,
                                                         room, nullptr, &produced);
    input = {};
    if (result == LIBDEFLATE_INSUFFICIENT_SPACE ||
        (result == LIBDEFLATE_SUCCESS && produced > declaredSize_)) {
        return Fail("the data is longer than the declared " + std::to_string(declaredSize_) + " bytes");
    }
    if (result != LIBDEFLATE_SUCCESS) {
        return Fail("invalid compressed data");
    }
    output = {buffer, produced};
    return Step::End;
}

MethodDecoder::Step InflateDecoder::InflatePiece(std::span<const uint8_t>& input,
                                                 std::span<const uint8_t>& output) {
    uint8_t* buffer = output_.Get(kPiece);
    stream_.next_in = const_cast<Bytef*>(input.data());
    stream_.avail_in = static_cast<uInt>(input.size());
    stream_.next_out = buffer;
    stream_.avail_out = static_cast<uInt>(kPiece);
    const int status = inflate(&stream_, Z_NO_FLUSH);
    input = input.subspan(input.size() - stream_.avail_in);
    output = {buffer, kPiece - stream_.avail_out};
    if (status == Z_STREAM_END) {
        return Step::End;
    }
    if (status != Z_OK && status != Z_BUF_ERROR) {
        return Fail(std::string("invalid compressed data") + (stream_.msg != nullptr ? ": " : "") +
                    (stream_.msg != nullptr ? stream_.msg : ""));
    }
    return Step::More;
}

}  // namespace ruvu::ruroza
