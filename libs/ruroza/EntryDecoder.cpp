#include "libs/ruroza/EntryDecoder.h"

#include <algorithm>
#include <span>
#include <utility>

#include "libs/ruroza/MethodDecoders.h"
#include "zipformat/Crc32.h"

namespace ruvu::ruroza {

namespace {

constexpr uint64_t kProgressStep = 32 * 1024;
constexpr size_t kReadPiece = 256 * 1024;
constexpr size_t kWritePiece = 1 << 20;

using Status = DecodeResult::Status;
using Step = MethodDecoder::Step;

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
    const EntryFacts& facts;
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
        if (data.cipher != nullptr) {
            data.cipher->Decrypt(buffer, count);
        }
        consumed += count;
        return static_cast<int64_t>(count);
    }

    // Takes produced bytes: size limit, CRC, sink and progress. A DataError, WriteError or Stopped
    // result when it fails.
    std::optional<DecodeResult> Emit(std::span<const uint8_t> bytes) {
        if (bytes.size() > facts.size - produced) {
            return Failed(Status::DataError,
                          "the data is longer than the declared " + std::to_string(facts.size) + " bytes");
        }
        for (size_t at = 0; at < bytes.size(); at += kWritePiece) {
            const size_t size = std::min(kWritePiece, bytes.size() - at);
            crc = zip::Crc32(crc, bytes.data() + at, size);
            produced += size;
            if (sink != nullptr && !sink->Write(bytes.data() + at, size)) {
                return Failed(Status::WriteError, "write error");
            }
            if (!progress.Add(size, sink != nullptr ? size : 0)) {
                return Failed(Status::Stopped, "stopped");
            }
        }
        return std::nullopt;
    }

    // Reads the stored bytes the decoder left, so that an authentication code covers all of them.
    bool ReadRest(uint8_t* buffer, size_t room) {
        while (consumed < data.size) {
            if (Read(buffer, room) <= 0) {
                return false;
            }
        }
        return true;
    }

    DecodeResult Finish() const {
        if (produced != facts.size) {
            return Failed(Status::DataError,
                          "the data holds " + std::to_string(produced) + " bytes, the header says " +
                              std::to_string(facts.size),
                          crc);
        }
        if (facts.crc && crc != *facts.crc) {
            return Failed(Status::CrcError, "CRC error", crc);
        }
        return DecodeResult{Status::Ok, crc, {}};
    }
};

MethodDecoder* EntryDecoder::DecoderFor(uint16_t method) {
    auto& decoder = decoders_[method];
    if (!decoder) {
        decoder = MakeMethodDecoder(method);
    }
    return decoder.get();
}

DecodeResult EntryDecoder::Decode(StoredData& data, const EntryFacts& facts, OutputSink* sink,
                                  ItemProgress& progress) {
    MethodDecoder* decoder = DecoderFor(facts.method);
    if (decoder == nullptr) {
        return Failed(Status::Unsupported,
                      "compression method " + std::to_string(facts.method) + " is not supported");
    }
    const auto refused = [&](Step step, uint32_t crc) {
        return Failed(step == Step::Unsupported ? Status::Unsupported : Status::DataError, decoder->Error(),
                      crc);
    };
    Run run{data, facts, sink, progress};
    if (const Step step = decoder->Start({facts.size, data.size, facts.flags}); step != Step::More) {
        return refused(step, 0);
    }
    const bool whole = decoder->WantsWholeInput();
    uint8_t* buffer = input_.Get(whole ? std::max<size_t>(static_cast<size_t>(data.size), 1) : kReadPiece);
    const size_t room = whole ? static_cast<size_t>(data.size) : kReadPiece;
    std::span<const uint8_t> input;
    bool ended = false;
    for (;;) {
        if (input.empty() && !ended) {
            const int64_t got = run.Read(buffer, room);
            if (got < 0 || (whole && static_cast<uint64_t>(got) != data.size)) {
                return Failed(Status::ReadError, "the archive could not be read");
            }
            input = {buffer, static_cast<size_t>(got)};
            ended = run.consumed == data.size;
        }
        const size_t before = input.size();
        std::span<const uint8_t> output;
        const Step step = decoder->Decode(input, ended, output);
        if (auto failed = run.Emit(output)) {
            return *failed;
        }
        if (step == Step::End) {
            break;
        }
        if (step != Step::More) {
            return refused(step, run.crc);
        }
        // A decoder that neither takes nor makes anything cannot get further.
        if (output.empty() && input.size() == before && (ended || !input.empty())) {
            return Failed(Status::DataError, input.empty() ? "the compressed data ends too early"
                                                           : "the compressed data cannot be decoded");
        }
    }
    if (data.cipher != nullptr) {
        if (!run.ReadRest(buffer, std::min(room, kReadPiece))) {
            return Failed(Status::ReadError, "the archive could not be read");
        }
        if (!data.cipher->Authentic()) {
            return Failed(Status::DataError, "the authentication code does not match", run.crc);
        }
    }
    return run.Finish();
}

}  // namespace ruvu::ruroza
