// The PPMd model of zip method 98 (PPM with information inheritance, variant I, revision 1) as a
// decoder: it predicts each byte from the bytes before it and decodes it from the range coder. See the
// design note in PpmdModel.cpp.
#pragma once

#include <array>
#include <cstdint>

#include "libs/ruroza/PpmdHeap.h"
#include "libs/ruroza/PpmdRangeDecoder.h"

namespace ruvu::ruroza::ppmd {

inline constexpr unsigned kMinOrder = 2;
inline constexpr unsigned kMaxOrder = 16;

// What the model does when its memory is full.
enum class Restoration : uint8_t { Restart = 0, CutOff = 1 };

class PpmdModel {
  public:
    // Results of DecodeSymbol besides a byte.
    static constexpr int kEndMark = -1;  // the encoder's end of data
    static constexpr int kInvalid = -2;  // no valid data decodes to this

    // Starts a new model: order kMinOrder to kMaxOrder, memory in bytes (a multiple of 1 MiB).
    // std::bad_alloc when the memory cannot be had.
    void Start(unsigned maxOrder, Restoration restoration, uint32_t memorySize);

    // Decodes the next byte and learns from it.
    int DecodeSymbol(PpmdRangeDecoder& coder);

  private:
    // An adaptive escape estimate (secondary escape estimation).
    struct See {
        uint16_t summ;
        uint8_t shift;
        uint8_t count;
    };

    // Records in the heap. A state (6 bytes): symbol, frequency, successor ref. A context (12
    // bytes): the number of states - 1, flags, the sum of frequencies, the ref of its states and the
    // ref of its suffix; a context of one state holds that state in place of the sum and the ref.
    uint8_t& Byte(uint32_t at) const { return base_[at]; }
    uint16_t Get16(uint32_t at) const;
    uint32_t Get32(uint32_t at) const;
    void Put16(uint32_t at, uint32_t value) const;
    void Put32(uint32_t at, uint32_t value) const;

    uint8_t& Symbol(uint32_t state) const { return base_[state]; }
    uint8_t& Freq(uint32_t state) const { return base_[state + 1]; }
    uint32_t Successor(uint32_t state) const { return Get32(state + 2); }
    void SetSuccessor(uint32_t state, uint32_t successor) const { Put32(state + 2, successor); }
    void CopyState(uint32_t to, uint32_t from) const;
    void SwapStates(uint32_t a, uint32_t b) const;

    uint8_t& NumStats(uint32_t context) const { return base_[context]; }
    uint8_t& Flags(uint32_t context) const { return base_[context + 1]; }
    uint16_t SummFreq(uint32_t context) const { return Get16(context + 2); }
    void SetSummFreq(uint32_t context, uint32_t summ) const { Put16(context + 2, summ); }
    uint32_t Stats(uint32_t context) const { return Get32(context + 4); }
    void SetStats(uint32_t context, uint32_t stats) const { Put32(context + 4, stats); }
    uint32_t Suffix(uint32_t context) const { return Get32(context + 8); }
    void SetSuffix(uint32_t context, uint32_t suffix) const { Put32(context + 8, suffix); }
    static uint32_t OneState(uint32_t context) { return context + 2; }

    void Restart();
    See* MakeEscFreq(unsigned numMasked, uint32_t& escFreq);
    uint16_t& BinaryProbability();

    void Rescale();
    void NextContext();
    void UpdateFirst();
    void UpdateLater();
    void UpdateBinary();
    void UpdateEscaped();
    void UpdateModel();
    uint32_t CreateSuccessors(bool skip, uint32_t state, uint32_t context);
    uint32_t ReduceOrder(uint32_t state, uint32_t context);
    void RestoreModel(uint32_t stop);
    void Refresh(uint32_t context, unsigned oldUnits, unsigned scale);
    uint32_t CutOff(uint32_t context, unsigned order);

    PpmdHeap heap_;
    uint8_t* base_ = nullptr;

    uint32_t minContext_ = 0;
    uint32_t maxContext_ = 0;
    uint32_t foundState_ = 0;
    unsigned orderFall_ = 0;
    unsigned initEsc_ = 0;
    unsigned prevSuccess_ = 0;
    unsigned maxOrder_ = 0;
    Restoration restoration_ = Restoration::Restart;
    uint32_t runLength_ = 0;  // a signed count kept in two's complement
    uint32_t initRunLength_ = 0;

    See dummySee_{};
    std::array<std::array<See, 32>, 24> see_{};
    std::array<std::array<uint16_t, 64>, 25> binSumm_{};
};

}  // namespace ruvu::ruroza::ppmd
