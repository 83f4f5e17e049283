// The records field by field: what they write is what peers read, what peers write is read back
// here, lengths at their maximum survive, and a buffer one byte short is refused.
#include <gtest/gtest.h>

#include <cstring>
#include <tuple>

#include "tests/libsupport/PeerTools.h"
#include "tests/libsupport/TempFolder.h"
#include "zipformat/ByteOrder.h"
#include "zipformat/CentralDirWalk.h"
#include "zipformat/Crc32.h"
#include "zipformat/DataDescriptor.h"
#include "zipformat/EndRecordSearch.h"
#include "zipformat/ExtraField.h"
#include "zipformat/LocalFileHeader.h"
#include "zipformat/SpannedSetMarker.h"
#include "zipformat/Zip64EndRecord.h"
#include "zipformat/Zip64Locator.h"
#include "zipformat/ZipConstants.h"

namespace ruvu::zip {
namespace {

using testsupport::PythonInfo;
using testsupport::ReadFileBytes;
using testsupport::RunTool;

// Writes a record, checks the bytes a record one byte short would need are refused, and reads it back.
template <class Record>
void ExpectRoundTrip(const Record& record, std::string_view signature) {
    SCOPED_TRACE(signature);
    std::string bytes;
    record.AppendTo(bytes);
    ASSERT_EQ(bytes.size(), Record::kSize);
    EXPECT_EQ(bytes.substr(0, 4), signature);
    uint8_t shortBuffer[Record::kSize - 1];
    EXPECT_FALSE(record.Write(shortBuffer));
    EXPECT_FALSE(Record::Read(AsBytes(bytes).first(Record::kSize - 1)).has_value());
    const std::optional<Record> back = Record::Read(AsBytes(bytes));
    ASSERT_TRUE(back.has_value());
    std::string again;
    back->AppendTo(again);
    EXPECT_EQ(again, bytes);
    // Packed like the bytes, so the fields land where their offsets say.
    EXPECT_EQ(std::memcmp(&*back, bytes.data(), Record::kSize), 0);
}

TEST(ZipRecords, EveryRecordKeepsEveryFieldAtItsMaximumAndRefusesShortBuffers) {
    LocalFileHeader local;
    local.VersionNeeded = 0xFFFF;
    local.Flags = 0xFFFE;
    local.Method = 0xFFFD;
    local.DosDateTime = 0xFFFFFFFC;
    local.Crc32 = 0xFFFFFFFB;
    local.CompressedSize = kZip64Marker32;
    local.UncompressedSize = 0xFFFFFFFA;
    local.FileNameLength = 0xFFFF;
    local.ExtraLength = 0xFFF9;
    ExpectRoundTrip(local, "PK\x03\x04");

    DataDescriptor descriptor;
    descriptor.Crc32 = 0x89ABCDEF;
    descriptor.CompressedSize = 0xFFFFFFFF;
    descriptor.UncompressedSize = 0xFFFFFFFE;
    ExpectRoundTrip(descriptor, "PK\x07\x08");

    CentralDirHeader central;
    central.MadeByVersion = 0xFF;
    central.HostSystem = 0xFE;
    central.VersionNeeded = 0xFFFD;
    central.Flags = 0xFFFC;
    central.Method = 0xFFFB;
    central.DosDateTime = 0xFFFFFFFA;
    central.Crc32 = 0xFFFFFFF9;
    central.CompressedSize = kZip64Marker32;
    central.UncompressedSize = 0xFFFFFFF8;
    central.FileNameLength = 0xFFFF;
    central.ExtraLength = 0xFFFE;
    central.CommentLength = 0xFFFD;
    central.DiskStart = kZip64Marker16;
    central.InternalAttributes = 0xFFFC;
    central.ExternalAttributes = 0xFFFFFFF7;
    central.LocalHeaderOffset = 0xFFFFFFF6;
    ExpectRoundTrip(central, "PK\x01\x02");

    EndOfCentralDir end;
    end.ThisDiskNo = 0xFFFF;
    end.CentralDirDisk = 0xFFFE;
    end.EntriesThisDisk = 0xFFFD;
    end.TotalEntries = 0xFFFC;
    end.CentralDirSize = 0xFFFFFFFF;
    end.CentralDirOffset = 0xFFFFFFFE;
    end.CommentLength = 0xFFFF;
    ExpectRoundTrip(end, "PK\x05\x06");
    EXPECT_TRUE(end.UsesZip64());

    Zip64EndRecord end64;
    end64.RecordSize = 0xFFFFFFFFFFFFFFF0;
    end64.MadeByVersion = 0xFFFF;
    end64.VersionNeeded = 0xFFFE;
    end64.ThisDiskNo = 0xFFFFFFFF;
    end64.CentralDirDisk = 0xFFFFFFFE;
    end64.EntriesThisDisk = 0xFEDCBA9876543210;
    end64.TotalEntries = 0xFFFFFFFFFFFFFFFF;
    end64.CentralDirSize = 0x0123456789ABCDEF;
    end64.CentralDirOffset = 0x8000000000000001;
    ExpectRoundTrip(end64, "PK\x06\x06");

    Zip64Locator locator;
    locator.EndRecordDisk = 0xFFFFFFFF;
    locator.EndRecordOffset = 0xFFFFFFFFFFFFFFFE;
    locator.TotalDisks = 0xFFFFFFFD;
    ExpectRoundTrip(locator, "PK\x06\x07");

    const uint8_t marker[8] = {'P', 'K', 7, 8, 'P', 'K', 3, 4};
    EXPECT_TRUE(StartsSpannedSet(marker));
    EXPECT_FALSE(StartsSpannedSet(std::span(marker).first(7)));
}

// Two stored entries, their records written here: the peers must read the archive as built.
std::string ArchiveWithZip64EndRecords() {
    std::string archive;
    std::string directory;
    const std::tuple<std::string, std::string, uint8_t, uint32_t> files[] = {
        {"first.txt", "first file", kHostUnix, 0100644u << 16},
        {"dir/second.bin", std::string(300, '\x7F'), kHostMsDos, kDosReadOnly | kDosArchive},
    };
    for (const auto& [name, data, host, attributes] : files) {
        LocalFileEntry local;
        local.VersionNeeded = kVersionStored;
        local.DosDateTime = 0x5A8C6000;  // 2025-04-12 12:00:00
        local.Crc32 = Crc32(0, data.data(), data.size());
        local.CompressedSize = local.UncompressedSize = static_cast<uint32_t>(data.size());
        local.Name = name;
        CentralDirEntry central;
        central.MadeByVersion = 45;
        central.HostSystem = host;
        central.VersionNeeded = kVersionStored;
        central.DosDateTime = local.DosDateTime;
        central.Crc32 = local.Crc32;
        central.CompressedSize = central.UncompressedSize = local.CompressedSize;
        central.ExternalAttributes = attributes;
        central.LocalHeaderOffset = static_cast<uint32_t>(archive.size());
        central.Name = name;
        central.Comment = "comment of " + name;
        archive += local.Serialize() + data;
        directory += central.Serialize();
    }
    Zip64EndRecord end64;
    end64.MadeByVersion = 45;
    end64.VersionNeeded = 45;
    end64.EntriesThisDisk = end64.TotalEntries = 2;
    end64.CentralDirSize = directory.size();
    end64.CentralDirOffset = archive.size();
    archive += directory;
    Zip64Locator locator;
    locator.EndRecordOffset = archive.size();
    end64.AppendTo(archive);
    locator.AppendTo(archive);
    EndOfCentralDir end;
    end.EntriesThisDisk = end.TotalEntries = kZip64Marker16;
    end.CentralDirSize = end.CentralDirOffset = kZip64Marker32;
    end.CommentLength = 7;
    end.AppendTo(archive);
    return archive + "written";
}

TEST(ZipRecords, WhatIsWrittenHereIsWhatPeersRead) {
    testsupport::TempFolder tmp;
    tmp.Write("z64.zip", ArchiveWithZip64EndRecords());
    EXPECT_EQ(
        PythonInfo(tmp.Host("z64.zip")),
        (std::vector<std::string>{
            "first.txt|0|3|" + std::to_string(0100644u << 16) + "|0|" +
                std::to_string(Crc32(0, "first file", 10)) + "|10|10|comment of first.txt",
            "dir/second.bin|0|0|33|0|" + std::to_string(Crc32(0, std::string(300, '\x7F').data(), 300)) +
                "|300|300|comment of dir/second.bin"}));
    EXPECT_TRUE(testsupport::UnzipTest(tmp.Host("z64.zip")).Ok());
    EXPECT_TRUE(testsupport::SevenZipTest(tmp.Host("z64.zip")).Ok());
}

TEST(ZipRecords, WhatPeersWriteIsReadFieldByField) {
    testsupport::TempFolder tmp;
    // Written to a stream that cannot seek, so Python follows each entry with a data descriptor.
    ASSERT_TRUE(RunTool({"python3", "-c", R"(
import sys, zipfile
class Stream:
    def __init__(self, f): self.write, self.flush = f.write, f.flush
with open(sys.argv[1], "wb") as f, zipfile.ZipFile(Stream(f), "w") as z:
    z.comment = b"archive comment"
    info = zipfile.ZipInfo("a/deflated.txt", (2001, 2, 3, 4, 5, 6))
    info.compress_type = zipfile.ZIP_DEFLATED
    info.create_system = 3
    info.external_attr = 0o100600 << 16
    info.comment = b"file comment"
    info.extra = b"UT\x05\x00\x01\x01\x02\x03\x04"
    z.writestr(info, b"text " * 1000)
    with z.open("streamed.bin", "w") as out:
        out.write(bytes(range(256)) * 10)
)",
                         tmp.Host("peer.zip")})
                    .Ok());
    const std::string bytes = ReadFileBytes(tmp.Host("peer.zip"));
    MemorySource source(bytes);
    EndRecordLocation end;
    ASSERT_EQ(FindEndRecord(source, bytes.size(), end), EndRecordSearch::Found);
    EXPECT_TRUE(end.Fits);
    EXPECT_EQ(end.Comment, "archive comment");
    EXPECT_EQ(end.Record.TotalEntries, 2);

    ChunkReader reader(source, end.Directory.End - end.Directory.Size, end.Directory.End);
    std::vector<std::string> seen;
    for (int i = 0; i < end.Record.TotalEntries; ++i) {
        CentralDirEntry entry;
        ASSERT_EQ(ReadCentralEntry(reader, entry), CentralEntryError::None);
        const auto local = LocalFileHeader::Read(AsBytes(bytes).subspan(entry.LocalHeaderOffset));
        ASSERT_TRUE(local.has_value());
        EXPECT_EQ(local->Signature, LocalFileHeader::kSignature);
        EXPECT_EQ(std::string_view(bytes).substr(entry.LocalHeaderOffset + LocalFileHeader::kSize,
                                                 local->FileNameLength),
                  entry.Name);
        if ((local->Flags & kFlagDataDescriptor) != 0) {
            const size_t after = entry.LocalHeaderOffset + LocalFileHeader::kSize + local->FileNameLength +
                                 local->ExtraLength + entry.CompressedSize;
            const auto descriptor = DataDescriptor::Read(AsBytes(bytes).subspan(after));
            ASSERT_TRUE(descriptor.has_value());
            EXPECT_EQ(descriptor->Signature, DataDescriptor::kSignature);
            EXPECT_EQ(descriptor->Crc32, entry.Crc32);
            EXPECT_EQ(descriptor->CompressedSize, entry.CompressedSize);
        }
        seen.push_back(entry.Name + "|" + std::to_string(entry.Flags) + "|" +
                       std::to_string(entry.HostSystem) + "|" + std::to_string(entry.ExternalAttributes) +
                       "|" + std::to_string(entry.Method) + "|" + std::to_string(entry.Crc32) + "|" +
                       std::to_string(entry.CompressedSize) + "|" + std::to_string(entry.UncompressedSize) +
                       "|" + entry.Comment);
        if (i == 0) {
            EXPECT_EQ(entry.DosDateTime, (21u << 25 | 2u << 21 | 3u << 16 | 4u << 11 | 5u << 5 | 3u));
            EXPECT_EQ(ExtendedModTime(entry.Extra), std::optional<std::time_t>(0x04030201));
        }
    }
    EXPECT_EQ(seen, PythonInfo(tmp.Host("peer.zip")));
}

TEST(CentralDirWalk, LongestTextsSurviveAndEveryCutIsNamed) {
    CentralDirEntry entry;
    entry.HostSystem = kHostUnix;
    entry.Name = std::string(0xFFFF, 'n');
    entry.Extra = std::string(0xFFFF, 'e');
    entry.Comment = std::string(0xFFFF, 'c');
    const std::string one = entry.Serialize();
    ASSERT_EQ(one.size(), CentralDirHeader::kSize + 3 * 0xFFFF);
    const std::string two = one + one;

    {
        MemorySource source(two);
        // A small chunk makes the reader grow its buffer for the long texts.
        ChunkReader reader(source, 0, two.size(), 1000);
        for (int i = 0; i < 2; ++i) {
            CentralDirEntry back;
            ASSERT_EQ(ReadCentralEntry(reader, back), CentralEntryError::None);
            EXPECT_EQ(back.Serialize(), one);
        }
        CentralDirEntry none;
        EXPECT_EQ(ReadCentralEntry(reader, none), CentralEntryError::HeaderCut);
        EXPECT_EQ(reader.Position(), two.size());
    }
    std::string badSignature = one;
    badSignature[3] = 7;
    const struct {
        const char* what;
        std::string bytes;
        CentralEntryError error;
    } cases[] = {
        {"header", one.substr(0, CentralDirHeader::kSize - 1), CentralEntryError::HeaderCut},
        {"signature", badSignature, CentralEntryError::BadSignature},
        {"name", one.substr(0, CentralDirHeader::kSize + 0xFFFE), CentralEntryError::NameCut},
        {"extra", one.substr(0, CentralDirHeader::kSize + 2 * 0xFFFF - 1), CentralEntryError::ExtraCut},
        {"comment", one.substr(0, one.size() - 1), CentralEntryError::CommentCut},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MemorySource source(c.bytes);
        ChunkReader reader(source, 0);
        CentralDirEntry back;
        EXPECT_EQ(ReadCentralEntry(reader, back), c.error);
    }
    // The limit stops the reader even where the source goes on.
    MemorySource source(two);
    ChunkReader limited(source, 0, one.size() - 1);
    CentralDirEntry back;
    EXPECT_EQ(ReadCentralEntry(limited, back), CentralEntryError::CommentCut);
    limited.Restart(one.size());
    EXPECT_EQ(ReadCentralEntry(limited, back), CentralEntryError::HeaderCut);
}

std::string Block(uint16_t id, std::string_view data) {
    std::string out;
    ByteWriter(out).U16(id).U16(static_cast<uint16_t>(data.size())).Bytes(data);
    return out;
}

TEST(ExtraField, BlocksAreWalkedUntilOneRunsPastTheField) {
    const std::string unicode = std::string("\x01\x78\x56\x34\x12", 5) + "árvíz.txt";
    const std::string extra = Block(kExtraExtendedTimestamp, std::string("\x01\x10\x20\x30\x40", 5)) +
                              Block(kExtraUnicodePath, unicode) + Block(0xCAFE, "") +
                              Block(kExtraZip64, "12345678").substr(0, 7);
    std::vector<uint16_t> ids;
    EXPECT_FALSE(ForEachExtraBlock(extra, [&](uint16_t id, std::string_view) {
        ids.push_back(id);
        return true;
    }));
    EXPECT_EQ(ids, (std::vector<uint16_t>{kExtraExtendedTimestamp, kExtraUnicodePath, 0xCAFE}));
    EXPECT_FALSE(FindExtraBlock(extra, kExtraZip64).has_value());
    EXPECT_EQ(FindExtraBlock(extra, 0xCAFE), std::optional<std::string_view>(""));
    EXPECT_EQ(ExtendedModTime(extra), std::optional<std::time_t>(0x40302010));
    const auto path = FindUnicodeExtra(extra, kExtraUnicodePath);
    ASSERT_TRUE(path.has_value());
    EXPECT_EQ(path->Version, 1);
    EXPECT_EQ(path->StoredTextCrc32, 0x12345678u);
    EXPECT_EQ(path->Text, "árvíz.txt");

    // A timestamp block without its modification time, and a Unicode block too short to hold one.
    const std::string sparse = Block(kExtraExtendedTimestamp, std::string("\x02\x01\x02\x03\x04", 5)) +
                               Block(kExtraUnicodePath, "\x01");
    EXPECT_TRUE(ForEachExtraBlock(sparse, [](uint16_t, std::string_view) { return true; }));
    EXPECT_FALSE(ExtendedModTime(sparse).has_value());
    EXPECT_FALSE(FindUnicodeExtra(sparse, kExtraUnicodePath).has_value());

    CentralDirEntry entry;
    entry.Extra = Block(kExtraZip64, "12345678");
    EXPECT_TRUE(entry.UsesZip64());  // the block alone, without a marker
}

TEST(CentralDirEntry, FoldersByNameOrByTheAttributesOfTheirHost) {
    const struct {
        const char* name;
        uint8_t host;
        uint32_t attributes;
        bool folder;
    } cases[] = {
        {"def/", kHostUnix, 0100644u << 16, true},  // the name decides
        {"def\\", 7, 0, true},                      // also a backslash, on any host
        {"def", kHostMsDos, kDosDirectory, true},   // FAT
        {"def", kHostNtfs, kDosDirectory | kDosArchive, true},
        {"def", kHostHpfs, kDosDirectory, true},
        {"def", kHostVfat, kDosDirectory, true},
        {"def", kHostMsDos, kDosArchive, false},
        {"def", kHostUnix, 040755u << 16 | kDosDirectory, true},
        {"def", kHostUnix, 040755u << 16, true},
        {"def", kHostUnix, 0100644u << 16 | kDosDirectory, false},  // the mode wins
        {"def", kHostUnix, kDosDirectory, true},                    // no mode: the MS-DOS bit
        {"def", 7, kDosDirectory, false},                           // a host without those bits
        {"", kHostMsDos, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " host " + std::to_string(c.host));
        CentralDirEntry entry;
        entry.Name = c.name;
        entry.HostSystem = c.host;
        entry.ExternalAttributes = c.attributes;
        EXPECT_EQ(entry.IsDirectory(), c.folder);
    }
}

}  // namespace
}  // namespace ruvu::zip
