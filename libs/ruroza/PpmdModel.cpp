// Design note. PPMd predicts each byte from the bytes before it with a tree of contexts, and the range
// coder spends on the byte what its predicted probability says. A decoder must rebuild the encoder's
// model exactly, step for step, so every rule below (including the integer rounding and the order in
// which states are kept) is part of the data format, not a tuning choice.
//
// - Contexts. A context stands for the last n bytes (its order, 0 to the maximum order) and holds a
//   state for each byte seen after them: symbol, frequency and successor. Its suffix is the context
//   one byte shorter; the order-0 root has no suffix and holds all 256 symbols. A suffix holds every
//   symbol of the contexts above it. NumStats is the number of states - 1; a context of one state (a
//   binary context) keeps the state in place of its frequency sum and states ref.
// - Successors. A state's successor is the context one order higher that its symbol leads to, or, when
//   that context has not been built yet, a ref into the text area where the bytes after it were seen
//   (the context is built from them when it is next needed), or 0. Refs below heap.unitsStart are text,
//   refs above it are contexts: that comparison is how the two are told apart.
// - Coding. In a context of several states the first state is tried first, and the states are kept in
//   an order close to falling frequency. SummFreq is at least the sum of the frequencies; the rest is
//   the escape count. A binary context codes its one state or an escape with an adaptive 14-bit
//   probability (binSumm_) chosen by the state's frequency, the suffix's size, the run of successes,
//   and the context's flags. After an escape the symbols already refused are masked out, and the
//   escape count of the next context comes from an adaptive estimate (see_) instead of SummFreq.
// - Updating. A found symbol gains frequency; a context whose top frequency passes kMaxFreq halves them
//   all (Rescale), dropping states that reach 0. The symbol is added to every context it escaped
//   from, and new contexts are built up to the maximum order (UpdateModel, CreateSuccessors).
// - Flags: 0x10, the byte that led to the context is 0x40 or above; 0x08, one of its symbols is; 0x04,
//   it has been rescaled.
// - Memory (PpmdHeap). Contexts and state arrays live in 12-byte units, a state array of n states in
//   (n + 1) / 2 units. When no unit is left the model either starts afresh (Restoration::Restart) or
//   prunes its tree (CutOff): every state whose successor is not a built context goes, and binary
//   contexts above order 9 that lead nowhere go, until at most three quarters of the memory is in use.
#include "libs/ruroza/PpmdModel.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace ruvu::ruroza::ppmd {

namespace {

constexpr unsigned kMaxFreq = 124;
constexpr unsigned kIntBits = 7;
constexpr unsigned kPeriodBits = 7;
constexpr unsigned kBinScale = 1 << (kIntBits + kPeriodBits);
constexpr uint32_t kStateSize = 6;
constexpr unsigned kHighSymbol = 0x40;

constexpr std::array<uint8_t, 16> kExpEscape = {25, 14, 9, 7, 5, 5, 4, 4, 4, 3, 3, 3, 2, 2, 2, 2};
constexpr std::array<uint16_t, 8> kInitBinEsc = {0x3CDD, 0x1F3F, 0x59BF, 0x48F3,
                                                 0x64A1, 0x5ABC, 0x6632, 0x6051};

// Buckets of the number of states (and of binary frequencies): 0-4 each their own, then buckets one
// wider each time.
struct Buckets {
    std::array<uint8_t, 260> ofCount{};
    std::array<uint8_t, 256> ofSuffixStats{};  // the binary probability column of a suffix's NumStats

    constexpr Buckets() {
        unsigned i = 0;
        for (; i < 5; ++i) {
            ofCount[i] = static_cast<uint8_t>(i);
        }
        for (unsigned m = i, left = 1; i < ofCount.size(); ++i) {
            ofCount[i] = static_cast<uint8_t>(m);
            if (--left == 0) {
                left = ++m - 4;
            }
        }
        ofSuffixStats[0] = 0;
        ofSuffixStats[1] = 2;
        for (i = 2; i < 11; ++i) {
            ofSuffixStats[i] = 4;
        }
        for (; i < ofSuffixStats.size(); ++i) {
            ofSuffixStats[i] = 6;
        }
    }
};
constexpr Buckets kBuckets{};

constexpr unsigned GetMean(unsigned probability) {
    return (probability + (1 << (kPeriodBits - 2))) >> kPeriodBits;
}

constexpr uint8_t HighFlag(unsigned symbol, uint8_t flag) {
    return symbol >= kHighSymbol ? flag : 0;
}

// A state copied out of the heap, for moves that overwrite its place.
struct StateCopy {
    uint8_t bytes[kStateSize];
    uint8_t Symbol() const { return bytes[0]; }
    uint8_t& Freq() { return bytes[1]; }
};

}  // namespace

uint16_t PpmdModel::Get16(uint32_t at) const {
    uint16_t value;
    std::memcpy(&value, base_ + at, 2);
    return value;
}

uint32_t PpmdModel::Get32(uint32_t at) const {
    uint32_t value;
    std::memcpy(&value, base_ + at, 4);
    return value;
}

void PpmdModel::Put16(uint32_t at, uint32_t value) const {
    const auto narrow = static_cast<uint16_t>(value);
    std::memcpy(base_ + at, &narrow, 2);
}

void PpmdModel::Put32(uint32_t at, uint32_t value) const {
    std::memcpy(base_ + at, &value, 4);
}

void PpmdModel::CopyState(uint32_t to, uint32_t from) const {
    std::memmove(base_ + to, base_ + from, kStateSize);
}

void PpmdModel::SwapStates(uint32_t a, uint32_t b) const {
    uint8_t held[kStateSize];
    std::memcpy(held, base_ + a, kStateSize);
    std::memmove(base_ + a, base_ + b, kStateSize);  // a may be b
    std::memcpy(base_ + b, held, kStateSize);
}

void PpmdModel::Start(unsigned maxOrder, Restoration restoration, uint32_t memorySize) {
    heap_.Allocate(memorySize);
    base_ = heap_.Base();
    maxOrder_ = maxOrder;
    restoration_ = restoration;
    initEsc_ = 0;
    Restart();
    dummySee_ = See{0, kPeriodBits, 64};
}

void PpmdModel::Restart() {
    heap_.Reset();
    orderFall_ = maxOrder_;
    runLength_ = initRunLength_ = 0 - (std::min(maxOrder_, 12u) + 1);
    prevSuccess_ = 0;

    const uint32_t root = heap_.AllocContext();
    minContext_ = maxContext_ = root;
    SetSuffix(root, 0);
    NumStats(root) = 255;
    Flags(root) = 0;
    SetSummFreq(root, 256 + 1);
    const uint32_t stats = heap_.AllocUnits(kIndexes - 1);
    foundState_ = stats;
    SetStats(root, stats);
    for (unsigned i = 0; i < 256; ++i) {
        const uint32_t s = stats + i * kStateSize;
        Symbol(s) = static_cast<uint8_t>(i);
        Freq(s) = 1;
        SetSuccessor(s, 0);
    }

    // Each row of probabilities covers a bucket of frequencies and starts from its highest one; each
    // row of escape estimates, a bucket of context sizes and its highest one.
    for (unsigned row = 0, i = 0; row < binSumm_.size(); ++row) {
        while (kBuckets.ofCount[i] == row) {
            ++i;
        }
        for (unsigned k = 0; k < 8; ++k) {
            const auto value = static_cast<uint16_t>(kBinScale - kInitBinEsc[k] / (i + 1));
            for (unsigned column = k; column < 64; column += 8) {
                binSumm_[row][column] = value;
            }
        }
    }
    for (unsigned row = 0, i = 0; row < see_.size(); ++row) {
        while (kBuckets.ofCount[i + 3] == row + 3) {
            ++i;
        }
        for (See& see : see_[row]) {
            see.shift = kPeriodBits - 4;
            see.summ = static_cast<uint16_t>((2 * i + 5) << see.shift);
            see.count = 7;
        }
    }
}

inline uint16_t& PpmdModel::BinaryProbability() {
    const uint32_t state = OneState(minContext_);
    return binSumm_[kBuckets.ofCount[Freq(state) - 1]][kBuckets.ofSuffixStats[NumStats(Suffix(minContext_))] +
                                                       prevSuccess_ + Flags(minContext_) +
                                                       ((runLength_ >> 26) & 0x20)];
}

PpmdModel::See* PpmdModel::MakeEscFreq(unsigned numMasked, uint32_t& escFreq) {
    const uint32_t mc = minContext_;
    const unsigned numStats = NumStats(mc);
    if (numStats == 0xFF) {
        escFreq = 1;
        return &dummySee_;
    }
    See* see =
        &see_[kBuckets.ofCount[numStats + 2] - 3]
             [(SummFreq(mc) > 11 * (numStats + 1)) +
              2 * (2 * numStats < static_cast<unsigned>(NumStats(Suffix(mc))) + numMasked) + Flags(mc)];
    const unsigned mean = see->summ >> see->shift;
    see->summ = static_cast<uint16_t>(see->summ - mean);
    escFreq = mean + (mean == 0);
    return see;
}

int PpmdModel::DecodeSymbol(PpmdRangeDecoder& coder) {
    // 0xFF: the symbol may still come; 0: it was refused by a context already.
    uint8_t mask[256];
    uint32_t mc = minContext_;
    if (NumStats(mc) != 0) {
        uint32_t s = Stats(mc);
        const uint32_t summFreq = SummFreq(mc);
        uint32_t count;
        if (!coder.Threshold(summFreq, count)) {
            return kInvalid;
        }
        uint32_t hiCnt = Freq(s);
        if (count < hiCnt) {
            coder.Decode(0, hiCnt);
            foundState_ = s;
            const uint8_t symbol = Symbol(s);
            UpdateFirst();
            return symbol;
        }
        prevSuccess_ = 0;
        for (unsigned i = NumStats(mc); i > 0; --i) {
            s += kStateSize;
            hiCnt += Freq(s);
            if (hiCnt > count) {
                coder.Decode(hiCnt - Freq(s), Freq(s));
                foundState_ = s;
                const uint8_t symbol = Symbol(s);
                UpdateLater();
                return symbol;
            }
        }
        if (count >= summFreq) {
            return kInvalid;
        }
        coder.Decode(hiCnt, summFreq - hiCnt);
        std::memset(mask, 0xFF, sizeof(mask));
        for (uint32_t t = Stats(mc); t <= s; t += kStateSize) {
            mask[Symbol(t)] = 0;
        }
    } else {
        uint16_t& probability = BinaryProbability();
        const uint32_t state = OneState(mc);
        if (coder.DecodeBit0(probability)) {
            probability = static_cast<uint16_t>(probability + (1 << kIntBits) - GetMean(probability));
            foundState_ = state;
            const uint8_t symbol = Symbol(state);
            UpdateBinary();
            return symbol;
        }
        probability = static_cast<uint16_t>(probability - GetMean(probability));
        initEsc_ = kExpEscape[probability >> 10];
        std::memset(mask, 0xFF, sizeof(mask));
        mask[Symbol(state)] = 0;
        prevSuccess_ = 0;
    }
    for (;;) {
        const unsigned numMasked = NumStats(mc);
        do {
            ++orderFall_;
            mc = Suffix(mc);
            if (mc == 0) {
                return kEndMark;
            }
        } while (NumStats(mc) == numMasked);
        minContext_ = mc;
        const uint32_t stats = Stats(mc);
        const uint32_t end = stats + (NumStats(mc) + 1) * kStateSize;
        uint32_t hiCnt = 0;
        for (uint32_t s = stats; s != end; s += kStateSize) {
            hiCnt += Freq(s) & mask[Symbol(s)];
        }
        uint32_t escFreq;
        See* see = MakeEscFreq(numMasked, escFreq);
        const uint32_t freqSum = escFreq + hiCnt;
        uint32_t count;
        if (!coder.Threshold(freqSum, count)) {
            return kInvalid;
        }
        if (count < hiCnt) {
            uint32_t s = stats;
            uint32_t low = 0;
            for (;; s += kStateSize) {
                const uint32_t freq = Freq(s) & mask[Symbol(s)];
                if (low + freq > count) {
                    break;
                }
                low += freq;
            }
            coder.Decode(low, Freq(s));
            if (see->shift < kPeriodBits && --see->count == 0) {
                see->summ = static_cast<uint16_t>(see->summ << 1);
                see->count = static_cast<uint8_t>(3 << see->shift++);
            }
            foundState_ = s;
            const uint8_t symbol = Symbol(s);
            UpdateEscaped();
            return symbol;
        }
        if (count >= freqSum) {
            return kInvalid;
        }
        coder.Decode(hiCnt, freqSum - hiCnt);
        see->summ = static_cast<uint16_t>(see->summ + freqSum);
        for (uint32_t s = stats; s != end; s += kStateSize) {
            mask[Symbol(s)] = 0;
        }
    }
}

void PpmdModel::Rescale() {
    const uint32_t mc = minContext_;
    const uint32_t stats = Stats(mc);
    uint32_t s = foundState_;
    // The found state moves to the front.
    if (s != stats) {
        StateCopy held;
        std::memcpy(held.bytes, base_ + s, kStateSize);
        for (; s != stats; s -= kStateSize) {
            CopyState(s, s - kStateSize);
        }
        std::memcpy(base_ + s, held.bytes, kStateSize);
    }
    uint32_t escFreq = SummFreq(mc) - Freq(s);
    Freq(s) = static_cast<uint8_t>(Freq(s) + 4);
    const unsigned adder = orderFall_ != 0;
    Freq(s) = static_cast<uint8_t>((Freq(s) + adder) >> 1);
    uint32_t sumFreq = Freq(s);
    for (unsigned i = NumStats(mc); i > 0; --i) {
        s += kStateSize;
        escFreq -= Freq(s);
        Freq(s) = static_cast<uint8_t>((Freq(s) + adder) >> 1);
        sumFreq += Freq(s);
        if (Freq(s) > Freq(s - kStateSize)) {
            // Insertion: keep the states sorted by frequency.
            StateCopy held;
            std::memcpy(held.bytes, base_ + s, kStateSize);
            uint32_t to = s;
            do {
                CopyState(to, to - kStateSize);
                to -= kStateSize;
            } while (to != stats && held.Freq() > Freq(to - kStateSize));
            std::memcpy(base_ + to, held.bytes, kStateSize);
        }
    }
    if (Freq(s) == 0) {
        const unsigned numStats = NumStats(mc);
        unsigned zeros = 0;
        do {
            ++zeros;
            s -= kStateSize;
        } while (Freq(s) == 0);
        escFreq += zeros;
        NumStats(mc) = static_cast<uint8_t>(numStats - zeros);
        if (NumStats(mc) == 0) {
            StateCopy held;
            std::memcpy(held.bytes, base_ + stats, kStateSize);
            held.Freq() = static_cast<uint8_t>(
                std::min<uint32_t>((2 * held.Freq() + escFreq - 1) / escFreq, kMaxFreq / 3));
            heap_.FreeUnits(stats, (numStats + 2) >> 1);
            Flags(mc) = static_cast<uint8_t>((Flags(mc) & 0x10) + HighFlag(held.Symbol(), 0x08));
            foundState_ = OneState(mc);
            std::memcpy(base_ + foundState_, held.bytes, kStateSize);
            return;
        }
        const unsigned oldUnits = (numStats + 2) >> 1;
        const unsigned newUnits = (NumStats(mc) + 2) >> 1;
        if (oldUnits != newUnits) {
            SetStats(mc, heap_.ShrinkUnits(stats, oldUnits, newUnits));
        }
        uint8_t flags = Flags(mc) & ~0x08;
        const uint32_t kept = Stats(mc);
        for (uint32_t t = kept; t <= kept + NumStats(mc) * kStateSize; t += kStateSize) {
            flags |= HighFlag(Symbol(t), 0x08);
        }
        Flags(mc) = flags;
    }
    SetSummFreq(mc, sumFreq + escFreq - (escFreq >> 1));
    Flags(mc) |= 0x04;
    foundState_ = Stats(mc);
}

void PpmdModel::NextContext() {
    const uint32_t successor = Successor(foundState_);
    if (orderFall_ == 0 && successor >= heap_.unitsStart) {
        minContext_ = maxContext_ = successor;
    } else {
        UpdateModel();
        minContext_ = maxContext_;
    }
}

void PpmdModel::UpdateFirst() {
    const uint32_t s = foundState_;
    const uint32_t mc = minContext_;
    prevSuccess_ = 2 * Freq(s) >= SummFreq(mc);
    runLength_ += prevSuccess_;
    SetSummFreq(mc, SummFreq(mc) + 4);
    Freq(s) = static_cast<uint8_t>(Freq(s) + 4);
    if (Freq(s) > kMaxFreq) {
        Rescale();
    }
    NextContext();
}

void PpmdModel::UpdateLater() {
    uint32_t s = foundState_;
    Freq(s) = static_cast<uint8_t>(Freq(s) + 4);
    SetSummFreq(minContext_, SummFreq(minContext_) + 4);
    if (Freq(s) > Freq(s - kStateSize)) {
        SwapStates(s, s - kStateSize);
        foundState_ = s -= kStateSize;
        if (Freq(s) > kMaxFreq) {
            Rescale();
        }
    }
    NextContext();
}

void PpmdModel::UpdateBinary() {
    const uint32_t s = foundState_;
    Freq(s) = static_cast<uint8_t>(Freq(s) + (Freq(s) < 196));
    prevSuccess_ = 1;
    ++runLength_;
    NextContext();
}

void PpmdModel::UpdateEscaped() {
    const uint32_t s = foundState_;
    SetSummFreq(minContext_, SummFreq(minContext_) + 4);
    Freq(s) = static_cast<uint8_t>(Freq(s) + 4);
    if (Freq(s) > kMaxFreq) {
        Rescale();
    }
    runLength_ = initRunLength_;
    UpdateModel();
    minContext_ = maxContext_;
}

void PpmdModel::UpdateModel() {
    const uint32_t found = foundState_;
    const uint8_t fSymbol = Symbol(found);
    const uint32_t fFreq = Freq(found);
    uint32_t fSuccessor = Successor(found);
    uint32_t s = 0;

    // The symbol gains in the suffix too.
    if (fFreq < kMaxFreq / 4 && Suffix(minContext_) != 0) {
        const uint32_t c = Suffix(minContext_);
        if (NumStats(c) == 0) {
            s = OneState(c);
            if (Freq(s) < 32) {
                ++Freq(s);
            }
        } else {
            s = Stats(c);
            if (Symbol(s) != fSymbol) {
                do {
                    s += kStateSize;
                } while (Symbol(s) != fSymbol);
                if (Freq(s) >= Freq(s - kStateSize)) {
                    SwapStates(s, s - kStateSize);
                    s -= kStateSize;
                }
            }
            if (Freq(s) < kMaxFreq - 9) {
                Freq(s) = static_cast<uint8_t>(Freq(s) + 2);
                SetSummFreq(c, SummFreq(c) + 2);
            }
        }
    }

    uint32_t c = maxContext_;
    if (orderFall_ == 0 && fSuccessor != 0) {
        const uint32_t built = CreateSuccessors(true, s, minContext_);
        if (built == 0) {
            SetSuccessor(foundState_, 0);
            RestoreModel(c);
        } else {
            SetSuccessor(foundState_, built);
            maxContext_ = built;
        }
        return;
    }

    Byte(heap_.text++) = fSymbol;
    uint32_t successor = heap_.text;
    if (heap_.text >= heap_.unitsStart) {
        RestoreModel(c);
        return;
    }
    if (fSuccessor == 0) {
        const uint32_t reduced = ReduceOrder(s, minContext_);
        if (reduced == 0) {
            RestoreModel(c);
            return;
        }
        fSuccessor = reduced;
    } else if (fSuccessor < heap_.unitsStart) {
        const uint32_t built = CreateSuccessors(false, s, minContext_);
        if (built == 0) {
            RestoreModel(c);
            return;
        }
        fSuccessor = built;
    }
    if (--orderFall_ == 0) {
        successor = fSuccessor;
        heap_.text -= maxContext_ != minContext_;
    }

    // The symbol joins every context it escaped from.
    const unsigned ns = NumStats(minContext_);
    const uint32_t s0 = SummFreq(minContext_) - ns - fFreq;
    const uint8_t flag = HighFlag(fSymbol, 0x08);
    for (; c != minContext_; c = Suffix(c)) {
        const unsigned ns1 = NumStats(c);
        if (ns1 != 0) {
            if ((ns1 & 1) != 0) {
                const uint32_t grown = heap_.ExpandUnits(Stats(c), (ns1 + 1) >> 1);
                if (grown == 0) {
                    RestoreModel(c);
                    return;
                }
                SetStats(c, grown);
            }
            SetSummFreq(c, SummFreq(c) + (3 * ns1 + 1 < ns));
        } else {
            const uint32_t stats = heap_.AllocUnits(0);
            if (stats == 0) {
                RestoreModel(c);
                return;
            }
            CopyState(stats, OneState(c));
            SetStats(c, stats);
            Freq(stats) =
                static_cast<uint8_t>(Freq(stats) < kMaxFreq / 4 - 1 ? Freq(stats) * 2 : kMaxFreq - 4);
            SetSummFreq(c, Freq(stats) + initEsc_ + (ns > 2));
        }
        uint32_t cf = 2 * fFreq * (SummFreq(c) + 6);
        const uint32_t sf = s0 + SummFreq(c);
        if (cf < 6 * sf) {
            cf = 1 + (cf > sf) + (cf >= 4 * sf);
            SetSummFreq(c, SummFreq(c) + 4);
        } else {
            cf = 4 + (cf > 9 * sf) + (cf > 12 * sf) + (cf > 15 * sf);
            SetSummFreq(c, SummFreq(c) + cf);
        }
        const uint32_t added = Stats(c) + (ns1 + 1) * kStateSize;
        SetSuccessor(added, successor);
        Symbol(added) = fSymbol;
        Freq(added) = static_cast<uint8_t>(cf);
        Flags(c) |= flag;
        NumStats(c) = static_cast<uint8_t>(ns1 + 1);
    }
    maxContext_ = minContext_ = fSuccessor;
}

uint32_t PpmdModel::CreateSuccessors(bool skip, uint32_t state, uint32_t c) {
    const uint32_t upBranch = Successor(foundState_);
    const uint8_t fSymbol = Symbol(foundState_);
    // The states that lead to upBranch, from the highest order down; each gets a new context.
    uint32_t pending[kMaxOrder + 1];
    unsigned numPending = 0;
    if (!skip) {
        pending[numPending++] = foundState_;
    }
    while (Suffix(c) != 0) {
        c = Suffix(c);
        uint32_t s;
        if (state != 0) {
            s = state;
            state = 0;
        } else if (NumStats(c) != 0) {
            for (s = Stats(c); Symbol(s) != fSymbol; s += kStateSize) {
            }
            if (Freq(s) < kMaxFreq - 9) {
                ++Freq(s);
                SetSummFreq(c, SummFreq(c) + 1);
            }
        } else {
            s = OneState(c);
            Freq(s) = static_cast<uint8_t>(Freq(s) + (NumStats(Suffix(c)) == 0 && Freq(s) < 24));
        }
        const uint32_t successor = Successor(s);
        if (successor != upBranch) {
            c = successor;
            break;
        }
        pending[numPending++] = s;
    }
    if (numPending == 0) {
        return c;
    }

    const uint8_t upSymbol = Byte(upBranch);
    const auto flags = static_cast<uint8_t>(HighFlag(fSymbol, 0x10) + HighFlag(upSymbol, 0x08));
    uint32_t upFreq;
    if (NumStats(c) == 0) {
        upFreq = Freq(OneState(c));
    } else {
        uint32_t s = Stats(c);
        while (Symbol(s) != upSymbol) {
            s += kStateSize;
        }
        const uint32_t cf = Freq(s) - 1u;
        const uint32_t s0 = SummFreq(c) - NumStats(c) - cf;
        upFreq = 1 + (2 * cf <= s0 ? (5 * cf > s0) : (cf + 2 * s0 - 3) / s0);
    }
    do {
        const uint32_t child = heap_.AllocContext();
        if (child == 0) {
            return 0;
        }
        NumStats(child) = 0;
        Flags(child) = flags;
        const uint32_t one = OneState(child);
        Symbol(one) = upSymbol;
        Freq(one) = static_cast<uint8_t>(upFreq);
        SetSuccessor(one, upBranch + 1);
        SetSuffix(child, c);
        SetSuccessor(pending[--numPending], child);
        c = child;
    } while (numPending != 0);
    return c;
}

uint32_t PpmdModel::ReduceOrder(uint32_t state, uint32_t c) {
    const uint32_t start = c;
    const uint32_t upBranch = heap_.text;
    const uint8_t fSymbol = Symbol(foundState_);
    SetSuccessor(foundState_, upBranch);
    ++orderFall_;
    uint32_t s;
    for (;;) {
        if (state != 0) {
            c = Suffix(c);
            s = state;
            state = 0;
        } else {
            if (Suffix(c) == 0) {
                return c;
            }
            c = Suffix(c);
            if (NumStats(c) != 0) {
                for (s = Stats(c); Symbol(s) != fSymbol; s += kStateSize) {
                }
                if (Freq(s) < kMaxFreq - 9) {
                    Freq(s) = static_cast<uint8_t>(Freq(s) + 2);
                    SetSummFreq(c, SummFreq(c) + 2);
                }
            } else {
                s = OneState(c);
                Freq(s) = static_cast<uint8_t>(Freq(s) + (Freq(s) < 32));
            }
        }
        if (Successor(s) != 0) {
            break;
        }
        SetSuccessor(s, upBranch);
        ++orderFall_;
    }
    if (Successor(s) <= upBranch) {
        const uint32_t found = foundState_;
        foundState_ = s;
        SetSuccessor(s, CreateSuccessors(false, 0, c));
        foundState_ = found;
    }
    if (orderFall_ == 1 && start == maxContext_) {
        SetSuccessor(foundState_, Successor(s));
        --heap_.text;
    }
    return Successor(s);
}

void PpmdModel::RestoreModel(uint32_t stop) {
    heap_.ResetText();
    // The contexts that gained the symbol before memory ran out lose it again.
    uint32_t c = maxContext_;
    for (; c != stop; c = Suffix(c)) {
        if (--NumStats(c) == 0) {
            const uint32_t stats = Stats(c);
            Flags(c) = static_cast<uint8_t>((Flags(c) & 0x10) + HighFlag(Symbol(stats), 0x08));
            CopyState(OneState(c), stats);
            heap_.SpecialFreeUnit(stats);
            Freq(OneState(c)) = static_cast<uint8_t>((Freq(OneState(c)) + 11) >> 3);
        } else {
            Refresh(c, (NumStats(c) + 3) >> 1, 0);
        }
    }
    for (; c != minContext_; c = Suffix(c)) {
        if (NumStats(c) == 0) {
            Freq(OneState(c)) = static_cast<uint8_t>(Freq(OneState(c)) - (Freq(OneState(c)) >> 1));
        } else {
            SetSummFreq(c, SummFreq(c) + 4);
            if (SummFreq(c) > 128 + 4 * NumStats(c)) {
                Refresh(c, (NumStats(c) + 2) >> 1, 1);
            }
        }
    }

    if (restoration_ == Restoration::Restart || heap_.UsedMemory() < (heap_.Size() >> 1)) {
        Restart();
        return;
    }
    while (Suffix(maxContext_) != 0) {
        maxContext_ = Suffix(maxContext_);
    }
    // Each round prunes the tree once more. A model that no round can shrink (two rounds without a
    // byte freed leave the tree as it is for good) is started afresh instead of pruned forever.
    uint32_t used = heap_.UsedMemory();
    unsigned idle = 0;
    do {
        CutOff(maxContext_, 0);
        heap_.ExpandTextArea();
        const uint32_t before = std::exchange(used, heap_.UsedMemory());
        idle = used < before ? 0 : idle + 1;
        if (idle == 2) {
            Restart();
            return;
        }
    } while (used > 3 * (heap_.Size() >> 2));
    heap_.ResetGlue();
    orderFall_ = maxOrder_;
}

void PpmdModel::Refresh(uint32_t c, unsigned oldUnits, unsigned scale) {
    unsigned i = NumStats(c);
    uint32_t s = heap_.ShrinkUnits(Stats(c), oldUnits, (i + 2) >> 1);
    SetStats(c, s);
    unsigned flags = (Flags(c) & (0x10 + 0x04 * scale)) + HighFlag(Symbol(s), 0x08);
    uint32_t escFreq = SummFreq(c) - Freq(s);
    Freq(s) = static_cast<uint8_t>((Freq(s) + scale) >> scale);
    uint32_t sumFreq = Freq(s);
    do {
        s += kStateSize;
        escFreq -= Freq(s);
        Freq(s) = static_cast<uint8_t>((Freq(s) + scale) >> scale);
        sumFreq += Freq(s);
        flags |= HighFlag(Symbol(s), 0x08);
    } while (--i != 0);
    SetSummFreq(c, sumFreq + ((escFreq + scale) >> scale));
    Flags(c) = static_cast<uint8_t>(flags);
}

uint32_t PpmdModel::CutOff(uint32_t c, unsigned order) {
    const unsigned numStats = NumStats(c);
    if (numStats == 0) {
        const uint32_t s = OneState(c);
        if (Successor(s) >= heap_.unitsStart) {
            SetSuccessor(s, order < maxOrder_ ? CutOff(Successor(s), order + 1) : 0);
            if (Successor(s) != 0 || order <= 9) {
                return c;
            }
        }
        heap_.SpecialFreeUnit(c);
        return 0;
    }
    const unsigned units = (numStats + 2) >> 1;
    const uint32_t stats = heap_.MoveUnitsUp(Stats(c), units);
    SetStats(c, stats);
    // States that lead to no built context go to the end (and are dropped but at the root).
    int kept = static_cast<int>(numStats);
    for (uint32_t s = stats + numStats * kStateSize;; s -= kStateSize) {
        if (Successor(s) < heap_.unitsStart) {
            const uint32_t last = stats + static_cast<uint32_t>(kept--) * kStateSize;
            SetSuccessor(s, 0);
            SwapStates(s, last);
        } else if (order < maxOrder_) {
            SetSuccessor(s, CutOff(Successor(s), order + 1));
        } else {
            SetSuccessor(s, 0);
        }
        if (s == stats) {
            break;
        }
    }
    if (kept != static_cast<int>(numStats) && order != 0) {
        NumStats(c) = static_cast<uint8_t>(kept);
        if (kept < 0) {
            heap_.FreeUnits(stats, units);
            heap_.SpecialFreeUnit(c);
            return 0;
        }
        if (kept == 0) {
            Flags(c) = static_cast<uint8_t>((Flags(c) & 0x10) + HighFlag(Symbol(stats), 0x08));
            CopyState(OneState(c), stats);
            heap_.FreeUnits(stats, units);
            Freq(OneState(c)) = static_cast<uint8_t>((Freq(OneState(c)) + 11) >> 3);
        } else {
            Refresh(c, units, SummFreq(c) > 16 * static_cast<unsigned>(kept));
        }
    }
    return c;
}

}  // namespace ruvu::ruroza::ppmd
