#include "zipformat/EndOfCentralDir.h"

#include "zipformat/ByteOrder.h"
#include "zipformat/ZipConstants.h"

namespace ruvu::zip {

std::optional<EndOfCentralDir> EndOfCentralDir::Read(std::span<const uint8_t> bytes) {
    if (bytes.size() < kSize) {
        return std::nullopt;
    }
    const uint8_t* p = bytes.data();
    EndOfCentralDir r;
    r.Signature = GetU32(p + offsetof(EndOfCentralDir, Signature));
    r.ThisDiskNo = GetU16(p + offsetof(EndOfCentralDir, ThisDiskNo));
    r.CentralDirDisk = GetU16(p + offsetof(EndOfCentralDir, CentralDirDisk));
    r.EntriesThisDisk = GetU16(p + offsetof(EndOfCentralDir, EntriesThisDisk));
    r.TotalEntries = GetU16(p + offsetof(EndOfCentralDir, TotalEntries));
    r.CentralDirSize = GetU32(p + offsetof(EndOfCentralDir, CentralDirSize));
    r.CentralDirOffset = GetU32(p + offsetof(EndOfCentralDir, CentralDirOffset));
    r.CommentLength = GetU16(p + offsetof(EndOfCentralDir, CommentLength));
    return r;
}

bool EndOfCentralDir::Write(std::span<uint8_t> out) const {
    if (out.size() < kSize) {
        return false;
    }
    uint8_t* p = out.data();
    PutU32(p + offsetof(EndOfCentralDir, Signature), Signature);
    PutU16(p + offsetof(EndOfCentralDir, ThisDiskNo), ThisDiskNo);
    PutU16(p + offsetof(EndOfCentralDir, CentralDirDisk), CentralDirDisk);
    PutU16(p + offsetof(EndOfCentralDir, EntriesThisDisk), EntriesThisDisk);
    PutU16(p + offsetof(EndOfCentralDir, TotalEntries), TotalEntries);
    PutU32(p + offsetof(EndOfCentralDir, CentralDirSize), CentralDirSize);
    PutU32(p + offsetof(EndOfCentralDir, CentralDirOffset), CentralDirOffset);
    PutU16(p + offsetof(EndOfCentralDir, CommentLength), CommentLength);
    return true;
}

bool EndOfCentralDir::UsesZip64() const {
    return ThisDiskNo == kZip64Marker16 || CentralDirDisk == kZip64Marker16 ||
           EntriesThisDisk == kZip64Marker16 || TotalEntries == kZip64Marker16 ||
           CentralDirSize == kZip64Marker32 || CentralDirOffset == kZip64Marker32;
}

}  // namespace ruvu::zip
