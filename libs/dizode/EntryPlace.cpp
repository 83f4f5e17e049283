#include "libs/dizode/EntryPlace.h"

#include <algorithm>
#include <optional>

#include "zipformat/ExtraField.h"
#include "zipformat/LocalFileHeader.h"

namespace ruvu::dizode {

namespace {

std::optional<uint64_t> IfTooLarge(uint64_t value) {
    return NeedsZip64(value) ? std::optional<uint64_t>(value) : std::nullopt;
}

uint32_t FieldFor(uint64_t value) {
    return NeedsZip64(value) ? zip::kZip64Marker32 : static_cast<uint32_t>(value);
}

}  // namespace

void SetCentralPlace(zip::CentralDirEntry& header, const EntryPlace& place) {
    const std::string block =
        zip::Zip64ExtraBlock(IfTooLarge(place.uncompressedSize), IfTooLarge(place.compressedSize),
                             IfTooLarge(place.localHeaderOffset));
    header.Extra = block + zip::WithoutExtraBlocks(header.Extra, zip::kExtraZip64);
    header.UncompressedSize = FieldFor(place.uncompressedSize);
    header.CompressedSize = FieldFor(place.compressedSize);
    header.LocalHeaderOffset = FieldFor(place.localHeaderOffset);
    header.DiskStart = 0;
    if (!block.empty() || place.localZip64) {
        header.VersionNeeded = std::max<uint16_t>(header.VersionNeeded, zip::kVersionZip64);
    }
}

std::string LocalHeaderFor(const zip::CentralDirEntry& header, const EntryPlace& place) {
    zip::LocalFileEntry local;
    local.VersionNeeded = header.VersionNeeded;
    local.Flags = header.Flags;
    local.Method = header.Method;
    local.DosDateTime = header.DosDateTime;
    local.Crc32 = header.Crc32;
    local.Name = header.Name;
    // The other blocks (the exact time) go into the local header too; its ZIP64 block is its own.
    local.Extra = zip::WithoutExtraBlocks(header.Extra, zip::kExtraZip64);
    if (place.localZip64) {
        local.VersionNeeded = std::max<uint16_t>(local.VersionNeeded, zip::kVersionZip64);
        local.CompressedSize = local.UncompressedSize = zip::kZip64Marker32;
        local.Extra.insert(0,
                           zip::Zip64ExtraBlock(place.uncompressedSize, place.compressedSize, std::nullopt));
    } else {
        local.CompressedSize = static_cast<uint32_t>(place.compressedSize);
        local.UncompressedSize = static_cast<uint32_t>(place.uncompressedSize);
    }
    return local.Serialize();
}

}  // namespace ruvu::dizode
