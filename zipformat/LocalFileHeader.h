// The local file header: 30 fixed bytes in front of each entry's name, extra field and data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "zipformat/ByteOrder.h"
#include "zipformat/ByteSource.h"

namespace ruvu::zip {

struct LocalFileHeader {
    static constexpr uint32_t kSignature = 0x04034B50;  // "PK", 3, 4
    static constexpr size_t kSize = 30;

    Le32 Signature{kSignature};  // 0
    Le16 VersionNeeded{};        // 4
    Le16 Flags{};                // 6: bit 3, a data descriptor follows the data
    Le16 Method{};               // 8
    Le32 DosDateTime{};          // 10: time in the low word (10), date in the high word (12)
    Le32 Crc32{};                // 14
    Le32 CompressedSize{};       // 18: the length of the data that follows
    Le32 UncompressedSize{};     // 22
    Le16 FileNameLength{};       // 26
    Le16 ExtraLength{};          // 28

    // The fixed part at the start of bytes; nullopt when fewer than kSize bytes are given. The
    // signature is read like any other field: callers check it.
    static std::optional<LocalFileHeader> Read(std::span<const uint8_t> bytes) {
        return ReadRecord<LocalFileHeader>(bytes);
    }
    // Writes the fixed part to the start of out; false (nothing written) when out is too short.
    bool Write(std::span<uint8_t> out) const { return WriteRecord(*this, out); }
    void AppendTo(std::string& out) const { AppendRecord(*this, out); }
    // The whole header: the fixed part, the name and the extra field.
    uint64_t HeaderLength() const { return kSize + uint64_t{FileNameLength} + ExtraLength; }
};

static_assert(sizeof(LocalFileHeader) == LocalFileHeader::kSize);
static_assert(offsetof(LocalFileHeader, Signature) == 0);
static_assert(offsetof(LocalFileHeader, VersionNeeded) == 4);
static_assert(offsetof(LocalFileHeader, Flags) == 6);
static_assert(offsetof(LocalFileHeader, Method) == 8);
static_assert(offsetof(LocalFileHeader, DosDateTime) == 10);
static_assert(offsetof(LocalFileHeader, Crc32) == 14);
static_assert(offsetof(LocalFileHeader, CompressedSize) == 18);
static_assert(offsetof(LocalFileHeader, UncompressedSize) == 22);
static_assert(offsetof(LocalFileHeader, FileNameLength) == 26);
static_assert(offsetof(LocalFileHeader, ExtraLength) == 28);

// A local header with its name and extra field as stored.
struct LocalFileEntry : LocalFileHeader {
    std::string Name;
    std::string Extra;

    // The whole header: the fixed part, with the lengths of Name and Extra, then both. Name and
    // Extra are at most 65535 bytes each.
    std::string Serialize() const;
};

enum class LocalEntryError {
    None,
    HeaderCut,     // fewer than 30 bytes at the position
    BadSignature,  // the 30 bytes are no local header
    NameCut,       // the name runs past the end
    ExtraCut,      // the extra field runs past the end
};

// Reads the local header at pos with its name and extra field into entry.
LocalEntryError ReadLocalEntry(ByteSource& source, uint64_t pos, LocalFileEntry& entry);

}  // namespace ruvu::zip
