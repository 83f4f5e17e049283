#include "libs/ruroza/PpmdHeap.h"

#include <sys/mman.h>

#include <algorithm>
#include <new>

namespace ruvu::ruroza::ppmd {

namespace {

// A free block starts with a node: a stamp that tells it from units in use (whose first four bytes
// are a context's counts or a state's symbol and frequency, never all ones), the next block of its
// free list, and its size in units.
constexpr uint32_t kFreeStamp = 0xFFFFFFFF;
constexpr uint32_t kStampAt = 0;
constexpr uint32_t kNextAt = 4;
constexpr uint32_t kUnitsAt = 8;

constexpr uint32_t Bytes(unsigned units) {
    return units * kUnitSize;
}

}  // namespace

void PpmdHeap::Unmap::operator()(uint8_t* memory) const {
    munmap(memory, bytes);
}

void PpmdHeap::Allocate(uint32_t size) {
    if (base_ && size_ == size) {
        return;
    }
    base_.reset();
    // One unit past the end stays zero: a stamp that ends any walk over free blocks.
    const size_t bytes = kTextStart + size_t{size} + kUnitSize;
    void* memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) {
        throw std::bad_alloc();
    }
    // The model touches its memory all over; large pages spare most of the address translation misses.
    madvise(memory, bytes, MADV_HUGEPAGE);
    base_ = std::unique_ptr<uint8_t, Unmap>(static_cast<uint8_t*>(memory), Unmap{bytes});
    size_ = size;
}

void PpmdHeap::Reset() {
    freeList_.fill(0);
    freeCount_.fill(0);
    text = kTextStart;
    hiUnit_ = text + size_;
    loUnit_ = unitsStart = hiUnit_ - size_ / 8 / kUnitSize * 7 * kUnitSize;
    glueCount_ = 0;
}

void PpmdHeap::InsertNode(uint32_t block, unsigned index) {
    Put32(block + kStampAt, kFreeStamp);
    Put32(block + kNextAt, freeList_[index]);
    Put32(block + kUnitsAt, UnitsOf(index));
    freeList_[index] = block;
    ++freeCount_[index];
}

uint32_t PpmdHeap::RemoveNode(unsigned index) {
    const uint32_t block = freeList_[index];
    freeList_[index] = Get32(block + kNextAt);
    --freeCount_[index];
    return block;
}

void PpmdHeap::SplitBlock(uint32_t block, unsigned oldIndex, unsigned newIndex) {
    const unsigned units = UnitsOf(oldIndex) - UnitsOf(newIndex);
    block += Bytes(UnitsOf(newIndex));
    unsigned index = IndexOf(units);
    if (UnitsOf(index) != units) {
        // The rest is no block size of its own: the largest size below it, and a small block after.
        const unsigned head = UnitsOf(--index);
        InsertNode(block + Bytes(head), units - head - 1);
    }
    InsertNode(block, index);
}

void PpmdHeap::GlueFreeBlocks() {
    glueCount_ = 1 << 13;
    freeCount_.fill(0);
    // The gap between the two unit cursors is not free in this sense: a zero stamp stops gluing there.
    if (loUnit_ != hiUnit_) {
        Put32(loUnit_ + kStampAt, 0);
    }
    // One list of every free block, in the order of the free lists, each block joined with the free
    // blocks that follow it in memory. A joined block keeps its place in the list with 0 units if it
    // was listed already; it always comes before the block that took it in.
    uint32_t head = 0;
    uint32_t lastLink = 0;  // the node whose next field links on; 0: head
    const auto link = [&](uint32_t block) {
        if (lastLink == 0) {
            head = block;
        } else {
            Put32(lastLink + kNextAt, block);
        }
    };
    for (unsigned i = 0; i < kIndexes; ++i) {
        uint32_t next = freeList_[i];
        freeList_[i] = 0;
        while (next != 0) {
            const uint32_t node = next;
            uint32_t units = Get32(node + kUnitsAt);
            if (units != 0) {
                link(node);
                lastLink = node;
                for (uint32_t after = node + Bytes(units); Get32(after + kStampAt) == kFreeStamp;
                     after = node + Bytes(units)) {
                    units += Get32(after + kUnitsAt);
                    Put32(after + kUnitsAt, 0);
                    Put32(node + kUnitsAt, units);
                }
            }
            next = Get32(node + kNextAt);
        }
    }
    link(0);
    // Cut each joined block into blocks of the listed sizes.
    while (head != 0) {
        uint32_t node = head;
        head = Get32(node + kNextAt);
        unsigned units = Get32(node + kUnitsAt);
        if (units == 0) {
            continue;
        }
        for (; units > 128; units -= 128, node += Bytes(128)) {
            InsertNode(node, kIndexes - 1);
        }
        unsigned index = IndexOf(units);
        if (UnitsOf(index) != units) {
            const unsigned front = UnitsOf(--index);
            InsertNode(node + Bytes(front), units - front - 1);
        }
        InsertNode(node, index);
    }
}

uint32_t PpmdHeap::AllocUnitsRare(unsigned index) {
    if (glueCount_ == 0) {
        GlueFreeBlocks();
        if (freeList_[index] != 0) {
            return RemoveNode(index);
        }
    }
    unsigned larger = index;
    do {
        if (++larger == kIndexes) {
            // No free block is large enough: take the units from the top of the text area.
            const uint32_t bytes = Bytes(UnitsOf(index));
            --glueCount_;
            return unitsStart - text > bytes ? (unitsStart -= bytes) : 0;
        }
    } while (freeList_[larger] == 0);
    const uint32_t block = RemoveNode(larger);
    SplitBlock(block, larger, index);
    return block;
}

uint32_t PpmdHeap::ExpandUnits(uint32_t block, unsigned oldUnits) {
    const unsigned oldIndex = IndexOf(oldUnits);
    const unsigned newIndex = IndexOf(oldUnits + 1);
    if (oldIndex == newIndex) {
        return block;
    }
    const uint32_t grown = AllocUnits(newIndex);
    if (grown != 0) {
        std::memcpy(base_.get() + grown, base_.get() + block, Bytes(oldUnits));
        InsertNode(block, oldIndex);
    }
    return grown;
}

uint32_t PpmdHeap::ShrinkUnits(uint32_t block, unsigned oldUnits, unsigned newUnits) {
    const unsigned oldIndex = IndexOf(oldUnits);
    const unsigned newIndex = IndexOf(newUnits);
    if (oldIndex == newIndex) {
        return block;
    }
    if (freeList_[newIndex] != 0) {
        const uint32_t smaller = RemoveNode(newIndex);
        std::memcpy(base_.get() + smaller, base_.get() + block, Bytes(newUnits));
        InsertNode(block, oldIndex);
        return smaller;
    }
    SplitBlock(block, oldIndex, newIndex);
    return block;
}

void PpmdHeap::SpecialFreeUnit(uint32_t block) {
    if (block != unitsStart) {
        InsertNode(block, 0);
    } else {
        unitsStart += kUnitSize;
    }
}

uint32_t PpmdHeap::MoveUnitsUp(uint32_t block, unsigned units) {
    const unsigned index = IndexOf(units);
    if (block > unitsStart + 16 * 1024 || block > freeList_[index]) {
        return block;
    }
    const uint32_t moved = RemoveNode(index);
    std::memcpy(base_.get() + moved, base_.get() + block, Bytes(units));
    if (block != unitsStart) {
        InsertNode(block, index);
    } else {
        unitsStart += Bytes(UnitsOf(index));
    }
    return moved;
}

void PpmdHeap::ExpandTextArea() {
    std::array<uint32_t, kIndexes> taken{};
    if (loUnit_ != hiUnit_) {
        Put32(loUnit_ + kStampAt, 0);
    }
    // The free blocks in a row at the start of the units area join the text area; their stamps are
    // cleared to find them in the free lists.
    uint32_t node = unitsStart;
    while (Get32(node + kStampAt) == kFreeStamp) {
        const uint32_t units = Get32(node + kUnitsAt);
        Put32(node + kStampAt, 0);
        ++taken[IndexOf(units)];
        node += Bytes(units);
    }
    unitsStart = node;
    for (unsigned i = 0; i < kIndexes; ++i) {
        uint32_t link = 0;  // the node whose next field is being looked at; 0: the list's head
        while (taken[i] != 0) {
            const uint32_t block = link == 0 ? freeList_[i] : Get32(link + kNextAt);
            if (Get32(block + kStampAt) != 0) {
                link = block;
                continue;
            }
            const uint32_t next = Get32(block + kNextAt);
            if (link == 0) {
                freeList_[i] = next;
            } else {
                Put32(link + kNextAt, next);
            }
            --freeCount_[i];
            --taken[i];
        }
    }
}

uint32_t PpmdHeap::UsedMemory() const {
    uint32_t freeUnits = 0;
    for (unsigned i = 0; i < kIndexes; ++i) {
        freeUnits += freeCount_[i] * UnitsOf(i);
    }
    return size_ - (hiUnit_ - loUnit_) - (unitsStart - text) - Bytes(freeUnits);
}

}  // namespace ruvu::ruroza::ppmd
