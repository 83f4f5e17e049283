// The decoder of one compression method, as EntryDecoder drives it: a step function from stored bytes
// to the bytes of the file. EntryDecoder does everything around it the same way for every method:
// reading and decrypting the stored bytes, the output limit of the declared size, the CRC, progress
// and the sink. MakeMethodDecoder (MethodDecoders.h) is the one place that maps a method to its
// decoder.
//
// A decoder object serves one entry after another: Start prepares it for the next entry, then Decode
// is called until it returns End or Failed. Its memory is bounded whatever the archive claims: at most
// kMaxWindow for a history window the data asks for, and fixed buffers besides.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>

namespace ruvu::ruroza {

// What is known of an entry before its data is decoded.
struct DecoderSetup {
    uint64_t declaredSize = 0;  // the file's size as the headers give it
    uint64_t storedSize = 0;    // the compressed bytes, without any encryption header or trailer
    uint16_t flags = 0;         // the general purpose flags (LZMA: the end marker bit)
};

class MethodDecoder {
  public:
    // The largest history window (dictionary) a decoder allocates for an entry. Data that needs more
    // is refused as Unsupported rather than taking the machine's memory.
    static constexpr uint64_t kMaxWindow = uint64_t{1} << 30;

    // More: call again. End: the data's end was decoded. Failed: the data is invalid, Error() says
    // how. Unsupported: valid data that needs what this decoder does not offer (a larger window).
    enum class Step { More, End, Failed, Unsupported };

    virtual ~MethodDecoder() = default;

    // Prepares for a new entry. More when it can start, Failed or Unsupported (with Error()) when the
    // entry cannot be decoded at all.
    virtual Step Start(const DecoderSetup& setup) = 0;

    // When true after Start, the first Decode gets the entry's whole stored data as input, with
    // inputEnds set (for decoders that are fastest in one call and chose to, e.g. a small entry).
    virtual bool WantsWholeInput() const { return false; }

    // Decodes from the front of input, advancing input past the bytes it took, and sets output to the
    // bytes it made: the decoder's own memory (or input's), valid until the next call, at most a few
    // MiB unless it asked for the whole input. inputEnds: no stored bytes follow input. A call that
    // returns More either takes input or makes output, unless input is empty; with empty input and
    // inputEnds set it must finish (End, Failed) or make output.
    virtual Step Decode(std::span<const uint8_t>& input, bool inputEnds,
                        std::span<const uint8_t>& output) = 0;

    // Why the last Start or Decode failed.
    const std::string& Error() const { return error_; }

  protected:
    Step Fail(std::string text, Step step = Step::Failed) {
        error_ = std::move(text);
        return step;
    }

  private:
    std::string error_;
};

}  // namespace ruvu::ruroza
