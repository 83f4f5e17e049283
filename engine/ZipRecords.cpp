#include "engine/ZipRecords.h"

namespace ruvu::zip {

LocalFileHeader LocalFileHeader::Read(const uint8_t* p) {
    LocalFileHeader r;
    r.Signature = GetU32(p + offsetof(LocalFileHeader, Signature));
    r.VersionNeeded = GetU16(p + offsetof(LocalFileHeader, VersionNeeded));
    r.Flags = GetU16(p + offsetof(LocalFileHeader, Flags));
    r.Method = GetU16(p + offsetof(LocalFileHeader, Method));
    r.ModTime = GetU16(p + offsetof(LocalFileHeader, ModTime));
    r.ModDate = GetU16(p + offsetof(LocalFileHeader, ModDate));
    r.Crc32 = GetU32(p + offsetof(LocalFileHeader, Crc32));
    r.CompressedSize = GetU32(p + offsetof(LocalFileHeader, CompressedSize));
    r.UncompressedSize = GetU32(p + offsetof(LocalFileHeader, UncompressedSize));
    r.FileNameLength = GetU16(p + offsetof(LocalFileHeader, FileNameLength));
    r.ExtraLength = GetU16(p + offsetof(LocalFileHeader, ExtraLength));
    return r;
}

void LocalFileHeader::Write(uint8_t* p) const {
    PutU32(p + offsetof(LocalFileHeader, Signature), Signature);
    PutU16(p + offsetof(LocalFileHeader, VersionNeeded), VersionNeeded);
    PutU16(p + offsetof(LocalFileHeader, Flags), Flags);
    PutU16(p + offsetof(LocalFileHeader, Method), Method);
    PutU16(p + offsetof(LocalFileHeader, ModTime), ModTime);
    PutU16(p + offsetof(LocalFileHeader, ModDate), ModDate);
    PutU32(p + offsetof(LocalFileHeader, Crc32), Crc32);
    PutU32(p + offsetof(LocalFileHeader, CompressedSize), CompressedSize);
    PutU32(p + offsetof(LocalFileHeader, UncompressedSize), UncompressedSize);
    PutU16(p + offsetof(LocalFileHeader, FileNameLength), FileNameLength);
    PutU16(p + offsetof(LocalFileHeader, ExtraLength), ExtraLength);
}

DataDescriptor DataDescriptor::Read(const uint8_t* p) {
    DataDescriptor r;
    r.Signature = GetU32(p + offsetof(DataDescriptor, Signature));
    r.Crc32 = GetU32(p + offsetof(DataDescriptor, Crc32));
    r.CompressedSize = GetU32(p + offsetof(DataDescriptor, CompressedSize));
    r.UncompressedSize = GetU32(p + offsetof(DataDescriptor, UncompressedSize));
    return r;
}

void DataDescriptor::Write(uint8_t* p) const {
    PutU32(p + offsetof(DataDescriptor, Signature), Signature);
    PutU32(p + offsetof(DataDescriptor, Crc32), Crc32);
    PutU32(p + offsetof(DataDescriptor, CompressedSize), CompressedSize);
    PutU32(p + offsetof(DataDescriptor, UncompressedSize), UncompressedSize);
}

CentralDirHeader CentralDirHeader::Read(const uint8_t* p) {
    CentralDirHeader r;
    r.Signature = GetU32(p + offsetof(CentralDirHeader, Signature));
    r.MadeByVersion = p[offsetof(CentralDirHeader, MadeByVersion)];
    r.HostSystem = p[offsetof(CentralDirHeader, HostSystem)];
    r.VersionNeeded = GetU16(p + offsetof(CentralDirHeader, VersionNeeded));
    r.Flags = GetU16(p + offsetof(CentralDirHeader, Flags));
    r.Method = GetU16(p + offsetof(CentralDirHeader, Method));
    r.ModTime = GetU16(p + offsetof(CentralDirHeader, ModTime));
    r.ModDate = GetU16(p + offsetof(CentralDirHeader, ModDate));
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

void CentralDirHeader::Write(uint8_t* p) const {
    PutU32(p + offsetof(CentralDirHeader, Signature), Signature);
    p[offsetof(CentralDirHeader, MadeByVersion)] = MadeByVersion;
    p[offsetof(CentralDirHeader, HostSystem)] = HostSystem;
    PutU16(p + offsetof(CentralDirHeader, VersionNeeded), VersionNeeded);
    PutU16(p + offsetof(CentralDirHeader, Flags), Flags);
    PutU16(p + offsetof(CentralDirHeader, Method), Method);
    PutU16(p + offsetof(CentralDirHeader, ModTime), ModTime);
    PutU16(p + offsetof(CentralDirHeader, ModDate), ModDate);
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
}

EndOfCentralDir EndOfCentralDir::Read(const uint8_t* p) {
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

void EndOfCentralDir::Write(uint8_t* p) const {
    PutU32(p + offsetof(EndOfCentralDir, Signature), Signature);
    PutU16(p + offsetof(EndOfCentralDir, ThisDiskNo), ThisDiskNo);
    PutU16(p + offsetof(EndOfCentralDir, CentralDirDisk), CentralDirDisk);
    PutU16(p + offsetof(EndOfCentralDir, EntriesThisDisk), EntriesThisDisk);
    PutU16(p + offsetof(EndOfCentralDir, TotalEntries), TotalEntries);
    PutU32(p + offsetof(EndOfCentralDir, CentralDirSize), CentralDirSize);
    PutU32(p + offsetof(EndOfCentralDir, CentralDirOffset), CentralDirOffset);
    PutU16(p + offsetof(EndOfCentralDir, CommentLength), CommentLength);
}

Zip64EndRecord Zip64EndRecord::Read(const uint8_t* p) {
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

Zip64Locator Zip64Locator::Read(const uint8_t* p) {
    Zip64Locator r;
    r.Signature = GetU32(p + offsetof(Zip64Locator, Signature));
    r.EndRecordDisk = GetU32(p + offsetof(Zip64Locator, EndRecordDisk));
    r.EndRecordOffset = GetU64(p + offsetof(Zip64Locator, EndRecordOffset));
    r.TotalDisks = GetU32(p + offsetof(Zip64Locator, TotalDisks));
    return r;
}

}  // namespace ruvu::zip
