#include "zipformat/LocalFileHeader.h"

#include "zipformat/ByteOrder.h"

namespace ruvu::zip {

std::optional<LocalFileHeader> LocalFileHeader::Read(std::span<const uint8_t> bytes) {
    if (bytes.size() < kSize) {
        return std::nullopt;
    }
    const uint8_t* p = bytes.data();
    LocalFileHeader r;
    r.Signature = GetU32(p + offsetof(LocalFileHeader, Signature));
    r.VersionNeeded = GetU16(p + offsetof(LocalFileHeader, VersionNeeded));
    r.Flags = GetU16(p + offsetof(LocalFileHeader, Flags));
    r.Method = GetU16(p + offsetof(LocalFileHeader, Method));
    r.DosDateTime = GetU32(p + offsetof(LocalFileHeader, DosDateTime));
    r.Crc32 = GetU32(p + offsetof(LocalFileHeader, Crc32));
    r.CompressedSize = GetU32(p + offsetof(LocalFileHeader, CompressedSize));
    r.UncompressedSize = GetU32(p + offsetof(LocalFileHeader, UncompressedSize));
    r.FileNameLength = GetU16(p + offsetof(LocalFileHeader, FileNameLength));
    r.ExtraLength = GetU16(p + offsetof(LocalFileHeader, ExtraLength));
    return r;
}

bool LocalFileHeader::Write(std::span<uint8_t> out) const {
    if (out.size() < kSize) {
        return false;
    }
    uint8_t* p = out.data();
    PutU32(p + offsetof(LocalFileHeader, Signature), Signature);
    PutU16(p + offsetof(LocalFileHeader, VersionNeeded), VersionNeeded);
    PutU16(p + offsetof(LocalFileHeader, Flags), Flags);
    PutU16(p + offsetof(LocalFileHeader, Method), Method);
    PutU32(p + offsetof(LocalFileHeader, DosDateTime), DosDateTime);
    PutU32(p + offsetof(LocalFileHeader, Crc32), Crc32);
    PutU32(p + offsetof(LocalFileHeader, CompressedSize), CompressedSize);
    PutU32(p + offsetof(LocalFileHeader, UncompressedSize), UncompressedSize);
    PutU16(p + offsetof(LocalFileHeader, FileNameLength), FileNameLength);
    PutU16(p + offsetof(LocalFileHeader, ExtraLength), ExtraLength);
    return true;
}

std::string LocalFileEntry::Serialize() const {
    LocalFileHeader fixed = *this;
    fixed.FileNameLength = static_cast<uint16_t>(Name.size());
    fixed.ExtraLength = static_cast<uint16_t>(Extra.size());
    std::string out;
    out.reserve(kSize + Name.size() + Extra.size());
    fixed.AppendTo(out);
    return out.append(Name).append(Extra);
}

}  // namespace ruvu::zip
