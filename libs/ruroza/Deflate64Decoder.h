// Method 9, Deflate64: deflate with a 64 KiB window. No library of the system decodes it, so this is
// a small inflater of its own; see the design note in Deflate64Decoder.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "libs/ruroza/MethodDecoder.h"

namespace ruvu::ruroza {

// A canonical Huffman code as a lookup table: a primary table indexed by the next few bits, with
// subtables for the longer codes.
class HuffmanTable {
  public:
    // Builds the code from the code lengths of each symbol (0: unused). False when the lengths
    // over-subscribe the code space; an incomplete code is accepted, its unused bit patterns decode
    // as invalid.
    bool Build(const uint8_t* lengths, size_t count, unsigned primaryBits);
    // The entry for the next bits (read least significant bit first; at least 15 of them valid):
    // Symbol() and Length() in bits, Length() 0 for a bit pattern of no code.
    uint32_t Lookup(uint64_t bits) const;

    static unsigned Symbol(uint32_t entry) { return entry & 0xFFFF; }
    static unsigned Length(uint32_t entry) { return (entry >> 16) & 0xFF; }

  private:
    std::vector<uint32_t> entries_;
    unsigned primaryBits_ = 0;
};

class Deflate64Decoder : public MethodDecoder {
  public:
    Deflate64Decoder();

    Step Start(const DecoderSetup& setup) override;
    Step Decode(std::span<const uint8_t>& input, bool inputEnds, std::span<const uint8_t>& output) override;

  private:
    enum class State { BlockHeader, StoredBlock, CodedBlock, Done };

    // Moves what is left of the carried input to the front and appends from input.
    void TakeInput(std::span<const uint8_t>& input, bool inputEnds);
    // Decodes until the output piece is full, more input is needed, or the data ends.
    Step Run(std::span<const uint8_t>& input, bool inputEnds, size_t limit);

    // Makes sure the bit buffer holds at least count bits, adding zero bits past the end of the data
    // (counted, so that using them is found out).
    void Need(unsigned count);
    uint32_t Bits(unsigned count);
    Step Symbol(const HuffmanTable& table, unsigned& symbol);

    Step BlockHeader();
    Step ReadCodeLengths();
    Step CopyStored(size_t limit);
    Step DecodeCoded(size_t limit);

    std::vector<uint8_t> window_;  // the last 64 KiB of output, then this call's output
    size_t pos_ = 0;               // end of the output in window_

    std::vector<uint8_t> in_;  // input carried between calls
    size_t inPos_ = 0;
    size_t inEnd_ = 0;
    bool lastInput_ = false;  // in_ holds the last of the stored bytes

    uint64_t bits_ = 0;
    unsigned bitCount_ = 0;
    unsigned padding_ = 0;  // zero bits added to bits_ past the end of the data

    State state_ = State::BlockHeader;
    bool lastBlock_ = false;
    uint32_t storedLeft_ = 0;
    HuffmanTable literals_;
    HuffmanTable distances_;
};

}  // namespace ruvu::ruroza
