// The memory of a PPMd model (see PpmdModel.cpp): one block of the size the data's properties name, a
// text area growing up from its start and 12-byte units handed out from its top part. Everything in it
// is addressed by 32-bit offsets from the block's start ("refs"); 0 is the null ref.
//
// Where a unit is placed decides when the memory runs out, and the model restarts or prunes itself
// exactly then, so this allocator must make the same choices as the one the data was written with:
// the same free lists, the same gluing of free blocks, the same growth into the text area.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>

namespace ruvu::ruroza::ppmd {

inline constexpr uint32_t kUnitSize = 12;
inline constexpr unsigned kIndexes = 38;  // block sizes: 1-4 units, then steps of 2, 3 and 4 up to 128

// Block sizes by index and back.
struct UnitSizes {
    std::array<uint8_t, kIndexes> indexToUnits{};
    std::array<uint8_t, 128> unitsToIndex{};  // by units - 1: the smallest index that holds them

    constexpr UnitSizes() {
        unsigned k = 0;
        for (unsigned i = 0; i < kIndexes; ++i) {
            unsigned step = i >= 12 ? 4 : (i >> 2) + 1;
            for (; step > 0; --step) {
                unitsToIndex[k++] = static_cast<uint8_t>(i);
            }
            indexToUnits[i] = static_cast<uint8_t>(k);
        }
    }
};
inline constexpr UnitSizes kUnitSizes{};

inline unsigned UnitsOf(unsigned index) {
    return kUnitSizes.indexToUnits[index];
}
inline unsigned IndexOf(unsigned units) {
    return kUnitSizes.unitsToIndex[units - 1];
}

class PpmdHeap {
  public:
    // The first byte of the text area; offsets below it are never handed out, so 0 stays null.
    static constexpr uint32_t kTextStart = 4;

    // Makes the block size bytes large (keeping it when it already is); std::bad_alloc when the
    // system has no such memory.
    void Allocate(uint32_t size);
    uint32_t Size() const { return size_; }
    uint8_t* Base() const { return base_.get(); }

    // Empties the block: no text, no units in use.
    void Reset();
    void ResetText() { text = kTextStart; }
    // The next shortage of units glues the free blocks together again.
    void ResetGlue() { glueCount_ = 0; }

    // Each allocation returns 0 when no memory is left.
    uint32_t AllocContext() {
        if (hiUnit_ != loUnit_) {
            return hiUnit_ -= kUnitSize;
        }
        if (freeList_[0] != 0) {
            return RemoveNode(0);
        }
        return AllocUnitsRare(0);
    }
    uint32_t AllocUnits(unsigned index) {
        if (freeList_[index] != 0) {
            return RemoveNode(index);
        }
        const uint32_t bytes = UnitsOf(index) * kUnitSize;
        if (bytes <= hiUnit_ - loUnit_) {
            const uint32_t block = loUnit_;
            loUnit_ += bytes;
            return block;
        }
        return AllocUnitsRare(index);
    }
    // A block of oldUnits + 1 units holding the old one's contents (the old one itself when it has
    // room); 0 when full, the old block then unchanged.
    uint32_t ExpandUnits(uint32_t block, unsigned oldUnits);
    // A block of newUnits < oldUnits units holding the first newUnits of the old one.
    uint32_t ShrinkUnits(uint32_t block, unsigned oldUnits, unsigned newUnits);
    void FreeUnits(uint32_t block, unsigned units) { InsertNode(block, IndexOf(units)); }
    // Frees one unit; the one at the start of the units area goes back to the text area.
    void SpecialFreeUnit(uint32_t block);
    // Moves a block near the start of the units area to a free one higher up, when there is one, so
    // that the text area can grow (ExpandTextArea); returns where the contents are.
    uint32_t MoveUnitsUp(uint32_t block, unsigned units);
    // Gives the free blocks at the start of the units area to the text area.
    void ExpandTextArea();
    // Bytes in use: text and units.
    uint32_t UsedMemory() const;

    uint32_t text = 0;        // where the next byte of text goes
    uint32_t unitsStart = 0;  // the units area starts here; the text area ends here

  private:
    uint32_t Get32(uint32_t at) const {
        uint32_t value;
        std::memcpy(&value, base_.get() + at, 4);
        return value;
    }
    void Put32(uint32_t at, uint32_t value) { std::memcpy(base_.get() + at, &value, 4); }

    void InsertNode(uint32_t block, unsigned index);
    uint32_t RemoveNode(unsigned index);
    void SplitBlock(uint32_t block, unsigned oldIndex, unsigned newIndex);
    void GlueFreeBlocks();
    uint32_t AllocUnitsRare(unsigned index);

    struct Unmap {
        size_t bytes;
        void operator()(uint8_t* memory) const;
    };
    std::unique_ptr<uint8_t, Unmap> base_{nullptr, Unmap{0}};
    uint32_t size_ = 0;
    uint32_t loUnit_ = 0;  // units are cut from [loUnit_, hiUnit_) before the free lists run dry
    uint32_t hiUnit_ = 0;
    uint32_t glueCount_ = 0;
    std::array<uint32_t, kIndexes> freeList_{};
    std::array<uint32_t, kIndexes> freeCount_{};  // blocks in each free list
};

}  // namespace ruvu::ruroza::ppmd
