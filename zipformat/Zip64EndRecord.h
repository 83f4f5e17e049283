// The ZIP64 end of central directory record: written in front of the end record (and its locator)
// when a count, size or offset does not fit the end record's fields, which then hold their markers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "zipformat/ByteOrder.h"

namespace ruvu::zip {

struct Zip64EndRecord {
    static constexpr uint32_t kSignature = 0x06064B50;  // "PK", 6, 6
    static constexpr size_t kSize = 56;
    // RecordSize counts the bytes after itself: 44 without extensible data.
    static constexpr uint64_t kLeadingBytes = 12;

    Le32 Signature{kSignature};              // 0
    Le64 RecordSize{kSize - kLeadingBytes};  // 4
    Le16 MadeByVersion{};                    // 12
    Le16 VersionNeeded{};                    // 14
    Le32 ThisDiskNo{};                       // 16
    Le32 CentralDirDisk{};                   // 20
    Le64 EntriesThisDisk{};                  // 24
    Le64 TotalEntries{};                     // 32
    Le64 CentralDirSize{};                   // 40
    Le64 CentralDirOffset{};                 // 48

    // The fixed part at the start of bytes; nullopt when fewer than kSize bytes are given. The
    // signature is read like any other field: callers check it.
    static std::optional<Zip64EndRecord> Read(std::span<const uint8_t> bytes) {
        return ReadRecord<Zip64EndRecord>(bytes);
    }
    bool Write(std::span<uint8_t> out) const { return WriteRecord(*this, out); }
    void AppendTo(std::string& out) const { AppendRecord(*this, out); }
};

static_assert(sizeof(Zip64EndRecord) == Zip64EndRecord::kSize);
static_assert(offsetof(Zip64EndRecord, Signature) == 0);
static_assert(offsetof(Zip64EndRecord, RecordSize) == 4);
static_assert(offsetof(Zip64EndRecord, MadeByVersion) == 12);
static_assert(offsetof(Zip64EndRecord, VersionNeeded) == 14);
static_assert(offsetof(Zip64EndRecord, ThisDiskNo) == 16);
static_assert(offsetof(Zip64EndRecord, CentralDirDisk) == 20);
static_assert(offsetof(Zip64EndRecord, EntriesThisDisk) == 24);
static_assert(offsetof(Zip64EndRecord, TotalEntries) == 32);
static_assert(offsetof(Zip64EndRecord, CentralDirSize) == 40);
static_assert(offsetof(Zip64EndRecord, CentralDirOffset) == 48);

}  // namespace ruvu::zip
