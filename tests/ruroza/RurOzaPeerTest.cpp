// Archives written by the peer tools extract to exactly what unzip extracts (names, bytes, dates and
// modes), and testing them agrees with unzip -t.
#include <sys/stat.h>

#include <gmock/gmock.h>

#include "tests/ruroza/RurOzaFixture.h"

namespace ruvu::ruroza::test {
namespace {

using testsupport::RandomBytes;
using testsupport::SampleText;

class RurOzaPeerTest : public RurOzaTest {
  protected:
    // A small tree of files in "src": empty, small, compressible over several 32 KiB steps,
    // incompressible, nested, executable and private files, with dates in the past.
    void MakeSource() {
        tmp_.Write("src/empty.txt", "", 1500000001);
        tmp_.Write("src/small.txt", "hello, world\n", 1500000003);
        tmp_.Write("src/text.txt", SampleText(200000, 7), 1600000000);
        tmp_.Write("src/random.bin", RandomBytes(70000, 3), 1600000005);
        tmp_.Write("src/sub/deep/note.txt", SampleText(5000, 9), 1400000000);
        chmod(tmp_.Write("src/run.sh", "#!/bin/sh\necho hi\n", 1450000000).c_str(), 0755);
        chmod(tmp_.Write("src/private.txt", "secret\n", 1450000002).c_str(), 0600);
    }
    void ExpectTestPasses(const std::string& archive, const std::string& password = {}) {
        const auto unzip = testsupport::UnzipTest(tmp_.Host(archive), password);
        EXPECT_TRUE(unzip.Ok()) << unzip.output;
        callback_.Clear();
        const int32_t tested = Test(archive, password);
        EXPECT_GT(tested, 0) << archive;
        EXPECT_EQ(tested, static_cast<int32_t>(callback_.Of(abi::kActionItemStart).size())) << archive;
        EXPECT_TRUE(callback_.Problems().empty()) << ::testing::PrintToString(callback_.Problems());
        EXPECT_TRUE(callback_.Of(abi::kActionSkipped).empty()) << archive;
    }
};

TEST_F(RurOzaPeerTest, InfoZipArchivesPlainStoredAndWithCommentsExtractLikeUnzip) {
    MakeSource();
    const std::string src = tmp_.Host("src");
    ASSERT_TRUE(Shell("zip -q -r ../plain.zip .", src).Ok());
    ASSERT_TRUE(Shell("zip -q -r -0 ../stored.zip .", src).Ok());
    ASSERT_TRUE(
        Shell("zip -q -r ../comments.zip . && printf 'archive comment\\n' | zip -q -z ../comments.zip && "
              "printf 'first\\nsecond\\n' | zip -q -c ../comments.zip small.txt text.txt",
              src)
            .Ok());
    for (const std::string archive : {"plain.zip", "stored.zip", "comments.zip"}) {
        SCOPED_TRACE(archive);
        ExpectSameAsUnzip(archive);
        ExpectTestPasses(archive);
        ClearOutput();
    }
}

TEST_F(RurOzaPeerTest, EncryptedArchivesOfEveryPeerExtractWithThePassword) {
    MakeSource();
    const std::string src = tmp_.Host("src");
    ASSERT_TRUE(Shell("zip -q -r -P 'Tit0k' ../zip.zip .", src).Ok());
    ASSERT_TRUE(Shell("7z a -tzip -bd -p'Tit0k' ../seven.zip . > /dev/null", src).Ok());
    // bsdtar puts a descriptor behind each entry, so its headers check against the time.
    ASSERT_TRUE(
        Shell("bsdtar --format zip --options zip:encryption=zipcrypt --passphrase 'Tit0k' -cf ../bsd.zip .",
              src)
            .Ok());
    for (const std::string archive : {"zip.zip", "seven.zip", "bsd.zip"}) {
        SCOPED_TRACE(archive);
        ExpectSameAsUnzip(archive, "Tit0k");
        EXPECT_TRUE(callback_.Of(abi::kActionPassword).empty());
        ExpectTestPasses(archive, "Tit0k");
        ClearOutput();
    }
}

TEST_F(RurOzaPeerTest, StreamedArchivesWithDataDescriptorsExtractLikeUnzip) {
    tmp_.Write("big.txt", SampleText(300000, 5));
    // Written to a pipe, zip cannot go back: sizes and CRC follow the data in a descriptor, the local
    // header holding 0 (-fz-) or a ZIP64 placeholder; an encrypted one checks against the time.
    ASSERT_TRUE(Shell("zip -q - - < big.txt | cat > stream64.zip", tmp_.Path()).Ok());
    ASSERT_TRUE(Shell("zip -q -fz- - - < big.txt | cat > stream.zip", tmp_.Path()).Ok());
    ASSERT_TRUE(Shell("zip -q -fz- -P pw - - < big.txt | cat > streamenc.zip", tmp_.Path()).Ok());
    ASSERT_TRUE(Shell("zip -q seek.zip - < big.txt", tmp_.Path()).Ok());
    for (const std::string archive : {"stream64.zip", "stream.zip", "streamenc.zip", "seek.zip"}) {
        SCOPED_TRACE(archive);
        const std::string password = archive == "streamenc.zip" ? "pw" : "";
        ExpectSameAsUnzip(archive, password);
        EXPECT_EQ(ReadFileBytes(tmp_.Host("out/-")), SampleText(300000, 5));
        ExpectTestPasses(archive, password);
        ClearOutput();
    }
}

TEST_F(RurOzaPeerTest, SevenZipAndBsdtarArchivesExtractLikeUnzip) {
    MakeSource();
    const std::string src = tmp_.Host("src");
    ASSERT_TRUE(Shell("7z a -tzip -bd ../seven.zip . > /dev/null", src).Ok());
    ASSERT_TRUE(Shell("bsdtar --format zip -cf ../bsd.zip .", src).Ok());
    ASSERT_TRUE(Shell("bsdtar --format zip --options zip:compression=store -cf ../bsdstore.zip .", src).Ok());
    for (const std::string archive : {"seven.zip", "bsd.zip", "bsdstore.zip"}) {
        SCOPED_TRACE(archive);
        ExpectSameAsUnzip(archive);
        ExpectTestPasses(archive);
        ClearOutput();
    }
}

TEST_F(RurOzaPeerTest, PythonArchiveWithUtf8NamesExtractsLikeUnzip) {
    const char* script = R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], 'w') as z:
    z.writestr(zipfile.ZipInfo('árvíztűrő/tükörfúrógép.txt', (2021, 3, 4, 5, 6, 8)), 'ő' * 50000, zipfile.ZIP_DEFLATED)
    z.writestr(zipfile.ZipInfo('Ősz.txt', (2020, 1, 2, 3, 4, 6)), 'ősz', zipfile.ZIP_STORED)
    z.writestr(zipfile.ZipInfo('ascii/plain.txt', (2019, 12, 31, 23, 59, 58)), 'plain', zipfile.ZIP_DEFLATED)
)";
    ASSERT_TRUE(testsupport::RunTool({"python3", "-c", script, tmp_.Host("py.zip")}).Ok());
    ExpectSameAsUnzip("py.zip");
    EXPECT_TRUE(tmp_.Exists("out/árvíztűrő/tükörfúrógép.txt"));
    EXPECT_TRUE(tmp_.Exists("out/Ősz.txt"));
    ExpectTestPasses("py.zip");
}

TEST_F(RurOzaPeerTest, OneCorruptedEntryFailsAloneAsInUnzipTest) {
    tmp_.Write("src/a.txt", SampleText(40000, 1));
    tmp_.Write("src/b.txt", SampleText(40000, 2));
    tmp_.Write("src/c.txt", SampleText(40000, 3));
    ASSERT_TRUE(Shell("zip -q ../bad.zip a.txt b.txt c.txt", tmp_.Host("src")).Ok());
    // Flip bytes in the middle of b.txt's compressed data.
    const char* corrupt = R"(
import sys, zipfile
path = sys.argv[1]
with zipfile.ZipFile(path) as z:
    info = z.getinfo('b.txt')
data = bytearray(open(path, 'rb').read())
start = info.header_offset + 30 + int.from_bytes(data[info.header_offset+26:info.header_offset+28], 'little') \
        + int.from_bytes(data[info.header_offset+28:info.header_offset+30], 'little')
for i in range(start + info.compress_size // 2, start + info.compress_size // 2 + 8):
    data[i] ^= 0x5A
open(path, 'wb').write(data)
)";
    ASSERT_TRUE(testsupport::RunTool({"python3", "-c", corrupt, tmp_.Host("bad.zip")}).Ok());
    const auto unzip = testsupport::UnzipTest(tmp_.Host("bad.zip"));
    EXPECT_FALSE(unzip.Ok());
    EXPECT_THAT(unzip.output, ::testing::ContainsRegex("testing: a.txt +OK"));
    EXPECT_THAT(unzip.output, ::testing::ContainsRegex("testing: b.txt +bad CRC"));
    EXPECT_THAT(unzip.output, ::testing::ContainsRegex("testing: c.txt +OK"));

    EXPECT_EQ(Test("bad.zip"), 2);
    EXPECT_EQ(SkippedNames(), std::vector<std::string>{"b.txt"});
    ASSERT_EQ(SkipTypes().size(), 1u);
    EXPECT_TRUE(SkipTypes()[0] == abi::stCrcError || SkipTypes()[0] == abi::stDataError);
    EXPECT_EQ(callback_.WorstCode(), abi::kCodeBadData);
    const auto messages = callback_.Messages();
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(callback_.events.back().action, static_cast<uint32_t>(abi::kActionMessage));
    EXPECT_EQ(callback_.events.back().errorCode & 0xFF, abi::kCodeBadData);
    // Extracting keeps the good files and writes nothing for the broken one.
    callback_.Clear();
    callback_.crcAnswer = 0;
    EXPECT_EQ(Extract("bad.zip"), 2);
    EXPECT_TRUE(tmp_.Exists("out/a.txt"));
    EXPECT_TRUE(tmp_.Exists("out/c.txt"));
    EXPECT_FALSE(tmp_.Exists("out/b.txt"));
    EXPECT_TRUE(TemporaryFiles(tmp_.Host("out")).empty());
}

}  // namespace
}  // namespace ruvu::ruroza::test
