// The entries of a spanned set being written or joined: where each local header lies in the input and
// where it was written, with what its central header says about it. Items are made from the central
// directory and keep its order, so the central header at position i always belongs to item i, whatever
// the entries are named.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace ruvu {

struct TLocalHeaderItem {
    uint16_t Disk = 0;            // volume the local header was written on (0 in a joined archive)
    int64_t Offset = 0;           // position of the local header within that volume
    std::string Name;             // the stored name
    uint16_t Flags = 0;           // general purpose flags of the central header
    uint32_t Crc32 = 0;           // CRC of the central header (tells the data descriptor's forms apart)
    uint32_t CompressedSize = 0;  // from the central header
    uint32_t InputDisk = 0;       // where the local header lies in the input
    uint64_t InputOffset = 0;
};

class TLocalHeaderList {
  public:
    explicit TLocalHeaderList(size_t count) : items_(count) {}

    size_t Count() const { return items_.size(); }
    // Raises 10110 "Index (%d) outside range 1..%d" for an index not below the count.
    TLocalHeaderItem& Item(size_t index);
    // Indexes in the order the local headers lie in the input: by disk, then by offset.
    std::vector<size_t> InputOrder() const;

  private:
    std::vector<TLocalHeaderItem> items_;
};

}  // namespace ruvu
