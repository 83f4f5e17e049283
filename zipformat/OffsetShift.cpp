#include "zipformat/OffsetShift.h"

#include "zipformat/ByteOrder.h"
#include "zipformat/ExtraField.h"
#include "zipformat/ZipConstants.h"

namespace ruvu::zip {

namespace {

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
    return ReadZip64Extra(entry.Extra, entry.Zip64Fields())
        .LocalHeaderOffset.value_or(entry.LocalHeaderOffset);
}

uint32_t LocalHeaderDiskOf(const CentralDirEntry& entry) {
    if (entry.DiskStart != kZip64Marker16) {
        return entry.DiskStart;
    }
    return ReadZip64Extra(entry.Extra, entry.Zip64Fields()).DiskStart.value_or(entry.DiskStart);
}

void ShiftLocalHeaderOffset(CentralDirEntry& entry, uint32_t disk, int64_t shift) {
    if (LocalHeaderDiskOf(entry) != disk) {
        return;
    }
    if (entry.LocalHeaderOffset != kZip64Marker32) {
        entry.LocalHeaderOffset = Shift32(entry.LocalHeaderOffset, shift);
        return;
    }
    const Zip64Extra values = ReadZip64Extra(entry.Extra, entry.Zip64Fields());
    if (values.LocalHeaderOffsetAt) {
        auto* p = reinterpret_cast<uint8_t*>(entry.Extra.data()) + *values.LocalHeaderOffsetAt;
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
