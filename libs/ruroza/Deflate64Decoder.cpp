// Design note. Deflate64 is deflate (stored, fixed-code and dynamic-code blocks, the same Huffman
// codes and code-length alphabet) with three changes: the window is 64 KiB instead of 32 KiB,
// distance codes 30 and 31 are used (32769 and 49153, 14 extra bits each), and length code 285 means
// a length of 3 plus 16 extra bits (up to 65538) instead of the fixed 258. zlib and libdeflate stop at
// the first two, so this file is a plain inflater of its own, kept small rather than clever:
//
// - Output: window_ holds the last 64 KiB of output followed by the output of the current call (up to
//   kOutputPiece, plus room for one longest match, so a match is always copied whole). At the start
//   of a call the last 64 KiB move to the front. A match may reach back as far as the data goes, and
//   no further.
// - Input: the bytes the framework hands over are carried in in_, and a unit (a block header, one
//   literal or match) is decoded only while at least kMargin bytes are there, or the input has ended:
//   so a unit never stops halfway and no decoding state needs to survive a call. Past the end the bit
//   reader supplies zero bits and counts them; a unit that used any means the data is cut short.
// - Huffman codes: one lookup table per code, with a 10-bit (literal/length) or 8-bit (distance)
//   primary table and subtables for longer codes; bit patterns of no code decode as errors.
#include "libs/ruroza/Deflate64Decoder.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace ruvu::ruroza {

namespace {

constexpr size_t kHistory = 64 * 1024;
constexpr size_t kMaxMatch = 3 + 65535;
constexpr size_t kOutputPiece = 1 << 20;
constexpr size_t kCopySlack = 8;  // matches are copied 8 bytes at a time
constexpr size_t kInputRoom = 64 * 1024;
constexpr size_t kKeptInput = 8;  // bytes kept before the read position, to give back from the bit buffer
constexpr size_t kMargin = 1024;  // more than the longest block header
constexpr size_t kSymbolMargin = 16;

constexpr unsigned kMaxCodeLength = 15;
constexpr unsigned kLiteralBits = 10;
constexpr unsigned kDistanceBits = 8;
constexpr unsigned kCodeLengthBits = 7;
constexpr unsigned kEndOfBlock = 256;
constexpr unsigned kLiteralCodes = 288;
constexpr unsigned kDistanceCodes = 32;

constexpr uint32_t kSubtable = 1u << 24;

constexpr std::array<uint16_t, 29> kLengthBase = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                                  15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                                  67, 83, 99, 115, 131, 163, 195, 227, 3};
constexpr std::array<uint8_t, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 16};
constexpr std::array<uint32_t, kDistanceCodes> kDistanceBase = {
    1,   2,   3,   4,   5,    7,    9,    13,   17,   25,   33,   49,    65,    97,    129,   193,
    257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 32769, 49153};
constexpr std::array<uint8_t, kDistanceCodes> kDistanceExtra = {
    0, 0, 0, 0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13, 14, 14};
constexpr std::array<uint8_t, 19> kCodeLengthOrder = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                      11, 4,  12, 3, 13, 2, 14, 1, 15};

uint32_t Reversed(uint32_t code, unsigned length) {
    uint32_t reversed = 0;
    for (unsigned i = 0; i < length; ++i) {
        reversed = reversed << 1 | (code >> i & 1);
    }
    return reversed;
}

uint32_t Leaf(unsigned symbol, unsigned length) {
    return static_cast<uint32_t>(symbol) | static_cast<uint32_t>(length) << 16;
}

}  // namespace

bool HuffmanTable::Build(const uint8_t* lengths, size_t count, unsigned primaryBits) {
    std::array<unsigned, kMaxCodeLength + 1> perLength{};
    for (size_t s = 0; s < count; ++s) {
        ++perLength[lengths[s]];
    }
    perLength[0] = 0;
    int left = 1;
    for (unsigned length = 1; length <= kMaxCodeLength; ++length) {
        left = (left << 1) - static_cast<int>(perLength[length]);
        if (left < 0) {
            return false;
        }
    }
    std::array<uint32_t, kMaxCodeLength + 1> next{};
    for (unsigned length = 1; length <= kMaxCodeLength; ++length) {
        next[length] = (next[length - 1] + perLength[length - 1]) << 1;
    }
    // Canonical codes, in bit-reading order.
    std::array<uint32_t, kLiteralCodes> codes{};
    for (size_t s = 0; s < count; ++s) {
        if (lengths[s] != 0) {
            codes[s] = Reversed(next[lengths[s]]++, lengths[s]);
        }
    }
    primaryBits_ = primaryBits;
    const uint32_t primarySize = 1u << primaryBits;
    const uint32_t primaryMask = primarySize - 1;
    entries_.assign(primarySize, 0);
    // A subtable for each primary pattern that starts longer codes, as deep as its longest code.
    std::array<uint8_t, 1u << kLiteralBits> deepest{};
    for (size_t s = 0; s < count; ++s) {
        if (lengths[s] > primaryBits) {
            uint8_t& depth = deepest[codes[s] & primaryMask];
            depth = std::max<uint8_t>(depth, static_cast<uint8_t>(lengths[s] - primaryBits));
        }
    }
    for (uint32_t prefix = 0; prefix < primarySize; ++prefix) {
        if (deepest[prefix] != 0) {
            entries_[prefix] =
                kSubtable | static_cast<uint32_t>(entries_.size()) | uint32_t{deepest[prefix]} << 16;
            entries_.resize(entries_.size() + (size_t{1} << deepest[prefix]), 0);
        }
    }
    for (size_t s = 0; s < count; ++s) {
        const unsigned length = lengths[s];
        if (length == 0) {
            continue;
        }
        if (length <= primaryBits) {
            for (uint32_t i = codes[s]; i < primarySize; i += 1u << length) {
                entries_[i] = Leaf(static_cast<unsigned>(s), length);
            }
            continue;
        }
        const uint32_t subtable = entries_[codes[s] & primaryMask];
        const uint32_t size = 1u << Length(subtable);
        for (uint32_t i = codes[s] >> primaryBits; i < size; i += 1u << (length - primaryBits)) {
            entries_[Symbol(subtable) + i] = Leaf(static_cast<unsigned>(s), length);
        }
    }
    return true;
}

uint32_t HuffmanTable::Lookup(uint64_t bits) const {
    const uint32_t entry = entries_[bits & ((1u << primaryBits_) - 1)];
    if ((entry & kSubtable) == 0) {
        return entry;
    }
    return entries_[Symbol(entry) + ((bits >> primaryBits_) & ((1u << Length(entry)) - 1))];
}

Deflate64Decoder::Deflate64Decoder()
    : window_(kHistory + kOutputPiece + kMaxMatch + kCopySlack), in_(kInputRoom) {}

MethodDecoder::Step Deflate64Decoder::Start(const DecoderSetup&) {
    pos_ = 0;
    inPos_ = inEnd_ = 0;
    lastInput_ = false;
    bits_ = 0;
    bitCount_ = padding_ = 0;
    state_ = State::BlockHeader;
    lastBlock_ = false;
    return Step::More;
}

MethodDecoder::Step Deflate64Decoder::Decode(std::span<const uint8_t>& input, bool inputEnds,
                                             std::span<const uint8_t>& output) {
    if (pos_ > kHistory) {
        std::memmove(window_.data(), window_.data() + pos_ - kHistory, kHistory);
        pos_ = kHistory;
    }
    const size_t start = pos_;
    TakeInput(input, inputEnds);
    const Step step = Run(input, inputEnds, start + kOutputPiece);
    output = {window_.data() + start, pos_ - start};
    return step;
}

void Deflate64Decoder::TakeInput(std::span<const uint8_t>& input, bool inputEnds) {
    const size_t keep = std::min(inPos_, kKeptInput);
    std::memmove(in_.data(), in_.data() + inPos_ - keep, inEnd_ - inPos_ + keep);
    inEnd_ -= inPos_ - keep;
    inPos_ = keep;
    const size_t take = std::min(input.size(), in_.size() - inEnd_);
    std::memcpy(in_.data() + inEnd_, input.data(), take);
    inEnd_ += take;
    input = input.subspan(take);
    lastInput_ = inputEnds && input.empty();
}

MethodDecoder::Step Deflate64Decoder::Run(std::span<const uint8_t>& input, bool inputEnds, size_t limit) {
    while (state_ != State::Done) {
        if (!lastInput_ && inEnd_ - inPos_ < kMargin) {
            TakeInput(input, inputEnds);
            if (!lastInput_ && inEnd_ - inPos_ < kMargin) {
                return Step::More;
            }
        }
        if (pos_ >= limit) {
            return Step::More;
        }
        Step step = Step::More;
        switch (state_) {
            case State::BlockHeader:
                step = BlockHeader();
                break;
            case State::StoredBlock:
                step = CopyStored(limit);
                break;
            case State::CodedBlock:
                step = DecodeCoded(limit);
                break;
            case State::Done:
                break;
        }
        if (step != Step::More) {
            return step;
        }
        if (padding_ > bitCount_) {
            return Fail("the compressed data ends too early");
        }
    }
    return Step::End;
}

void Deflate64Decoder::Need(unsigned count) {
    while (bitCount_ < count) {
        if (inPos_ < inEnd_) {
            bits_ |= uint64_t{in_[inPos_++]} << bitCount_;
        } else {
            padding_ += 8;
        }
        bitCount_ += 8;
    }
}

uint32_t Deflate64Decoder::Bits(unsigned count) {
    Need(count);
    const auto value = static_cast<uint32_t>(bits_ & ((uint64_t{1} << count) - 1));
    bits_ >>= count;
    bitCount_ -= count;
    return value;
}

MethodDecoder::Step Deflate64Decoder::Symbol(const HuffmanTable& table, unsigned& symbol) {
    Need(kMaxCodeLength);
    const uint32_t entry = table.Lookup(bits_);
    const unsigned length = HuffmanTable::Length(entry);
    if (length == 0) {
        return Fail("invalid compressed data: a bit pattern of no code");
    }
    bits_ >>= length;
    bitCount_ -= length;
    symbol = HuffmanTable::Symbol(entry);
    return Step::More;
}

MethodDecoder::Step Deflate64Decoder::BlockHeader() {
    lastBlock_ = Bits(1) != 0;
    switch (Bits(2)) {
        case 0: {
            Bits(bitCount_ % 8);
            const uint32_t length = Bits(16);
            if ((Bits(16) ^ 0xFFFF) != length) {
                return Fail("invalid compressed data: a stored block's length is damaged");
            }
            if (padding_ > bitCount_) {
                return Fail("the compressed data ends too early");
            }
            // The stored bytes are read straight from the input: the whole bytes still in the bit
            // buffer go back to it.
            const size_t back = (bitCount_ - std::min(bitCount_, padding_)) / 8;
            inPos_ -= back;
            bits_ = 0;
            bitCount_ = padding_ = 0;
            storedLeft_ = length;
            state_ = State::StoredBlock;
            return Step::More;
        }
        case 1: {
            std::array<uint8_t, kLiteralCodes + kDistanceCodes> lengths{};
            std::fill_n(lengths.begin(), 144, 8);
            std::fill_n(lengths.begin() + 144, 112, 9);
            std::fill_n(lengths.begin() + 256, 24, 7);
            std::fill_n(lengths.begin() + 280, 8, 8);
            std::fill_n(lengths.begin() + kLiteralCodes, kDistanceCodes, 5);
            literals_.Build(lengths.data(), kLiteralCodes, kLiteralBits);
            distances_.Build(lengths.data() + kLiteralCodes, kDistanceCodes, kDistanceBits);
            state_ = State::CodedBlock;
            return Step::More;
        }
        case 2:
            return ReadCodeLengths();
        default:
            return Fail("invalid compressed data: a block of unknown type");
    }
}

MethodDecoder::Step Deflate64Decoder::ReadCodeLengths() {
    const unsigned literalCount = Bits(5) + 257;
    const unsigned distanceCount = Bits(5) + 1;
    const unsigned lengthCodeCount = Bits(4) + 4;
    std::array<uint8_t, 19> codeLengthLengths{};
    for (unsigned i = 0; i < lengthCodeCount; ++i) {
        codeLengthLengths[kCodeLengthOrder[i]] = static_cast<uint8_t>(Bits(3));
    }
    HuffmanTable codeLengths;
    if (!codeLengths.Build(codeLengthLengths.data(), codeLengthLengths.size(), kCodeLengthBits)) {
        return Fail("invalid compressed data: the code length code is damaged");
    }
    std::array<uint8_t, kLiteralCodes + kDistanceCodes> lengths{};
    const unsigned total = literalCount + distanceCount;
    for (unsigned at = 0; at < total;) {
        unsigned symbol = 0;
        if (const Step step = Symbol(codeLengths, symbol); step != Step::More) {
            return step;
        }
        if (symbol < 16) {
            lengths[at++] = static_cast<uint8_t>(symbol);
            continue;
        }
        if (symbol == 16 && at == 0) {
            return Fail("invalid compressed data: a repeat with nothing to repeat");
        }
        const uint8_t value = symbol == 16 ? lengths[at - 1] : 0;
        const unsigned repeat = symbol == 16 ? 3 + Bits(2) : symbol == 17 ? 3 + Bits(3) : 11 + Bits(7);
        if (repeat > total - at) {
            return Fail("invalid compressed data: code lengths run past their count");
        }
        std::fill_n(lengths.begin() + at, repeat, value);
        at += repeat;
    }
    if (lengths[kEndOfBlock] == 0) {
        return Fail("invalid compressed data: no end-of-block code");
    }
    if (!literals_.Build(lengths.data(), literalCount, kLiteralBits) ||
        !distances_.Build(lengths.data() + literalCount, distanceCount, kDistanceBits)) {
        return Fail("invalid compressed data: a Huffman code is over-subscribed");
    }
    state_ = State::CodedBlock;
    return Step::More;
}

MethodDecoder::Step Deflate64Decoder::CopyStored(size_t limit) {
    const size_t count = std::min({size_t{storedLeft_}, inEnd_ - inPos_, limit - pos_});
    if (count == 0 && storedLeft_ > 0) {
        return lastInput_ ? Fail("the compressed data ends too early") : Step::More;
    }
    std::memcpy(window_.data() + pos_, in_.data() + inPos_, count);
    pos_ += count;
    inPos_ += count;
    storedLeft_ -= static_cast<uint32_t>(count);
    if (storedLeft_ == 0) {
        state_ = lastBlock_ ? State::Done : State::BlockHeader;
    }
    return Step::More;
}

MethodDecoder::Step Deflate64Decoder::DecodeCoded(size_t limit) {
    while (pos_ < limit && (lastInput_ || inEnd_ - inPos_ >= kSymbolMargin)) {
        unsigned symbol = 0;
        if (const Step step = Symbol(literals_, symbol); step != Step::More) {
            return step;
        }
        if (symbol < kEndOfBlock) {
            window_[pos_++] = static_cast<uint8_t>(symbol);
            continue;
        }
        if (symbol == kEndOfBlock) {
            state_ = lastBlock_ ? State::Done : State::BlockHeader;
            return Step::More;
        }
        const unsigned lengthCode = symbol - kEndOfBlock - 1;
        if (lengthCode >= kLengthBase.size()) {
            return Fail("invalid compressed data: length code " + std::to_string(symbol));
        }
        const size_t length = kLengthBase[lengthCode] + Bits(kLengthExtra[lengthCode]);
        unsigned distanceCode = 0;
        if (const Step step = Symbol(distances_, distanceCode); step != Step::More) {
            return step;
        }
        const size_t distance = kDistanceBase[distanceCode] + Bits(kDistanceExtra[distanceCode]);
        if (distance > pos_) {
            return Fail("invalid compressed data: a match reaches back before the start of the data");
        }
        uint8_t* to = window_.data() + pos_;
        const uint8_t* from = to - distance;
        if (distance >= kCopySlack) {
            for (size_t done = 0; done < length; done += kCopySlack) {
                std::memcpy(to + done, from + done, kCopySlack);
            }
        } else {
            for (size_t i = 0; i < length; ++i) {
                to[i] = from[i];
            }
        }
        pos_ += length;
        if (padding_ > bitCount_) {
            return Fail("the compressed data ends too early");
        }
    }
    return Step::More;
}

}  // namespace ruvu::ruroza
