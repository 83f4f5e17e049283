#include "libs/ruroza/Bzip2Decoder.h"

#include <new>

namespace ruvu::ruroza {

namespace {

constexpr size_t kPiece = 1 << 20;

}  // namespace

Bzip2Decoder::~Bzip2Decoder() {
    End();
}

void Bzip2Decoder::End() {
    if (started_) {
        BZ2_bzDecompressEnd(&stream_);
        started_ = false;
    }
}

MethodDecoder::Step Bzip2Decoder::Start(const DecoderSetup& setup) {
    // libbz2 has no reset: each entry gets a fresh stream.
    End();
    stream_ = bz_stream{};
    if (BZ2_bzDecompressInit(&stream_, 0, 0) != BZ_OK) {
        throw std::bad_alloc();
    }
    started_ = true;
    return Step::More;
}

MethodDecoder::Step Bzip2Decoder::Decode(std::span<const uint8_t>& input, bool inputEnds,
                                         std::span<const uint8_t>& output) {
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

}  // namespace ruvu::ruroza
