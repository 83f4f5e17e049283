// The end of central directory record: 22 fixed bytes, then the archive comment. The last record of
// an archive (of the last part of a spanned set); readers find it by searching backwards from the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "zipformat/ByteOrder.h"

namespace ruvu::zip {

struct EndOfCentralDir {
    static constexpr uint32_t kSignature = 0x06054B50;  // "PK", 5, 6
    static constexpr size_t kSize = 22;
    static constexpr size_t kMaxCommentLength = 0xFFFF;
    // The record with the longest comment: the window searched backwards for it.
    static constexpr size_t kMaxSize = kSize + kMaxCommentLength;

    Le32 Signature{kSignature};  // 0
    Le16 ThisDiskNo{};           // 4: 0-based; the last disk of a set carries the count minus one
    Le16 CentralDirDisk{};       // 6: disk on which the central directory starts
    Le16 EntriesThisDisk{};      // 8
    Le16 TotalEntries{};         // 10
    Le32 CentralDirSize{};       // 12: in bytes
    Le32 CentralDirOffset{};     // 16: from the start of the disk on which it starts
    Le16 CommentLength{};        // 20

    // The fixed part at the start of bytes; nullopt when fewer than kSize bytes are given. The
    // signature is read like any other field: callers check it.
    static std::optional<EndOfCentralDir> Read(std::span<const uint8_t> bytes) {
        return ReadRecord<EndOfCentralDir>(bytes);
    }
    // Writes the fixed part to the start of out; false (nothing written) when out is too short.
    bool Write(std::span<uint8_t> out) const { return WriteRecord(*this, out); }
    void AppendTo(std::string& out) const { AppendRecord(*this, out); }
    // A field holds its ZIP64 marker: the real value is in the ZIP64 end record.
    bool UsesZip64() const;
};

static_assert(sizeof(EndOfCentralDir) == EndOfCentralDir::kSize);
static_assert(offsetof(EndOfCentralDir, Signature) == 0);
static_assert(offsetof(EndOfCentralDir, ThisDiskNo) == 4);
static_assert(offsetof(EndOfCentralDir, CentralDirDisk) == 6);
static_assert(offsetof(EndOfCentralDir, EntriesThisDisk) == 8);
static_assert(offsetof(EndOfCentralDir, TotalEntries) == 10);
static_assert(offsetof(EndOfCentralDir, CentralDirSize) == 12);
static_assert(offsetof(EndOfCentralDir, CentralDirOffset) == 16);
static_assert(offsetof(EndOfCentralDir, CommentLength) == 20);

}  // namespace ruvu::zip
