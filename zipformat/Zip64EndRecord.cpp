#include "zipformat/Zip64EndRecord.h"

#include "zipformat/ByteOrder.h"

namespace ruvu::zip {

std::optional<Zip64EndRecord> Zip64EndRecord::Read(std::span<const uint8_t> bytes) {
    if (bytes.size() < kSize) {
        return std::nullopt;
    }
    const uint8_t* p = bytes.data();
    Zip64EndRecord r;
    r.Signature = GetU32(p + offsetof(Zip64EndRecord, Signature));
    r.RecordSize = GetU64(p + offsetof(Zip64EndRecord, RecordSize));
    r.MadeByVersion = GetU16(p + offsetof(Zip64EndRecord, MadeByVersion));
    r.VersionNeeded = GetU16(p + offsetof(Zip64EndRecord, VersionNeeded));
    r.ThisDiskNo = GetU32(p + offsetof(Zip64EndRecord, ThisDiskNo));
    r.CentralDirDisk = GetU32(p + offsetof(Zip64EndRecord, CentralDirDisk));
    r.EntriesThisDisk = GetU64(p + offsetof(Zip64EndRecord, EntriesThisDisk));
    r.TotalEntries = GetU64(p + offsetof(Zip64EndRecord, TotalEntries));
    r.CentralDirSize = GetU64(p + offsetof(Zip64EndRecord, CentralDirSize));
    r.CentralDirOffset = GetU64(p + offsetof(Zip64EndRecord, CentralDirOffset));
    return r;
}

bool Zip64EndRecord::Write(std::span<uint8_t> out) const {
    if (out.size() < kSize) {
        return false;
    }
    uint8_t* p = out.data();
    PutU32(p + offsetof(Zip64EndRecord, Signature), Signature);
    PutU64(p + offsetof(Zip64EndRecord, RecordSize), RecordSize);
    PutU16(p + offsetof(Zip64EndRecord, MadeByVersion), MadeByVersion);
    PutU16(p + offsetof(Zip64EndRecord, VersionNeeded), VersionNeeded);
    PutU32(p + offsetof(Zip64EndRecord, ThisDiskNo), ThisDiskNo);
    PutU32(p + offsetof(Zip64EndRecord, CentralDirDisk), CentralDirDisk);
    PutU64(p + offsetof(Zip64EndRecord, EntriesThisDisk), EntriesThisDisk);
    PutU64(p + offsetof(Zip64EndRecord, TotalEntries), TotalEntries);
    PutU64(p + offsetof(Zip64EndRecord, CentralDirSize), CentralDirSize);
    PutU64(p + offsetof(Zip64EndRecord, CentralDirOffset), CentralDirOffset);
    return true;
}

}  // namespace ruvu::zip
