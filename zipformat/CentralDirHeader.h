// The central directory header: 46 fixed bytes, then the name, the extra field and the file comment.
// One per entry, in the central directory near the end of the archive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "zipformat/ByteOrder.h"
#include "zipformat/ExtraField.h"

namespace ruvu::zip {

struct CentralDirHeader {
    static constexpr uint32_t kSignature = 0x02014B50;  // "PK", 1, 2
    static constexpr size_t kSize = 46;

    Le32 Signature{kSignature};  // 0
    uint8_t MadeByVersion = 0;   // 4: specification version, 20 = 2.0
    uint8_t HostSystem = 0;      // 5: kHostMsDos, kHostUnix, ...
    Le16 VersionNeeded{};        // 6
    Le16 Flags{};                // 8
    Le16 Method{};               // 10
    Le32 DosDateTime{};          // 12: time in the low word (12), date in the high word (14)
    Le32 Crc32{};                // 16
    Le32 CompressedSize{};       // 20
    Le32 UncompressedSize{};     // 24
    Le16 FileNameLength{};       // 28
    Le16 ExtraLength{};          // 30
    Le16 CommentLength{};        // 32
    Le16 DiskStart{};            // 34: disk of the local header
    Le16 InternalAttributes{};   // 36
    Le32 ExternalAttributes{};   // 38: MS-DOS attributes in the low byte, a Unix mode above
    Le32 LocalHeaderOffset{};    // 42: from the start of its disk

    // The fixed part at the start of bytes; nullopt when fewer than kSize bytes are given. The
    // signature is read like any other field: callers check it.
    static std::optional<CentralDirHeader> Read(std::span<const uint8_t> bytes) {
        return ReadRecord<CentralDirHeader>(bytes);
    }
    // Writes the fixed part to the start of out; false (nothing written) when out is too short.
    bool Write(std::span<uint8_t> out) const { return WriteRecord(*this, out); }
    void AppendTo(std::string& out) const { AppendRecord(*this, out); }
};

static_assert(sizeof(CentralDirHeader) == CentralDirHeader::kSize);
static_assert(offsetof(CentralDirHeader, Signature) == 0);
static_assert(offsetof(CentralDirHeader, MadeByVersion) == 4);
static_assert(offsetof(CentralDirHeader, HostSystem) == 5);
static_assert(offsetof(CentralDirHeader, VersionNeeded) == 6);
static_assert(offsetof(CentralDirHeader, Flags) == 8);
static_assert(offsetof(CentralDirHeader, Method) == 10);
static_assert(offsetof(CentralDirHeader, DosDateTime) == 12);
static_assert(offsetof(CentralDirHeader, Crc32) == 16);
static_assert(offsetof(CentralDirHeader, CompressedSize) == 20);
static_assert(offsetof(CentralDirHeader, UncompressedSize) == 24);
static_assert(offsetof(CentralDirHeader, FileNameLength) == 28);
static_assert(offsetof(CentralDirHeader, ExtraLength) == 30);
static_assert(offsetof(CentralDirHeader, CommentLength) == 32);
static_assert(offsetof(CentralDirHeader, DiskStart) == 34);
static_assert(offsetof(CentralDirHeader, InternalAttributes) == 36);
static_assert(offsetof(CentralDirHeader, ExternalAttributes) == 38);
static_assert(offsetof(CentralDirHeader, LocalHeaderOffset) == 42);

// Whether an entry is a folder: its stored name ends with a separator ("/", or "\" as some tools
// wrote it), or its external attributes say so: the MS-DOS directory bit on hosts with FAT, NTFS,
// HPFS or VFAT attributes, a directory mode on Unix (or, when a Unix entry carries no mode at all,
// the MS-DOS bit).
bool IsDirectoryEntry(std::string_view storedName, uint8_t hostSystem, uint32_t externalAttributes);

// The sizes and the place of an entry's local header, as numbers: a fixed field's value, or the
// ZIP64 block's when the field holds its marker.
struct EntrySizes {
    uint64_t CompressedSize = 0;
    uint64_t UncompressedSize = 0;
    uint64_t LocalHeaderOffset = 0;
    uint32_t DiskStart = 0;
};

// A central header with its name, extra field and comment as stored.
struct CentralDirEntry : CentralDirHeader {
    std::string Name;
    std::string Extra;
    std::string Comment;

    // The whole header: the fixed part, with the lengths of the three texts, then the texts. Each
    // is at most 65535 bytes.
    std::string Serialize() const;

    bool IsEncrypted() const;
    bool IsUtf8() const;
    bool IsDirectory() const { return IsDirectoryEntry(Name, HostSystem, ExternalAttributes); }
    // The Unix mode of an entry made on Unix, else 0.
    uint32_t UnixMode() const;
    // Sizes, offset or disk held in a ZIP64 extra block: a field holds its marker, or the block is
    // there although a tool left the markers out.
    bool UsesZip64() const;
    // The fixed fields that hold their markers, so their values are in the ZIP64 block.
    Zip64Wanted Zip64Fields() const;
    // The true sizes, offset and disk; nullopt when a field holds its marker and the ZIP64 block is
    // there but too short for its value. A marker without any ZIP64 block is taken as the value.
    std::optional<EntrySizes> Sizes() const;
};

}  // namespace ruvu::zip
