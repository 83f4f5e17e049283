// The zip records as they lie on disk: local file header, data descriptor, central directory header,
// end of central directory record, the marker that opens the first part of a spanned set, and the two
// records that extend the end record when an archive holds more than 65535 entries. All numbers are
// little-endian; each record is read from and written to bytes field by field, never by casting.
#pragma once

#include <cstddef>
#include <cstdint>

namespace ruvu::zip {

inline constexpr uint32_t kLocalHeaderSignature = 0x04034B50;
inline constexpr uint32_t kDataDescriptorSignature = 0x08074B50;
inline constexpr uint32_t kCentralHeaderSignature = 0x02014B50;
inline constexpr uint32_t kEndRecordSignature = 0x06054B50;
inline constexpr uint32_t kZip64EndRecordSignature = 0x06064B50;
inline constexpr uint32_t kZip64LocatorSignature = 0x07064B50;
// The first part of a spanned set begins with the data descriptor signature, then a local header.
inline constexpr uint32_t kSpannedSetMarker = kDataDescriptorSignature;

// General purpose flag bits.
inline constexpr uint16_t kFlagEncrypted = 0x0001;
inline constexpr uint16_t kFlagDataDescriptor = 0x0008;
inline constexpr uint16_t kFlagUtf8 = 0x0800;  // name and comment are UTF-8

// Host systems of "version made by".
inline constexpr uint8_t kHostMsDos = 0;
inline constexpr uint8_t kHostHpfs = 6;
inline constexpr uint8_t kHostNtfs = 11;

// The largest end record: 22 fixed bytes and a comment of 65535 bytes.
inline constexpr uint32_t kMaxEndRecordSize = 22 + 65535;

inline uint16_t GetU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
inline uint32_t GetU32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
inline uint64_t GetU64(const uint8_t* p) {
    return uint64_t{GetU32(p)} | uint64_t{GetU32(p + 4)} << 32;
}
inline void PutU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutU32(uint8_t* p, uint32_t v) {
    PutU16(p, static_cast<uint16_t>(v));
    PutU16(p + 2, static_cast<uint16_t>(v >> 16));
}

#pragma pack(push, 1)

// Followed by the name and the extra field, then the compressed data.
struct LocalFileHeader {
    static constexpr size_t kSize = 30;

    uint32_t Signature;
    uint16_t VersionNeeded;
    uint16_t Flags;
    uint16_t Method;
    uint16_t ModTime;
    uint16_t ModDate;
    uint32_t Crc32;
    uint32_t CompressedSize;
    uint32_t UncompressedSize;
    uint16_t FileNameLength;
    uint16_t ExtraLength;

    static LocalFileHeader Read(const uint8_t* p);
    void Write(uint8_t* p) const;
};

// After the compressed data when flag bit 3 is set, as the system writes and expects it.
struct DataDescriptor {
    static constexpr size_t kSize = 16;

    uint32_t Signature;
    uint32_t Crc32;
    uint32_t CompressedSize;
    uint32_t UncompressedSize;

    static DataDescriptor Read(const uint8_t* p);
    void Write(uint8_t* p) const;
};

// Followed by the name, the extra field and the file comment.
struct CentralDirHeader {
    static constexpr size_t kSize = 46;

    uint32_t Signature;
    uint8_t MadeByVersion;
    uint8_t HostSystem;
    uint16_t VersionNeeded;
    uint16_t Flags;
    uint16_t Method;
    uint16_t ModTime;
    uint16_t ModDate;
    uint32_t Crc32;
    uint32_t CompressedSize;
    uint32_t UncompressedSize;
    uint16_t FileNameLength;
    uint16_t ExtraLength;
    uint16_t CommentLength;
    uint16_t DiskStart;
    uint16_t InternalAttributes;
    uint32_t ExternalAttributes;
    uint32_t LocalHeaderOffset;

    static CentralDirHeader Read(const uint8_t* p);
    void Write(uint8_t* p) const;
};

// Followed by the archive comment.
struct EndOfCentralDir {
    static constexpr size_t kSize = 22;

    uint32_t Signature;
    uint16_t ThisDiskNo;
    uint16_t CentralDirDisk;
    uint16_t EntriesThisDisk;
    uint16_t TotalEntries;
    uint32_t CentralDirSize;
    uint32_t CentralDirOffset;
    uint16_t CommentLength;

    static EndOfCentralDir Read(const uint8_t* p);
    void Write(uint8_t* p) const;
};

// Written before the end record when a count, size or offset does not fit it; RecordSize counts the
// bytes after itself (44 without extensible data).
struct Zip64EndRecord {
    static constexpr size_t kSize = 56;

    uint32_t Signature;
    uint64_t RecordSize;
    uint16_t MadeByVersion;
    uint16_t VersionNeeded;
    uint32_t ThisDiskNo;
    uint32_t CentralDirDisk;
    uint64_t EntriesThisDisk;
    uint64_t TotalEntries;
    uint64_t CentralDirSize;
    uint64_t CentralDirOffset;

    static Zip64EndRecord Read(const uint8_t* p);
};

// Directly before the end record; points at the Zip64EndRecord.
struct Zip64Locator {
    static constexpr size_t kSize = 20;

    uint32_t Signature;
    uint32_t EndRecordDisk;
    uint64_t EndRecordOffset;
    uint32_t TotalDisks;

    static Zip64Locator Read(const uint8_t* p);
};

#pragma pack(pop)

static_assert(sizeof(LocalFileHeader) == LocalFileHeader::kSize);
static_assert(offsetof(LocalFileHeader, VersionNeeded) == 4);
static_assert(offsetof(LocalFileHeader, Flags) == 6);
static_assert(offsetof(LocalFileHeader, Method) == 8);
static_assert(offsetof(LocalFileHeader, ModTime) == 10);
static_assert(offsetof(LocalFileHeader, ModDate) == 12);
static_assert(offsetof(LocalFileHeader, Crc32) == 14);
static_assert(offsetof(LocalFileHeader, CompressedSize) == 18);
static_assert(offsetof(LocalFileHeader, UncompressedSize) == 22);
static_assert(offsetof(LocalFileHeader, FileNameLength) == 26);
static_assert(offsetof(LocalFileHeader, ExtraLength) == 28);

static_assert(sizeof(DataDescriptor) == DataDescriptor::kSize);
static_assert(offsetof(DataDescriptor, Crc32) == 4);
static_assert(offsetof(DataDescriptor, CompressedSize) == 8);
static_assert(offsetof(DataDescriptor, UncompressedSize) == 12);

static_assert(sizeof(CentralDirHeader) == CentralDirHeader::kSize);
static_assert(offsetof(CentralDirHeader, MadeByVersion) == 4);
static_assert(offsetof(CentralDirHeader, HostSystem) == 5);
static_assert(offsetof(CentralDirHeader, VersionNeeded) == 6);
static_assert(offsetof(CentralDirHeader, Flags) == 8);
static_assert(offsetof(CentralDirHeader, Method) == 10);
static_assert(offsetof(CentralDirHeader, ModTime) == 12);
static_assert(offsetof(CentralDirHeader, ModDate) == 14);
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

static_assert(sizeof(EndOfCentralDir) == EndOfCentralDir::kSize);
static_assert(offsetof(EndOfCentralDir, ThisDiskNo) == 4);
static_assert(offsetof(EndOfCentralDir, CentralDirDisk) == 6);
static_assert(offsetof(EndOfCentralDir, EntriesThisDisk) == 8);
static_assert(offsetof(EndOfCentralDir, TotalEntries) == 10);
static_assert(offsetof(EndOfCentralDir, CentralDirSize) == 12);
static_assert(offsetof(EndOfCentralDir, CentralDirOffset) == 16);
static_assert(offsetof(EndOfCentralDir, CommentLength) == 20);

static_assert(sizeof(Zip64EndRecord) == Zip64EndRecord::kSize);
static_assert(offsetof(Zip64EndRecord, RecordSize) == 4);
static_assert(offsetof(Zip64EndRecord, ThisDiskNo) == 16);
static_assert(offsetof(Zip64EndRecord, CentralDirDisk) == 20);
static_assert(offsetof(Zip64EndRecord, EntriesThisDisk) == 24);
static_assert(offsetof(Zip64EndRecord, TotalEntries) == 32);
static_assert(offsetof(Zip64EndRecord, CentralDirSize) == 40);
static_assert(offsetof(Zip64EndRecord, CentralDirOffset) == 48);

static_assert(sizeof(Zip64Locator) == Zip64Locator::kSize);
static_assert(offsetof(Zip64Locator, EndRecordDisk) == 4);
static_assert(offsetof(Zip64Locator, EndRecordOffset) == 8);
static_assert(offsetof(Zip64Locator, TotalDisks) == 16);

}  // namespace ruvu::zip
