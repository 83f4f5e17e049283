#include "libs/ruroza/EntryDecoder.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <utility>

#include "zipformat/Crc32.h"
#include "zipformat/ZipConstants.h"

namespace ruvu::ruroza {

namespace {

constexpr uint64_t kProgressStep = 32 * 1024;
constexpr size_t kReadPiece = 1 << 20;
constexpr size_t kWritePiece = 1 << 20;
// Deflate cannot expand more than about 1032 to 1: a declared size beyond that is a lie, and such an
// entry is not given a buffer of that size.
constexpr uint64_t kMaxDeflateRatio = 1032;

using Status = DecodeResult::Status;

DecodeResult Failed(Status status, std::string detail, uint32_t crc = 0) {
    return DecodeResult{status, crc, std::move(detail)};
}

}  // namespace

bool ItemProgress::Add(uint64_t produced, uint64_t written) {
    unreported_ += produced;
    unwritten_ += written;
    while (unreported_ >= kProgressStep) {
        if (!client_.ItemProgress(kProgressStep, static_cast<int64_t>(unwritten_))) {
            return false;
        }
        unreported_ -= kProgressStep;
        unwritten_ = 0;
    }
    return !client_.Stopped();
}

bool ItemProgress::End() {
    if (unreported_ > 0 && !client_.ItemProgress(static_cast<int64_t>(unreported_), 0)) {
        return false;
    }
    unreported_ = 0;
    return client_.ItemEnd(static_cast<int64_t>(std::exchange(unwritten_, 0)));
}

// One entry's decoding: the source, the declared values and where the output goes.
struct EntryDecoder::Run {
    StoredData& data;
    uint64_t declaredSize;
    uint32_t expectedCrc;
    OutputSink* sink;
    ItemProgress& progress;
    uint64_t consumed = 0;  // stored bytes read so far
    uint32_t crc = 0;
    uint64_t produced = 0;

    // Reads the next piece of stored bytes (decrypted); -1 on a read error.
    int64_t Read(uint8_t* buffer, size_t room) {
        const size_t count = static_cast<size_t>(std::min<uint64_t>(room, data.size - consumed));
        if (count > 0 && !data.reader->ReadAt(data.pos + consumed, buffer, count)) {
            return -1;
        }
        if (data.keys) {
            data.keys->Decrypt(buffer, count);
        }
        consumed += count;
        return static_cast<int64_t>(count);
    }

    // Takes produced bytes: CRC, sink and progress. Stopped or WriteError when it fails.
    std::optional<DecodeResult> Emit(const uint8_t* bytes, size_t size) {
        crc = zip::Crc32(crc, bytes, size);
        produced += size;
        if (sink != nullptr && !sink->Write(bytes, size)) {
            return Failed(Status::WriteError, "write error");
        }
        if (!progress.Add(size, sink != nullptr ? size : 0)) {
            return Failed(Status::Stopped, "stopped");
        }
        return std::nullopt;
    }

    DecodeResult Finish() const {
        if (produced != declaredSize) {
            return Failed(Status::DataError,
                          "the data holds " + std::to_string(produced) + " bytes, the header says " +
                              std::to_string(declaredSize),
                          crc);
        }
        if (crc != expectedCrc) {
            return Failed(Status::CrcError, "CRC error", crc);
        }
        return DecodeResult{Status::Ok, crc, {}};
    }
};

EntryDecoder::EntryDecoder() : decompressor_(libdeflate_alloc_decompressor()) {}

EntryDecoder::~EntryDecoder() {
    if (decompressor_ != nullptr) {
        libdeflate_free_decompressor(decompressor_);
    }
}

DecodeResult EntryDecoder::Decode(StoredData& data, uint16_t method, uint64_t declaredSize,
                                  uint32_t expectedCrc, OutputSink* sink, ItemProgress& progress) {
    Run run{data, declaredSize, expectedCrc, sink, progress};
    if (method == zip::kMethodStored) {
        return Stored(run);
    }
    const bool fits = declaredSize <= kInMemoryLimit && data.size <= kInMemoryLimit &&
                      declaredSize <= data.size * kMaxDeflateRatio + 1024;
    if (fits && decompressor_ != nullptr) {
        return InflateInMemory(run);
    }
    return InflateStreaming(run);
}

DecodeResult EntryDecoder::Stored(Run& run) {
    if (run.data.size != run.declaredSize) {
        return Failed(Status::DataError, "the stored size " + std::to_string(run.data.size) +
                                             " differs from the file size " +
                                             std::to_string(run.declaredSize));
    }
    uint8_t* input = input_.Get(kReadPiece);
    while (run.consumed < run.data.size) {
        const int64_t got = run.Read(input, kReadPiece);
        if (got <= 0) {
            return Failed(Status::ReadError, "the archive could not be read");
        }
        if (auto failed = run.Emit(input, static_cast<size_t>(got))) {
            return *failed;
        }
    }
    return run.Finish();
}

DecodeResult EntryDecoder::InflateInMemory(Run& run) {
    const size_t inputSize = static_cast<size_t>(run.data.size);
    uint8_t* input = input_.Get(inputSize);
    if (run.Read(input, inputSize) != static_cast<int64_t>(inputSize)) {
        return Failed(Status::ReadError, "the archive could not be read");
    }
    // One byte more than declared tells a longer stream from an exact one.
    const size_t outputSize = static_cast<size_t>(run.declaredSize) + 1;
    uint8_t* output = output_.Get(outputSize);
    size_t produced = 0;
    const auto result = libdeflate_deflate_decompress_ex(decompressor_, input, inputSize, output, outputSize,
                                                         nullptr, &produced);
    if (result == LIBDEFLATE_INSUFFICIENT_SPACE ||
        (result == LIBDEFLATE_SUCCESS && produced > run.declaredSize)) {
        return Failed(Status::DataError,
                      "the data is longer than the declared " + std::to_string(run.declaredSize) + " bytes");
    }
    if (result != LIBDEFLATE_SUCCESS) {
        return Failed(Status::DataError, "invalid compressed data");
    }
    for (size_t at = 0; at < produced; at += kWritePiece) {
        if (auto failed = run.Emit(output + at, std::min(kWritePiece, produced - at))) {
            return *failed;
        }
    }
    return run.Finish();
}

DecodeResult EntryDecoder::InflateStreaming(Run& run) {
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) {
        return Failed(Status::DataError, "the decompressor could not start");
    }
    struct End {
        z_stream& s;
        ~End() { inflateEnd(&s); }
    } end{stream};
    std::vector<uint8_t> input(kReadPiece / 4);
    uint8_t* output = output_.Get(kWritePiece);
    int status = Z_OK;
    while (status != Z_STREAM_END) {
        if (stream.avail_in == 0) {
            const int64_t got = run.Read(input.data(), input.size());
            if (got < 0) {
                return Failed(Status::ReadError, "the archive could not be read");
            }
            if (got == 0) {
                return Failed(Status::DataError, "the compressed data ends too early");
            }
            stream.next_in = input.data();
            stream.avail_in = static_cast<uInt>(got);
        }
        stream.next_out = output;
        stream.avail_out = static_cast<uInt>(kWritePiece);
        status = inflate(&stream, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) {
            return Failed(Status::DataError, std::string("invalid compressed data") +
                                                 (stream.msg != nullptr ? ": " : "") +
                                                 (stream.msg != nullptr ? stream.msg : ""));
        }
        const size_t made = kWritePiece - stream.avail_out;
        if (run.produced + made > run.declaredSize) {
            return Failed(Status::DataError, "the data is longer than the declared " +
                                                 std::to_string(run.declaredSize) + " bytes");
        }
        if (auto failed = run.Emit(output, made)) {
            return *failed;
        }
    }
    return run.Finish();
}

}  // namespace ruvu::ruroza
