// ZIP64 records written exactly where a count, size or offset needs them: an archive of more than
// 65,535 entries made, added to and deleted from, read back by the peers with its true count; an
// archive holding ZIP64 records rewritten without stale blocks; everything below the limits written
// without any ZIP64 record. (Entries and offsets beyond 4 GiB take minutes to write and check: their
// run is `bench/run zip64`.)
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <regex>
#include <vector>

#include "libs/common/ArchiveReader.h"
#include "tests/dizode/DizOdeFixture.h"
#include "zipformat/ExtraField.h"
#include "zipformat/ZipConstants.h"

namespace ruvu::dizode::test {

using testsupport::RunTool;
using testsupport::SampleText;

namespace {

// The number of entries each peer finds when it tests the archive; -1 where the test failed.
struct PeerCounts {
    long unzip = -1;
    long sevenZip = -1;
    long python = -1;
};

PeerCounts CountsOfPeers(const std::string& archive) {
    PeerCounts counts;
    const auto unzip = testsupport::UnzipTest(archive);
    if (unzip.Ok()) {
        counts.unzip = 0;
        for (size_t at = 0; (at = unzip.output.find("testing: ", at)) != std::string::npos; ++at) {
            ++counts.unzip;
        }
    }
    const auto sevenZip = testsupport::SevenZipTest(archive);
    std::smatch files;
    if (sevenZip.Ok() && std::regex_search(sevenZip.output, files, std::regex("Files: (\\d+)"))) {
        counts.sevenZip = std::stol(files[1]);
    }
    const auto python = RunTool({"python3", "-c",
                                 "import sys, zipfile\n"
                                 "z = zipfile.ZipFile(sys.argv[1])\n"
                                 "assert z.testzip() is None\n"
                                 "print(len(z.infolist()))\n",
                                 archive});
    if (python.Ok()) {
        counts.python = std::stol(python.output);
    }
    return counts;
}

void ExpectPeersCount(const std::string& archive, long expected) {
    const PeerCounts counts = CountsOfPeers(archive);
    EXPECT_EQ(counts.unzip, expected) << "unzip -t";
    EXPECT_EQ(counts.sevenZip, expected) << "7z t";
    EXPECT_EQ(counts.python, expected) << "Python's zipfile";
}

// The archive has no ZIP64 end record or locator, and no header has a ZIP64 block or version 45.
void ExpectNoZip64Records(const std::string& archive) {
    libcommon::ArchiveReader reader;
    reader.SetListZip64Entries(true);
    ASSERT_TRUE(reader.OpenHost(archive, zip::CodePageRule::Auto)) << reader.LastError().text;
    EXPECT_FALSE(reader.Directory().HasLocator);
    EXPECT_FALSE(reader.End().UsesZip64());
    for (const auto& entry : reader.Entries()) {
        const auto layout = reader.Layout(entry);
        ASSERT_TRUE(layout.has_value()) << entry.name;
        EXPECT_FALSE(zip::FindExtraBlock(entry.header.Extra, zip::kExtraZip64).has_value()) << entry.name;
        EXPECT_FALSE(zip::FindExtraBlock(layout->local.Extra, zip::kExtraZip64).has_value()) << entry.name;
        EXPECT_LE(entry.header.VersionNeeded, zip::kVersionDeflated) << entry.name;
    }
}

// Files f00000 ... in a folder, each holding its own name.
void WriteNumberedFiles(const std::string& folder, int from, int to) {
    for (int i = from; i < to; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "f%05d", i);
        const std::string path = folder + "/" + name;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0) << path;
        ASSERT_EQ(::write(fd, name, 6), 6);
        ::close(fd);
    }
}

}  // namespace

class DizOdeZip64Test : public DizOdeTest {
  protected:
    // Adds the files of a folder below the temporary folder, without folder entries or paths.
    int32_t AddFolder(const std::string& folder) {
        auto params = Params();
        params.Params().JunkDirsFlag = -1;
        params.Params().NoDirEntriesFlag = -1;
        params.Spec(tmp_.Win(folder) + "\\*.*");
        return Run(params);
    }
    int32_t Delete(const std::vector<std::string>& specs) {
        auto params = Params();
        params.Params().DeleteFlag = -1;
        for (const auto& spec : specs) {
            params.Spec(spec);
        }
        return Run(params);
    }
};

TEST_F(DizOdeZip64Test, MoreThan65535EntriesGetZip64EndRecordsThatEveryPeerReadsThroughRewrites) {
    // The first 65,533 entries come from Python: as many files would take minutes to create and
    // remove, and every entry after them, the directory and the end records are written here.
    ASSERT_TRUE(RunTool({"python3", "-c",
                         "import sys, zipfile\n"
                         "with zipfile.ZipFile(sys.argv[1], 'w') as z:\n"
                         "    for i in range(65533): z.writestr('f%05d' % i, 'f%05d' % i)\n",
                         Archive()})
                    .Ok());
    for (const char* folder : {"one", "two", "five"}) {
        tmp_.MakeDir(folder);
    }
    WriteNumberedFiles(tmp_.Host("one"), 65533, 65534);
    WriteNumberedFiles(tmp_.Host("two"), 65534, 65535);
    WriteNumberedFiles(tmp_.Host("five"), 65535, 65540);

    // 65,534 entries still fit the end record.
    ASSERT_EQ(AddFolder("one"), 1);
    ExpectNoZip64Records(Archive());

    // 65,535 is the marker itself: the count moves to the ZIP64 end record.
    ASSERT_EQ(AddFolder("two"), 1);
    ExpectPeersCount(Archive(), 65535);
    {
        libcommon::ArchiveReader reader;
        reader.SetListZip64Entries(true);
        ASSERT_TRUE(reader.OpenHost(Archive(), zip::CodePageRule::Auto));
        EXPECT_TRUE(reader.Directory().HasZip64Record);
        EXPECT_EQ(reader.End().TotalEntries, zip::kZip64Marker16);
        // The directory's size and offset fit and are kept in the end record too.
        EXPECT_EQ(reader.End().CentralDirOffset, reader.Directory().Offset);
    }

    // Rewrites of the ZIP64 archive: add to it, then delete from it.
    ASSERT_EQ(AddFolder("five"), 5);
    ASSERT_EQ(Delete({"f00000", "f00001", "f00002"}), 3);
    ExpectPeersCount(Archive(), 65537);
    const auto extract =
        RunTool({"unzip", "-q", Archive(), "f65539", "f12345", "f00002", "-d", tmp_.Host("x")});
    EXPECT_EQ(ReadFileBytes(tmp_.Host("x/f65539")), "f65539") << extract.output;
    EXPECT_EQ(ReadFileBytes(tmp_.Host("x/f12345")), "f12345");
    EXPECT_FALSE(tmp_.Exists("x/f00002"));

    // Back below the limit, the ZIP64 records go.
    ASSERT_EQ(Delete({"f0001?"}), 10);
    ExpectNoZip64Records(Archive());
}

TEST_F(DizOdeZip64Test, EntriesBelowTheLimitsGetNoZip64Records) {
    // Every way an entry is written: in memory and streamed (above 64 MiB), deflated and stored,
    // encrypted, a folder, with a comment on the archive.
    tmp_.Write("src/text.txt", SampleText(200 * 1024));
    tmp_.Write("src/noise.bin", testsupport::RandomBytes(50 * 1024));
    tmp_.Write("src/empty.txt", "");
    tmp_.MakeDir("src/folder");
    {
        const std::string big = tmp_.Write("src/big.dat", "");
        ASSERT_EQ(::truncate(big.c_str(), (70 << 20) + 12345), 0);
    }
    auto params = Params();
    params.Spec(tmp_.Win("src") + "\\*.*", true).ArchiveComment("comment");
    ASSERT_EQ(Run(params), 5);
    auto secret = Params();
    secret.Password("pw").Spec(testsupport::ZipSpec{tmp_.Win("src") + "\\text.txt", "", true, false});
    ASSERT_EQ(Run(secret), 1);
    ExpectNoZip64Records(Archive());
    ExpectPeersAccept(Archive(), "pw");
}

TEST_F(DizOdeZip64Test, RewritingAnArchiveWithZip64BlocksLeavesNoStaleBlock) {
    // Stored entries with both sizes in ZIP64 blocks of their local headers, sizes and offset in
    // ZIP64 blocks of their central headers, and a ZIP64 end record: what streaming writers make.
    const char* craft = R"(
import struct, sys, zlib
entries = [(b'first.txt', b'first entry\n' * 50), (b'second.txt', b'second entry\n' * 70)]
out = bytearray(); central = bytearray(); M = 0xFFFFFFFF
for name, data in entries:
    crc = zlib.crc32(data); off = len(out)
    out += struct.pack('<IHHHIIIIHH', 0x04034B50, 45, 0, 0, 0x5A210000, crc, M, M, len(name), 20)
    out += name + struct.pack('<HHQQ', 1, 16, len(data), len(data)) + data
    extra = struct.pack('<HHQQQ', 1, 24, len(data), len(data), off)
    central += struct.pack('<IBBHHHIIIIHHHHHII', 0x02014B50, 45, 3, 45, 0, 0, 0x5A210000, crc, M, M,
                           len(name), len(extra), 0, 0, 0, 0o100644 << 16, M) + name + extra
cdpos = len(out); out += central; z64 = len(out)
out += struct.pack('<IQHHIIQQQQ', 0x06064B50, 44, 45, 45, 0, 0, 2, 2, len(central), cdpos)
out += struct.pack('<IIQI', 0x07064B50, 0, z64, 1)
out += struct.pack('<IHHHHIIH', 0x06054B50, 0, 0, 0xFFFF, 0xFFFF, M, M, 0)
open(sys.argv[1], 'wb').write(out)
)";
    ASSERT_TRUE(RunTool({"python3", "-c", craft, Archive()}).Ok());
    ASSERT_EQ(Delete({"first.txt"}), 1);
    tmp_.Write("add/third.txt", SampleText(3000));
    ASSERT_EQ(AddFolder("add"), 1);
    ExpectPeersCount(Archive(), 2);

    // The moved entry's central header holds its new offset and real sizes, without a ZIP64 block;
    // its local header is copied as it was, ZIP64 block and all, so it still says version 45.
    libcommon::ArchiveReader reader;
    reader.SetListZip64Entries(true);
    ASSERT_TRUE(reader.OpenHost(Archive(), zip::CodePageRule::Auto));
    EXPECT_FALSE(reader.Directory().HasLocator);
    ASSERT_EQ(reader.Entries().size(), 2u);
    const auto& second = reader.Entries()[0];
    EXPECT_EQ(second.name, "second.txt");
    EXPECT_EQ(second.header.LocalHeaderOffset, 0u);
    EXPECT_EQ(second.header.UncompressedSize, 13u * 70);
    EXPECT_EQ(second.header.CompressedSize, 13u * 70);
    EXPECT_FALSE(zip::FindExtraBlock(second.header.Extra, zip::kExtraZip64).has_value());
    EXPECT_EQ(second.header.VersionNeeded, zip::kVersionZip64);
    const auto extract = testsupport::SevenZipExtract(Archive(), tmp_.Host("x"));
    ASSERT_TRUE(extract.Ok()) << extract.output;
    std::string expected;
    for (int i = 0; i < 70; ++i) {
        expected += "second entry\n";
    }
    EXPECT_EQ(ReadFileBytes(tmp_.Host("x/second.txt")), expected);
}

}  // namespace ruvu::dizode::test
