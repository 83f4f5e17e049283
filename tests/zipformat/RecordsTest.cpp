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
#include "zipformat/MethodName.h"
#include "zipformat/OffsetShift.h"
#include "zipformat/SpannedSetMarker.h"
#include "zipformat/Zip64EndRecord.h"
#include "zipformat/Zip64Locator.h"
#include "zipformat/ZipConstants.h"

namespace ruvu::zip {
namespace {

using testsupport::PythonInfo;
using testsupport::ReadFileBytes;
using testsupport::RunTool;

// Reads a record from bytes that fill it, checks each field came from its offset (the struct lies
// like the bytes) and that it writes the same bytes back; a buffer one byte short is refused.
template <class Record>
void ExpectRoundTrip(const std::string& bytes) {
    const std::optional<Record> record = Record::Read(AsBytes(bytes));
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(std::memcmp(&*record, bytes.data(), Record::kSize), 0);
    std::string again;
    record->AppendTo(again);
    EXPECT_EQ(again, bytes);
    uint8_t shortBuffer[Record::kSize - 1];
    EXPECT_FALSE(record->Write(shortBuffer));
    EXPECT_FALSE(Record::Read(AsBytes(bytes).first(Record::kSize - 1)).has_value());
}

template <class... Records>
void ExpectRoundTrips() {
    // Every field at the maximum of its width (lengths of 65535, ZIP64 markers, 64-bit values), then
    // a different value in every byte.
    for (const bool maximum : {true, false}) {
        SCOPED_TRACE(maximum ? "maximum" : "pattern");
        (
            [&] {
                std::string bytes(Records::kSize, '\xFF');
                for (size_t i = 0; i < bytes.size() && !maximum; ++i) {
                    bytes[i] = static_cast<char>(i * 7 + 1);
                }
                ExpectRoundTrip<Records>(bytes);
            }(),
            ...);
    }
}

TEST(ZipRecords, EveryFieldComesFromItsOffsetAndGoesBackThere) {
    ExpectRoundTrips<LocalFileHeader, DataDescriptor, CentralDirHeader, EndOfCentralDir, Zip64EndRecord,
                     Zip64Locator>();
    std::string record;
    EndOfCentralDir{}.AppendTo(record);
    EXPECT_EQ(record.substr(0, 4), "PK\x05\x06");
    EXPECT_TRUE(EndOfCentralDir::Read(AsBytes(std::string(22, '\xFF')))->UsesZip64());
    const uint8_t marker[8] = {'P', 'K', 7, 8, 'P', 'K', 3, 4};
    EXPECT_TRUE(StartsSpannedSet(marker));
    EXPECT_FALSE(StartsSpannedSet(std::span(marker).first(7)));
}

// Two stored entries, the second followed by a data descriptor, and the ZIP64 end records, all
// written here: the peers must read the archive as built.
std::string ArchiveWithZip64EndRecords() {
    std::string archive;
    std::string directory;
    const std::tuple<std::string, std::string, uint8_t, uint32_t> files[] = {
        {"first.txt", "first file", kHostUnix, 0100644u << 16},
        {"dir/second.bin", std::string(300, '\x7F'), kHostMsDos, kDosReadOnly | kDosArchive},
    };
    for (const auto& [name, data, host, attributes] : files) {
        CentralDirEntry central;
        central.MadeByVersion = 45;
        central.HostSystem = host;
        central.VersionNeeded = kVersionStored;
        central.Flags = host == kHostMsDos ? kFlagDataDescriptor : 0;
        central.DosDateTime = 0x5A8C6000;  // 2025-04-12 12:00:00
        central.Crc32 = Crc32(0, data.data(), data.size());
        central.CompressedSize = central.UncompressedSize = static_cast<uint32_t>(data.size());
        central.ExternalAttributes = attributes;
        central.LocalHeaderOffset = static_cast<uint32_t>(archive.size());
        central.Name = name;
        central.Comment = "comment of " + name;
        LocalFileEntry local;
        local.VersionNeeded = central.VersionNeeded;
        local.Flags = central.Flags;
        local.DosDateTime = central.DosDateTime;
        local.Name = name;
        DataDescriptor descriptor;
        descriptor.Crc32 = central.Crc32;
        descriptor.CompressedSize = descriptor.UncompressedSize = central.CompressedSize;
        if (central.Flags == 0) {
            local.Crc32 = central.Crc32;
            local.CompressedSize = local.UncompressedSize = central.CompressedSize;
        }
        archive += local.Serialize() + data;
        if (central.Flags != 0) {
            descriptor.AppendTo(archive);
        }
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
            "dir/second.bin|8|0|33|0|" + std::to_string(Crc32(0, std::string(300, '\x7F').data(), 300)) +
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

TEST(LocalFileEntry, LongestTextsSurviveAndEveryCutIsNamed) {
    LocalFileEntry entry;
    entry.Name = std::string(0xFFFF, 'n');
    entry.Extra = std::string(0xFFFF, 'e');
    const std::string one = "data" + entry.Serialize();
    LocalFileEntry back;
    MemorySource whole(one);
    ASSERT_EQ(ReadLocalEntry(whole, 4, back), LocalEntryError::None);
    EXPECT_EQ(back.Serialize(), one.substr(4));
    EXPECT_EQ(back.HeaderLength(), one.size() - 4);
    std::string badSignature = one;
    badSignature[4] = 'Q';
    const struct {
        const char* what;
        std::string bytes;
        LocalEntryError error;
    } cases[] = {
        {"header", one.substr(0, 4 + LocalFileHeader::kSize - 1), LocalEntryError::HeaderCut},
        {"signature", badSignature, LocalEntryError::BadSignature},
        {"name", one.substr(0, 4 + LocalFileHeader::kSize + 0xFFFE), LocalEntryError::NameCut},
        {"extra", one.substr(0, one.size() - 1), LocalEntryError::ExtraCut},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MemorySource source(c.bytes);
        EXPECT_EQ(ReadLocalEntry(source, 4, back), c.error);
    }
}

TEST(DataDescriptor, ItsLengthFollowsFromItsFirstBytesAndTheEntrysCrc) {
    const uint32_t signature = DataDescriptor::kSignature;
    const struct {
        const char* what;
        uint32_t first;
        uint32_t second;
        uint32_t crc;
        size_t length;
    } cases[] = {
        {"signed", signature, 0x12345678, 0x12345678, 16},
        {"unsigned", 0x12345678, 100, 0x12345678, 12},
        {"signed, the CRC being the signature", signature, signature, signature, 16},
        {"unsigned, the CRC being the signature", signature, 100, signature, 12},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        uint8_t bytes[8];
        PutU32(bytes, c.first);
        PutU32(bytes + 4, c.second);
        EXPECT_EQ(DataDescriptorLength(bytes, c.crc), c.length);
        // The ZIP64 form has 8-byte sizes.
        EXPECT_EQ(DataDescriptorLength(bytes, c.crc, true), c.length + 8);
    }
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

TEST(ExtraField, ExactTimesAreWrittenAsTheyAreReadAndOnlyWhereTheyFit) {
    const struct {
        int64_t time;
        bool fits;
    } cases[] = {
        {1700000001, true},
        {0, true},
        {-86400, true},
        {INT32_MAX, true},
        {INT32_MIN, true},
        {int64_t{INT32_MAX} + 1, false},
        {int64_t{INT32_MIN} - 1, false},
    };
    for (const auto& c : cases) {
        std::string extra = Block(0xCAFE, "kept");
        EXPECT_EQ(AppendExtendedModTime(extra, static_cast<std::time_t>(c.time)), c.fits) << c.time;
        EXPECT_EQ(extra.size(), 8 + (c.fits ? kExtendedModTimeBlockSize : 0)) << c.time;
        EXPECT_EQ(ExtendedModTime(extra), c.fits ? std::optional<std::time_t>(c.time) : std::nullopt)
            << c.time;
    }
}

TEST(MethodName, OtherMethodsAreNamedAndAesShowsItsKeyAndTheMethodUnderIt) {
    const auto aes = [](uint8_t strength, uint16_t method) {
        std::string data;
        ByteWriter(data).U16(AesExtra::kVersionAe2).U16(AesExtra::kVendorAe).U8(strength).U16(method);
        return Block(0xCAFE, "") + Block(kExtraAes, data);
    };
    const struct {
        uint16_t method;
        std::string extra;
        const char* name;
    } cases[] = {
        {kMethodStored, "", ""},
        {kMethodDeflated, aes(3, kMethodDeflated), ""},
        {kMethodDeflate64, "", "Deflate64"},
        {kMethodXz, "", "XZ"},
        {77, "", "77"},
        {kMethodAes, aes(3, kMethodDeflated), "AES-256 Deflate"},
        {kMethodAes, aes(1, kMethodStored), "AES-128"},
        {kMethodAes, aes(2, kMethodBzip2), "AES-192 BZip2"},
        {kMethodAes, aes(9, 200), "AES 200"},
        {kMethodAes, "", "AES"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MethodName(c.method, c.extra), c.name) << c.method;
    }
}

TEST(ExtraField, Zip64BlockHoldsOnlyTheGivenValuesInTheirFixedOrder) {
    auto u64 = [](uint64_t v) {
        std::string out;
        ByteWriter(out).U64(v);
        return out;
    };
    const uint64_t u = 0x1'0000'0001, c = 0x2'0000'0002, o = 0x3'0000'0003;
    EXPECT_EQ(Zip64ExtraBlock(std::nullopt, std::nullopt, std::nullopt), "");
    EXPECT_EQ(Zip64ExtraBlock(std::nullopt, std::nullopt, o), Block(kExtraZip64, u64(o)));
    EXPECT_EQ(Zip64ExtraBlock(u, c, std::nullopt), Block(kExtraZip64, u64(u) + u64(c)));
    EXPECT_EQ(Zip64ExtraBlock(u, std::nullopt, o), Block(kExtraZip64, u64(u) + u64(o)));
    EXPECT_EQ(Zip64ExtraBlock(u, c, o), Block(kExtraZip64, u64(u) + u64(c) + u64(o)));

    // Dropping the old block keeps every other block, and a cut one at the end as it was.
    const std::string time = Block(kExtraExtendedTimestamp, std::string("\x01\x10\x20\x30\x40", 5));
    const std::string cut = Block(0xCAFE, "1234").substr(0, 6);
    EXPECT_EQ(
        WithoutExtraBlocks(Block(kExtraZip64, u64(o)) + time + Block(kExtraZip64, "") + cut, kExtraZip64),
        time + cut);
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

std::string U64(uint64_t value) {
    std::string out;
    ByteWriter(out).U64(value);
    return out;
}

TEST(Zip64Extra, OnlyTheMarkedFieldsAreReadInTheirOrderAndEveryLengthIsChecked) {
    const uint32_t m32 = kZip64Marker32;
    const uint16_t m16 = kZip64Marker16;
    const std::string four = U64(uint64_t{5} << 32) + U64(uint64_t{3} << 32) + U64(uint64_t{7} << 32) +
                             std::string("\x02\x00\x00\x00", 4);
    const struct {
        const char* what;
        uint32_t compressed, uncompressed, offset;
        uint16_t disk;
        std::string extra;
        std::optional<EntrySizes> sizes;
    } cases[] = {
        {"no markers: the block is not read", 10, 20, 30, 0, Block(kExtraZip64, four),
         EntrySizes{10, 20, 30, 0}},
        {"all four", m32, m32, m32, m16, Block(kExtraZip64, four),
         EntrySizes{uint64_t{3} << 32, uint64_t{5} << 32, uint64_t{7} << 32, 2}},
        {"the offset alone comes first", 10, 20, m32, 0, Block(kExtraZip64, U64(99)),
         EntrySizes{10, 20, 99, 0}},
        {"compressed size and disk", m32, 20, 30, m16,
         Block(0xCAFE, "x") + Block(kExtraZip64, U64(42) + std::string("\x07\x00\x00\x00", 4)),
         EntrySizes{42, 20, 30, 7}},
        {"a longer block keeps its tail unread", 10, m32, 30, 0, Block(kExtraZip64, four),
         EntrySizes{10, uint64_t{5} << 32, 30, 0}},
        {"a marker without any block is the value", m32, 20, 30, 0, Block(0xCAFE, "x"),
         EntrySizes{m32, 20, 30, 0}},
        {"block too short for the second value", m32, m32, 30, 0, Block(kExtraZip64, U64(1) + "1234"),
         std::nullopt},
        {"empty block", 10, 20, m32, 0, Block(kExtraZip64, ""), std::nullopt},
        {"disk cut after a missing offset", 10, 20, m32, m16, Block(kExtraZip64, "1234"), std::nullopt},
        {"block running past the field", 10, m32, 30, 0, Block(kExtraZip64, U64(1)).substr(0, 11),
         EntrySizes{10, m32, 30, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CentralDirEntry entry;
        entry.CompressedSize = c.compressed;
        entry.UncompressedSize = c.uncompressed;
        entry.LocalHeaderOffset = c.offset;
        entry.DiskStart = c.disk;
        entry.Extra = c.extra;
        const auto sizes = entry.Sizes();
        ASSERT_EQ(sizes.has_value(), c.sizes.has_value());
        if (sizes) {
            EXPECT_EQ(sizes->CompressedSize, c.sizes->CompressedSize);
            EXPECT_EQ(sizes->UncompressedSize, c.sizes->UncompressedSize);
            EXPECT_EQ(sizes->LocalHeaderOffset, c.sizes->LocalHeaderOffset);
            EXPECT_EQ(sizes->DiskStart, c.sizes->DiskStart);
            EXPECT_EQ(LocalHeaderOffsetOf(entry), c.sizes->LocalHeaderOffset);
            EXPECT_EQ(LocalHeaderDiskOf(entry), c.sizes->DiskStart);
        }
    }
}

}  // namespace
}  // namespace ruvu::zip
