// The extra field of a local or central header: a run of blocks, each a 16-bit id and a 16-bit length
// followed by that many bytes. A block whose length runs past the field is not a block: the walk ends
// there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>

#include "zipformat/ByteOrder.h"

namespace ruvu::zip {

inline constexpr size_t kExtraBlockHeaderSize = 4;

// Calls visit(id, data) for every whole block in order until visit returns false. Returns false
// when the field ends in a cut block (the blocks before it were visited).
template <class Visit>
bool ForEachExtraBlock(std::string_view extra, Visit&& visit) {
    const auto* p = reinterpret_cast<const uint8_t*>(extra.data());
    size_t at = 0;
    while (extra.size() - at >= kExtraBlockHeaderSize) {
        const uint16_t id = GetU16(p + at);
        const size_t length = GetU16(p + at + 2);
        if (extra.size() - at - kExtraBlockHeaderSize < length) {
            return false;
        }
        if (!visit(id, extra.substr(at + kExtraBlockHeaderSize, length))) {
            return true;
        }
        at += kExtraBlockHeaderSize + length;
    }
    return at == extra.size();
}

// The data of the first block with the id; nullopt when there is none.
std::optional<std::string_view> FindExtraBlock(std::string_view extra, uint16_t id);

// The Info-ZIP Unicode Path (0x7075) and Unicode Comment (0x6375) blocks: a version byte, the CRC-32
// of the stored text they stand for, then that text in UTF-8.
struct UnicodeExtra {
    uint8_t Version = 0;
    uint32_t StoredTextCrc32 = 0;
    std::string_view Text;
};
// The block of that id; nullopt when there is none or it is shorter than its fixed part.
std::optional<UnicodeExtra> FindUnicodeExtra(std::string_view extra, uint16_t id);
// The text of the block of that id when it stands for exactly the stored text whose CRC-32 is given
// (version 1, the CRCs match); nullopt otherwise. The text is as stored: not checked to be UTF-8.
std::optional<std::string_view> UnicodeTextFor(std::string_view extra, uint16_t id, uint32_t storedCrc32);

// The AES block (0x9901) of an entry whose method field says AES: which variant wrote it, the key
// strength and the compression method of the data under the encryption.
struct AesExtra {
    static constexpr size_t kSize = 7;
    static constexpr uint16_t kVersionAe1 = 1;     // the CRC is kept
    static constexpr uint16_t kVersionAe2 = 2;     // the CRC field is 0; only the authentication code checks
    static constexpr uint16_t kVendorAe = 0x4541;  // "AE"

    Le16 VendorVersion{};  // 0
    Le16 VendorId{};       // 2
    uint8_t Strength = 0;  // 4: 1, 2, 3 for 128, 192, 256-bit keys
    Le16 Method{};         // 5
};
static_assert(sizeof(AesExtra) == AesExtra::kSize);
static_assert(offsetof(AesExtra, VendorVersion) == 0);
static_assert(offsetof(AesExtra, VendorId) == 2);
static_assert(offsetof(AesExtra, Strength) == 4);
static_assert(offsetof(AesExtra, Method) == 5);
// The block's fixed part; nullopt when there is none or it is shorter than that.
std::optional<AesExtra> FindAesExtra(std::string_view extra);

// The ZIP64 extended information block (0x0001). It holds, in this order, only the values whose
// fixed fields hold their markers: the uncompressed size, the compressed size (8 bytes each), the
// local header offset (8) and the disk of the local header (4). A local header's block carries both
// sizes whenever it carries either.
struct Zip64Wanted {
    bool UncompressedSize = false;
    bool CompressedSize = false;
    bool LocalHeaderOffset = false;
    bool DiskStart = false;
    bool Any() const { return UncompressedSize || CompressedSize || LocalHeaderOffset || DiskStart; }
};
struct Zip64Extra {
    // Each wanted value the block holds; a value the block is too short for stays nullopt.
    std::optional<uint64_t> UncompressedSize;
    std::optional<uint64_t> CompressedSize;
    std::optional<uint64_t> LocalHeaderOffset;
    std::optional<uint32_t> DiskStart;
    // Where the offset and the disk lie in the extra field, so that they can be changed in place.
    std::optional<size_t> LocalHeaderOffsetAt;
    std::optional<size_t> DiskStartAt;
    bool Found = false;  // the field has a ZIP64 block
    // Every wanted value was there.
    bool Complete(const Zip64Wanted& wanted) const {
        return (!wanted.UncompressedSize || UncompressedSize) && (!wanted.CompressedSize || CompressedSize) &&
               (!wanted.LocalHeaderOffset || LocalHeaderOffset) && (!wanted.DiskStart || DiskStart);
    }
};
// Reads the wanted values of the first ZIP64 block of an extra field; every length is checked, so
// a short block gives the values it holds in full and no others.
Zip64Extra ReadZip64Extra(std::string_view extra, const Zip64Wanted& wanted);

// Writes a ZIP64 extended information block (0x0001), header included, holding the values given in
// the order the format fixes: uncompressed size, compressed size, local header offset. A header
// whose block holds a value stores the marker in that value's fixed field. Empty when none is given.
std::string Zip64ExtraBlock(std::optional<uint64_t> uncompressedSize, std::optional<uint64_t> compressedSize,
                            std::optional<uint64_t> localHeaderOffset);
// The extra field without its blocks of that id; a cut block at the end is kept as it is.
std::string WithoutExtraBlocks(std::string_view extra, uint16_t id);

// The extended timestamp block (0x5455): a flags byte, then a signed 32-bit Unix time in seconds for
// each flag set, in flag order. Only the modification time (bit 0) is read and written here.
inline constexpr uint8_t kExtendedTimeHasModTime = 1;
inline constexpr size_t kExtendedModTimeBlockSize = kExtraBlockHeaderSize + 5;

// The modification time of an extended timestamp block when it carries one.
std::optional<std::time_t> ExtendedModTime(std::string_view extra);
// Appends a block holding the modification time alone (the same block fits the local and the
// central header). Appends nothing and returns false when the time does not fit in 32 signed bits.
bool AppendExtendedModTime(std::string& extra, std::time_t mtime);

}  // namespace ruvu::zip
