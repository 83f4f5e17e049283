#include "zipformat/OffsetShift.h"

#include <optional>
#include <string>

#include "zipformat/ByteOrder.h"
#include "zipformat/ExtraField.h"
#include "zipformat/ZipConstants.h"

namespace ruvu::zip {

namespace {

// Where the fields of an entry's ZIP64 extra block lie in its extra field: the block holds, in this
// order, only the values whose fixed fields hold the marker.
struct Zip64Fields {
    std::optional<size_t> offsetAt;  // position of the 64-bit local header offset in Extra
    std::optional<size_t> diskAt;    // position of the 32-bit disk number in Extra
};

Zip64Fields FindZip64Fields(const CentralDirEntry& entry) {
    Zip64Fields fields;
    size_t blockAt = 0;
    ForEachExtraBlock(entry.Extra, [&](uint16_t id, std::string_view data) {
        if (id != kExtraZip64) {
            blockAt += kExtraBlockHeaderSize + data.size();
            return true;
        }
        size_t at = 0;
        auto take = [&](size_t width) -> std::optional<size_t> {
            if (data.size() - at < width) {
                return std::nullopt;
            }
            const size_t position = blockAt + kExtraBlockHeaderSize + at;
            at += width;
            return position;
        };
        if (entry.UncompressedSize == kZip64Marker32 && !take(8)) {
            return false;
        }
        if (entry.CompressedSize == kZip64Marker32 && !take(8)) {
            return false;
        }
        if (entry.LocalHeaderOffset == kZip64Marker32 && !(fields.offsetAt = take(8))) {
            return false;
        }
        if (entry.DiskStart == kZip64Marker16) {
            fields.diskAt = take(4);
        }
        return false;
    });
    return fields;
}

uint32_t Shift32(uint32_t value, int64_t shift) {
    return static_cast<uint32_t>(static_cast<uint64_t>(value) + static_cast<uint64_t>(shift));
}

uint64_t Shift64(uint64_t value, int64_t shift) {
    return value + static_cast<uint64_t>(shift);
}

}  // namespace

uint64_t LocalHeaderOffsetOf(const CentralDirEntry& entry) {
    if (entry.LocalHeaderOffset != kZip64Marker32) {
        return entry.LocalHeaderOffset;
    }
    const Zip64Fields fields = FindZip64Fields(entry);
    if (!fields.offsetAt) {
        return entry.LocalHeaderOffset;
    }
    return GetU64(reinterpret_cast<const uint8_t*>(entry.Extra.data()) + *fields.offsetAt);
}

uint32_t LocalHeaderDiskOf(const CentralDirEntry& entry) {
    if (entry.DiskStart != kZip64Marker16) {
        return entry.DiskStart;
    }
    const Zip64Fields fields = FindZip64Fields(entry);
    if (!fields.diskAt) {
        return entry.DiskStart;
    }
    return GetU32(reinterpret_cast<const uint8_t*>(entry.Extra.data()) + *fields.diskAt);
}

void ShiftLocalHeaderOffset(CentralDirEntry& entry, uint32_t disk, int64_t shift) {
    if (LocalHeaderDiskOf(entry) != disk) {
        return;
    }
    if (entry.LocalHeaderOffset != kZip64Marker32) {
        entry.LocalHeaderOffset = Shift32(entry.LocalHeaderOffset, shift);
        return;
    }
    const Zip64Fields fields = FindZip64Fields(entry);
    if (fields.offsetAt) {
        auto* p = reinterpret_cast<uint8_t*>(entry.Extra.data()) + *fields.offsetAt;
        PutU64(p, Shift64(GetU64(p), shift));
    }
}

void ShiftCentralDirOffset(EndOfCentralDir& record, int64_t shift) {
    if (record.CentralDirOffset != kZip64Marker32) {
        record.CentralDirOffset = Shift32(record.CentralDirOffset, shift);
    }
}

void ShiftCentralDirOffset(Zip64EndRecord& record, int64_t shift) {
    record.CentralDirOffset = Shift64(record.CentralDirOffset, shift);
}

void ShiftZip64EndRecordOffset(Zip64Locator& locator, int64_t shift) {
    locator.EndRecordOffset = Shift64(locator.EndRecordOffset, shift);
}

}  // namespace ruvu::zip
