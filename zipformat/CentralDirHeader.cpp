#include "zipformat/CentralDirHeader.h"

#include "zipformat/ByteOrder.h"
#include "zipformat/ExtraField.h"
#include "zipformat/ZipConstants.h"

namespace ruvu::zip {

bool IsDirectoryEntry(std::string_view storedName, uint8_t hostSystem, uint32_t externalAttributes) {
    if (!storedName.empty() && (storedName.back() == '/' || storedName.back() == '\\')) {
        return true;
    }
    const bool dosBit = (externalAttributes & kDosDirectory) != 0;
    switch (hostSystem) {
        case kHostMsDos:
        case kHostHpfs:
        case kHostNtfs:
        case kHostVfat:
            return dosBit;
        case kHostUnix: {
            const uint32_t mode = externalAttributes >> 16;
            return mode == 0 ? dosBit : (mode & kUnixTypeMask) == kUnixDirectory;
        }
        default:
            return false;
    }
}

std::string CentralDirEntry::Serialize() const {
    CentralDirHeader fixed = *this;
    fixed.FileNameLength = static_cast<uint16_t>(Name.size());
    fixed.ExtraLength = static_cast<uint16_t>(Extra.size());
    fixed.CommentLength = static_cast<uint16_t>(Comment.size());
    std::string out;
    out.reserve(kSize + Name.size() + Extra.size() + Comment.size());
    fixed.AppendTo(out);
    return out.append(Name).append(Extra).append(Comment);
}

bool CentralDirEntry::IsEncrypted() const {
    return (Flags & kFlagEncrypted) != 0;
}

bool CentralDirEntry::IsUtf8() const {
    return (Flags & kFlagUtf8) != 0;
}

uint32_t CentralDirEntry::UnixMode() const {
    return HostSystem == kHostUnix ? ExternalAttributes >> 16 : 0;
}

bool CentralDirEntry::UsesZip64() const {
    return CompressedSize == kZip64Marker32 || UncompressedSize == kZip64Marker32 ||
           LocalHeaderOffset == kZip64Marker32 || DiskStart == kZip64Marker16 ||
           FindExtraBlock(Extra, kExtraZip64).has_value();
}

Zip64Wanted CentralDirEntry::Zip64Fields() const {
    return {UncompressedSize == kZip64Marker32, CompressedSize == kZip64Marker32,
            LocalHeaderOffset == kZip64Marker32, DiskStart == kZip64Marker16};
}

std::optional<EntrySizes> CentralDirEntry::Sizes() const {
    EntrySizes sizes{CompressedSize, UncompressedSize, LocalHeaderOffset, DiskStart};
    const Zip64Wanted wanted = Zip64Fields();
    if (!wanted.Any()) {
        return sizes;
    }
    const Zip64Extra values = ReadZip64Extra(Extra, wanted);
    if (!values.Found) {
        return sizes;
    }
    if (!values.Complete(wanted)) {
        return std::nullopt;
    }
    sizes.CompressedSize = values.CompressedSize.value_or(sizes.CompressedSize);
    sizes.UncompressedSize = values.UncompressedSize.value_or(sizes.UncompressedSize);
    sizes.LocalHeaderOffset = values.LocalHeaderOffset.value_or(sizes.LocalHeaderOffset);
    sizes.DiskStart = values.DiskStart.value_or(sizes.DiskStart);
    return sizes;
}

}  // namespace ruvu::zip
