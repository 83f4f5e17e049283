// The zip records as the two libraries read and write them: local file header, central directory
// header, end of central directory record, and the constants that go with them. Parsing checks every
// length against the bytes given; serialising writes exactly the layout other zip tools expect.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ruvu::libcommon {

inline constexpr uint32_t kLocalHeaderSignature = 0x04034B50;
inline constexpr uint32_t kCentralHeaderSignature = 0x02014B50;
inline constexpr uint32_t kEndRecordSignature = 0x06054B50;
inline constexpr uint32_t kDataDescriptorSignature = 0x08074B50;
inline constexpr uint32_t kZip64EndRecordSignature = 0x06064B50;
inline constexpr uint32_t kZip64LocatorSignature = 0x07064B50;

inline constexpr size_t kLocalHeaderSize = 30;
inline constexpr size_t kCentralHeaderSize = 46;
inline constexpr size_t kEndRecordSize = 22;
inline constexpr size_t kZip64LocatorSize = 20;
// The end record with the longest possible comment: the window searched backwards for it.
inline constexpr size_t kEndRecordSearchWindow = kEndRecordSize + 0xFFFF;

// General purpose flag bits.
inline constexpr uint16_t kFlagEncrypted = 0x0001;
inline constexpr uint16_t kFlagDataDescriptor = 0x0008;
inline constexpr uint16_t kFlagStrongEncryption = 0x0040;
inline constexpr uint16_t kFlagUtf8 = 0x0800;

inline constexpr uint16_t kMethodStored = 0;
inline constexpr uint16_t kMethodDeflated = 8;

// Host systems of "version made by" (its high byte).
inline constexpr uint8_t kHostMsDos = 0;
inline constexpr uint8_t kHostUnix = 3;
inline constexpr uint8_t kHostHpfs = 6;
inline constexpr uint8_t kHostNtfs = 11;

// DOS attribute bits of the external attributes' low byte.
inline constexpr uint32_t kDosReadOnly = 0x01;
inline constexpr uint32_t kDosHidden = 0x02;
inline constexpr uint32_t kDosVolumeLabel = 0x08;
inline constexpr uint32_t kDosDirectory = 0x10;
inline constexpr uint32_t kDosArchive = 0x20;

// Values that mark a field as moved into a ZIP64 extra field.
inline constexpr uint16_t kZip64Marker16 = 0xFFFF;
inline constexpr uint32_t kZip64Marker32 = 0xFFFFFFFF;
inline constexpr uint16_t kZip64ExtraId = 0x0001;

struct LocalHeader {
    uint16_t versionNeeded = 20;
    uint16_t flags = 0;
    uint16_t method = kMethodStored;
    uint32_t dosDateTime = 0;  // time in the low word, date in the high word
    uint32_t crc32 = 0;
    uint32_t compressedSize = 0;
    uint32_t uncompressedSize = 0;
    std::string name;  // raw bytes as stored
    std::string extra;

    // Parses the 30 fixed bytes; the name and extra field lengths come back through the arguments
    // (the caller reads those bytes). nullopt when the signature is wrong.
    static std::optional<LocalHeader> ParseFixed(const uint8_t* fixed, uint16_t& nameLength,
                                                 uint16_t& extraLength);
    std::string Serialize() const;
    size_t Size() const { return kLocalHeaderSize + name.size() + extra.size(); }
};

struct CentralHeader {
    uint8_t madeByVersion = 30;  // specification version, 30 = 3.0
    uint8_t hostSystem = kHostUnix;
    uint16_t versionNeeded = 20;
    uint16_t flags = 0;
    uint16_t method = kMethodStored;
    uint32_t dosDateTime = 0;
    uint32_t crc32 = 0;
    uint32_t compressedSize = 0;
    uint32_t uncompressedSize = 0;
    uint16_t diskStart = 0;
    uint16_t internalAttributes = 0;
    uint32_t externalAttributes = 0;
    uint32_t localHeaderOffset = 0;
    std::string name;
    std::string extra;
    std::string comment;

    // Parses one header at the start of bytes; consumed gets its whole length. nullopt when the
    // signature is wrong or the header or its variable parts do not fit.
    static std::optional<CentralHeader> Parse(std::string_view bytes, size_t& consumed);
    std::string Serialize() const;

    bool IsEncrypted() const { return (flags & kFlagEncrypted) != 0; }
    bool IsUtf8() const { return (flags & kFlagUtf8) != 0; }
    // A folder entry: its name ends with "/" (or "\" as some tools wrote it).
    bool IsDirectory() const;
    // Sizes or offset held in a ZIP64 extra field.
    bool UsesZip64() const;
    // The Unix mode in the high 16 bits of the external attributes (entries made on Unix), else 0.
    uint32_t UnixMode() const;
};

struct EndRecord {
    uint16_t diskNumber = 0;
    uint16_t centralDirDisk = 0;
    uint16_t entriesOnDisk = 0;
    uint16_t totalEntries = 0;
    uint32_t centralDirSize = 0;
    uint32_t centralDirOffset = 0;
    std::string comment;

    // Parses the 22 fixed bytes (the comment length comes back through the argument).
    static std::optional<EndRecord> ParseFixed(const uint8_t* fixed, uint16_t& commentLength);
    std::string Serialize() const;
    bool UsesZip64() const;
};

}  // namespace ruvu::libcommon
