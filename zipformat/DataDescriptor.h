// The data descriptor: the CRC and sizes of an entry written after its data when flag bit 3 is set.
// The system writes and expects the 16-byte form with its signature; other tools may leave the
// signature out (12 bytes).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "zipformat/ByteOrder.h"

namespace ruvu::zip {

struct DataDescriptor {
    static constexpr uint32_t kSignature = 0x08074B50;  // "PK", 7, 8
    static constexpr size_t kSize = 16;
    static constexpr size_t kSizeWithoutSignature = 12;
    // After an entry with a ZIP64 block in its local header, both sizes are 8 bytes wide.
    static constexpr size_t kZip64Size = 24;
    static constexpr size_t kZip64SizeWithoutSignature = 20;

    Le32 Signature{kSignature};  // 0
    Le32 Crc32{};                // 4
    Le32 CompressedSize{};       // 8
    Le32 UncompressedSize{};     // 12

    // The 16-byte form at the start of bytes; nullopt when fewer than kSize bytes are given.
    static std::optional<DataDescriptor> Read(std::span<const uint8_t> bytes) {
        return ReadRecord<DataDescriptor>(bytes);
    }
    bool Write(std::span<uint8_t> out) const { return WriteRecord(*this, out); }
    void AppendTo(std::string& out) const { AppendRecord(*this, out); }
};

static_assert(sizeof(DataDescriptor) == DataDescriptor::kSize);
static_assert(offsetof(DataDescriptor, Signature) == 0);
static_assert(offsetof(DataDescriptor, Crc32) == 4);
static_assert(offsetof(DataDescriptor, CompressedSize) == 8);
static_assert(offsetof(DataDescriptor, UncompressedSize) == 12);

// The length of the data descriptor that starts with these bytes (at least 8 are needed): kSize when
// it opens with its signature, kSizeWithoutSignature when it opens with the CRC (kZip64Size and
// kZip64SizeWithoutSignature for the ZIP64 form). crc is the entry's CRC from its central header,
// which tells the two forms apart even when it equals the signature.
inline size_t DataDescriptorLength(std::span<const uint8_t> first, uint32_t crc, bool zip64 = false) {
    const size_t sizes = zip64 ? 16 : 8;
    bool withSignature = first.size() >= 8 && GetU32(first.data()) == DataDescriptor::kSignature;
    if (withSignature && crc == DataDescriptor::kSignature) {
        // The CRC is the signature's value: the signed form repeats it in the next field.
        withSignature = GetU32(first.data() + 4) == crc;
    }
    return (withSignature ? 8 : 4) + sizes;
}

}  // namespace ruvu::zip
