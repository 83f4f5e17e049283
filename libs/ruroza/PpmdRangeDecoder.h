// The range decoder of PPMd data in zip files: a carry-less range coder (the encoder never propagates
// a carry into bytes it has written; where one could arise it narrows the range instead), 32 bits of
// low, range and code, a byte at a time.
#pragma once

#include <cstdint>

namespace ruvu::ruroza::ppmd {

class PpmdRangeDecoder {
  public:
    // The bytes to read next. Reading past end gives zero bytes and counts them (Overrun).
    void SetInput(const uint8_t* next, const uint8_t* end) {
        next_ = next;
        end_ = end;
    }
    const uint8_t* Position() const { return next_; }
    uint64_t Overrun() const { return overrun_; }

    // Reads the first four bytes. False when they cannot start valid data.
    bool Start() {
        low_ = 0;
        range_ = 0xFFFFFFFF;
        code_ = 0;
        overrun_ = 0;
        for (int i = 0; i < 4; ++i) {
            code_ = code_ << 8 | NextByte();
        }
        return code_ != 0xFFFFFFFF;
    }

    // Scales the range to a total of counts and returns the count the code lies in; false when the
    // range is too narrow for the total, which valid data never asks.
    bool Threshold(uint32_t total, uint32_t& count) {
        if (total == 0 || range_ < total) {
            return false;
        }
        range_ /= total;
        count = code_ / range_;
        return true;
    }
    // Takes the counts [start, start + size) of the scaled range.
    void Decode(uint32_t start, uint32_t size) {
        start *= range_;
        low_ += start;
        code_ -= start;
        range_ *= size;
        Normalize();
    }

    // Binary decisions with a probability of 14 bits: true when the code lies in the first
    // probability / 2^14 of the range (the range is narrowed to the side it lies in).
    bool DecodeBit0(uint32_t probability) {
        range_ >>= 14;
        const uint32_t size0 = range_ * probability;
        if (code_ < size0) {
            range_ = size0;
            Normalize();
            return true;
        }
        low_ += size0;
        code_ -= size0;
        range_ *= (uint32_t{1} << 14) - probability;
        Normalize();
        return false;
    }

  private:
    static constexpr uint32_t kTop = uint32_t{1} << 24;
    static constexpr uint32_t kBottom = uint32_t{1} << 15;

    uint32_t NextByte() {
        if (next_ != end_) {
            return *next_++;
        }
        ++overrun_;
        return 0;
    }

    void Normalize() {
        for (;;) {
            if ((low_ ^ (low_ + range_)) >= kTop) {
                if (range_ >= kBottom) {
                    return;
                }
                // Too narrow, but its top byte is not settled: cut it at the next multiple of kBottom.
                range_ = (0 - low_) & (kBottom - 1);
            }
            code_ = code_ << 8 | NextByte();
            range_ <<= 8;
            low_ <<= 8;
        }
    }

    const uint8_t* next_ = nullptr;
    const uint8_t* end_ = nullptr;
    uint64_t overrun_ = 0;
    uint32_t low_ = 0;
    uint32_t range_ = 0;
    uint32_t code_ = 0;
};

}  // namespace ruvu::ruroza::ppmd
