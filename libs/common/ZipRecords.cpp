#include "libs/common/ZipRecords.h"

#include "libs/common/ByteOrder.h"

namespace ruvu::libcommon {

std::optional<LocalHeader> LocalHeader::ParseFixed(const uint8_t* p, uint16_t& nameLength,
                                                   uint16_t& extraLength) {
    if (Get32(p) != kLocalHeaderSignature) {
        return std::nullopt;
    }
    LocalHeader h;
    h.versionNeeded = Get16(p + 4);
    h.flags = Get16(p + 6);
    h.method = Get16(p + 8);
    h.dosDateTime = Get32(p + 10);
    h.crc32 = Get32(p + 14);
    h.compressedSize = Get32(p + 18);
    h.uncompressedSize = Get32(p + 22);
    nameLength = Get16(p + 26);
    extraLength = Get16(p + 28);
    return h;
}

std::string LocalHeader::Serialize() const {
    std::string out;
    out.reserve(Size());
    ByteWriter(out)
        .U32(kLocalHeaderSignature)
        .U16(versionNeeded)
        .U16(flags)
        .U16(method)
        .U32(dosDateTime)
        .U32(crc32)
        .U32(compressedSize)
        .U32(uncompressedSize)
        .U16(static_cast<uint16_t>(name.size()))
        .U16(static_cast<uint16_t>(extra.size()))
        .Bytes(name)
        .Bytes(extra);
    return out;
}

std::optional<CentralHeader> CentralHeader::Parse(std::string_view bytes, size_t& consumed) {
    if (bytes.size() < kCentralHeaderSize) {
        return std::nullopt;
    }
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
    if (Get32(p) != kCentralHeaderSignature) {
        return std::nullopt;
    }
    const size_t nameLength = Get16(p + 28);
    const size_t extraLength = Get16(p + 30);
    const size_t commentLength = Get16(p + 32);
    const size_t total = kCentralHeaderSize + nameLength + extraLength + commentLength;
    if (total > bytes.size()) {
        return std::nullopt;
    }
    CentralHeader h;
    h.madeByVersion = p[4];
    h.hostSystem = p[5];
    h.versionNeeded = Get16(p + 6);
    h.flags = Get16(p + 8);
    h.method = Get16(p + 10);
    h.dosDateTime = Get32(p + 12);
    h.crc32 = Get32(p + 16);
    h.compressedSize = Get32(p + 20);
    h.uncompressedSize = Get32(p + 24);
    h.diskStart = Get16(p + 34);
    h.internalAttributes = Get16(p + 36);
    h.externalAttributes = Get32(p + 38);
    h.localHeaderOffset = Get32(p + 42);
    size_t at = kCentralHeaderSize;
    h.name.assign(bytes.substr(at, nameLength));
    at += nameLength;
    h.extra.assign(bytes.substr(at, extraLength));
    at += extraLength;
    h.comment.assign(bytes.substr(at, commentLength));
    consumed = total;
    return h;
}

std::string CentralHeader::Serialize() const {
    std::string out;
    out.reserve(kCentralHeaderSize + name.size() + extra.size() + comment.size());
    ByteWriter(out)
        .U32(kCentralHeaderSignature)
        .U8(madeByVersion)
        .U8(hostSystem)
        .U16(versionNeeded)
        .U16(flags)
        .U16(method)
        .U32(dosDateTime)
        .U32(crc32)
        .U32(compressedSize)
        .U32(uncompressedSize)
        .U16(static_cast<uint16_t>(name.size()))
        .U16(static_cast<uint16_t>(extra.size()))
        .U16(static_cast<uint16_t>(comment.size()))
        .U16(diskStart)
        .U16(internalAttributes)
        .U32(externalAttributes)
        .U32(localHeaderOffset)
        .Bytes(name)
        .Bytes(extra)
        .Bytes(comment);
    return out;
}

bool CentralHeader::IsDirectory() const {
    return !name.empty() && (name.back() == '/' || name.back() == '\\');
}

bool CentralHeader::UsesZip64() const {
    if (compressedSize == kZip64Marker32 || uncompressedSize == kZip64Marker32 ||
        localHeaderOffset == kZip64Marker32 || diskStart == kZip64Marker16) {
        return true;
    }
    // An extra field of ID 1 carries ZIP64 values even when a tool left the markers out.
    const auto* p = reinterpret_cast<const uint8_t*>(extra.data());
    size_t at = 0;
    while (at + 4 <= extra.size()) {
        const uint16_t id = Get16(p + at);
        const size_t length = Get16(p + at + 2);
        if (id == kZip64ExtraId) {
            return true;
        }
        at += 4 + length;
    }
    return false;
}

uint32_t CentralHeader::UnixMode() const {
    return hostSystem == kHostUnix ? externalAttributes >> 16 : 0;
}

std::optional<EndRecord> EndRecord::ParseFixed(const uint8_t* p, uint16_t& commentLength) {
    if (Get32(p) != kEndRecordSignature) {
        return std::nullopt;
    }
    EndRecord e;
    e.diskNumber = Get16(p + 4);
    e.centralDirDisk = Get16(p + 6);
    e.entriesOnDisk = Get16(p + 8);
    e.totalEntries = Get16(p + 10);
    e.centralDirSize = Get32(p + 12);
    e.centralDirOffset = Get32(p + 16);
    commentLength = Get16(p + 20);
    return e;
}

std::string EndRecord::Serialize() const {
    std::string out;
    out.reserve(kEndRecordSize + comment.size());
    ByteWriter(out)
        .U32(kEndRecordSignature)
        .U16(diskNumber)
        .U16(centralDirDisk)
        .U16(entriesOnDisk)
        .U16(totalEntries)
        .U32(centralDirSize)
        .U32(centralDirOffset)
        .U16(static_cast<uint16_t>(comment.size()))
        .Bytes(comment);
    return out;
}

bool EndRecord::UsesZip64() const {
    return diskNumber == kZip64Marker16 || centralDirDisk == kZip64Marker16 ||
           entriesOnDisk == kZip64Marker16 || totalEntries == kZip64Marker16 ||
           centralDirSize == kZip64Marker32 || centralDirOffset == kZip64Marker32;
}

}  // namespace ruvu::libcommon
