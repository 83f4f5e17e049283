#include "zipformat/CentralDirHeader.h"

#include "zipformat/ByteOrder.h"
#include "zipformat/ExtraField.h"
#include "zipformat/ZipConstants.h"

namespace ruvu::zip {

std::optional<CentralDirHeader> CentralDirHeader::Read(std::span<const uint8_t> bytes) {
    if (bytes.size() < kSize) {
        return std::nullopt;
    }
    const uint8_t* p = bytes.data();
    CentralDirHeader r;
    r.Signature = GetU32(p + offsetof(CentralDirHeader, Signature));
    r.MadeByVersion = p[offsetof(CentralDirHeader, MadeByVersion)];
    r.HostSystem = p[offsetof(CentralDirHeader, HostSystem)];
    r.VersionNeeded = GetU16(p + offsetof(CentralDirHeader, VersionNeeded));
    r.Flags = GetU16(p + offsetof(CentralDirHeader, Flags));
    r.Method = GetU16(p + offsetof(CentralDirHeader, Method));
    r.DosDateTime = GetU32(p + offsetof(CentralDirHeader, DosDateTime));
    r.Crc32 = GetU32(p + offsetof(CentralDirHeader, Crc32));
    r.CompressedSize = GetU32(p + offsetof(CentralDirHeader, CompressedSize));
    r.UncompressedSize = GetU32(p + offsetof(CentralDirHeader, UncompressedSize));
    r.FileNameLength = GetU16(p + offsetof(CentralDirHeader, FileNameLength));
    r.ExtraLength = GetU16(p + offsetof(CentralDirHeader, ExtraLength));
    r.CommentLength = GetU16(p + offsetof(CentralDirHeader, CommentLength));
    r.DiskStart = GetU16(p + offsetof(CentralDirHeader, DiskStart));
    r.InternalAttributes = GetU16(p + offsetof(CentralDirHeader, InternalAttributes));
    r.ExternalAttributes = GetU32(p + offsetof(CentralDirHeader, ExternalAttributes));
    r.LocalHeaderOffset = GetU32(p + offsetof(CentralDirHeader, LocalHeaderOffset));
    return r;
}

bool CentralDirHeader::Write(std::span<uint8_t> out) const {
    if (out.size() < kSize) {
        return false;
    }
    uint8_t* p = out.data();
    PutU32(p + offsetof(CentralDirHeader, Signature), Signature);
    p[offsetof(CentralDirHeader, MadeByVersion)] = MadeByVersion;
    p[offsetof(CentralDirHeader, HostSystem)] = HostSystem;
    PutU16(p + offsetof(CentralDirHeader, VersionNeeded), VersionNeeded);
    PutU16(p + offsetof(CentralDirHeader, Flags), Flags);
    PutU16(p + offsetof(CentralDirHeader, Method), Method);
    PutU32(p + offsetof(CentralDirHeader, DosDateTime), DosDateTime);
    PutU32(p + offsetof(CentralDirHeader, Crc32), Crc32);
    PutU32(p + offsetof(CentralDirHeader, CompressedSize), CompressedSize);
    PutU32(p + offsetof(CentralDirHeader, UncompressedSize), UncompressedSize);
    PutU16(p + offsetof(CentralDirHeader, FileNameLength), FileNameLength);
    PutU16(p + offsetof(CentralDirHeader, ExtraLength), ExtraLength);
    PutU16(p + offsetof(CentralDirHeader, CommentLength), CommentLength);
    PutU16(p + offsetof(CentralDirHeader, DiskStart), DiskStart);
    PutU16(p + offsetof(CentralDirHeader, InternalAttributes), InternalAttributes);
    PutU32(p + offsetof(CentralDirHeader, ExternalAttributes), ExternalAttributes);
    PutU32(p + offsetof(CentralDirHeader, LocalHeaderOffset), LocalHeaderOffset);
    return true;
}

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

}  // namespace ruvu::zip
