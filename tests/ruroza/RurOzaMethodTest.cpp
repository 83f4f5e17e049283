// Archives whose entries use the other compression methods and AES encryption, made by the peers
// that write them (7z, zip, Python) or built here from the xz and zstd tools' output: the component
// lists them, and the library tests them and extracts exactly the source files. Damaged data of every
// method is reported and never written; AES entries check their password and their authentication
// code. PPMd, decoded by a model of our own, is tried at each order, memory size and way of going on
// when the model's memory is full.
#include <gmock/gmock.h>

#include <filesystem>
#include <sstream>

#include "engine/DozErozev.h"
#include "tests/ruroza/RurOzaFixture.h"
#include "zipformat/ByteOrder.h"
#include "zipformat/ZipConstants.h"

namespace ruvu::ruroza::test {
namespace {

using ::testing::Each;
using ::testing::HasSubstr;
using testsupport::RandomBytes;
using testsupport::RunTool;
using testsupport::SampleText;

// The source files, by their names in the archives.
const std::vector<std::pair<std::string, std::string>>& SourceFiles() {
    static const auto files = [] {
        // far.bin repeats a random block 60,000 bytes later: only a 64 KiB window can find it.
        const std::string block = RandomBytes(40000, 11);
        return std::vector<std::pair<std::string, std::string>>{
            {"text.txt", SampleText(300000, 7)},
            {"random.bin", RandomBytes(70000, 3)},
            {"empty.txt", ""},
            {"sub/far.bin", block + RandomBytes(20000, 12) + block},
            {"sub/small.txt", "hello, world\n"},
        };
    }();
    return files;
}

// Rewrites every AES entry of an archive as AE-1 with the CRC of its source file (or a wrong one): the
// encrypted data and its authentication code stay valid, as the two variants differ in the CRC alone.
const char* kMakeAe1 = R"(
import struct, sys, zlib
path, wrong, src = sys.argv[1], sys.argv[2] == 'wrong', sys.argv[3]
data = bytearray(open(path, 'rb').read())
end = data.rfind(b'PK\x05\x06')
count, at = struct.unpack_from('<H', data, end + 10)[0], struct.unpack_from('<I', data, end + 16)[0]
for _ in range(count):
    name_length, extra_length, comment_length = struct.unpack_from('<HHH', data, at + 28)
    name = data[at + 46:at + 46 + name_length].decode()
    if not name.endswith('/'):
        crc = zlib.crc32(open(src + '/' + name, 'rb').read()) ^ (1 if wrong else 0)
        local = struct.unpack_from('<I', data, at + 42)[0]
        for header, crc_at, lengths_at, fixed in ((at, 16, 28, 46), (local, 14, 26, 30)):
            n, e = struct.unpack_from('<HH', data, header + lengths_at)
            struct.pack_into('<I', data, header + crc_at, crc)
            p = header + fixed + n
            while p + 4 <= header + fixed + n + e:
                block, length = struct.unpack_from('<HH', data, p)
                if block == 0x9901:
                    struct.pack_into('<H', data, p + 4, 1)
                p += 4 + length
    at += 46 + name_length + extra_length + comment_length
open(path, 'wb').write(data)
)";

class RurOzaMethodTest : public RurOzaTest {
  protected:
    void SetUp() override {
        RurOzaTest::SetUp();
        for (const auto& [name, bytes] : SourceFiles()) {
            tmp_.Write("src/" + name, bytes);
        }
    }

    // The component's listing: name and size of each file entry; their methods, and the names the
    // listings show for them.
    std::map<std::string, uint32_t> Listed(const std::string& archive, std::vector<uint16_t>& methods,
                                           std::vector<std::string>& shown) {
        TDozErozev zip;
        zip.SetUnattended(true);
        zip.SetZipFileName(tmp_.Win(archive));
        std::map<std::string, uint32_t> listed;
        for (const ZipDirEntry& entry : zip.Entries()) {
            if (entry.FileName.empty() || entry.FileName.back() == '\\') {
                continue;
            }
            std::string name = entry.FileName;
            std::replace(name.begin(), name.end(), '\\', '/');
            listed[name] = entry.UncompressedSize;
            methods.push_back(entry.Method);
            shown.push_back(entry.MethodName());
        }
        return listed;
    }

    // Every source file, extracted with the same bytes, and nothing else.
    void ExpectSourceExtracted(
        const std::vector<std::pair<std::string, std::string>>& source = SourceFiles()) {
        const auto ours = Snapshot(tmp_.Host("out"));
        size_t files = 0;
        for (const auto& [name, item] : ours) {
            files += item.folder ? 0 : 1;
        }
        EXPECT_EQ(files, source.size());
        for (const auto& [name, bytes] : source) {
            const auto found = ours.find(name);
            ASSERT_NE(found, ours.end()) << "missing " << name;
            EXPECT_TRUE(found->second.bytes == bytes) << "bytes differ in " << name;
        }
    }

    // Flips bytes in the middle of an entry's stored data.
    void Damage(const std::string& archive, const std::string& entry) {
        const char* script = R"(
import sys, zipfile
path, name = sys.argv[1], sys.argv[2]
with zipfile.ZipFile(path) as z:
    info = z.getinfo(name)
data = bytearray(open(path, 'rb').read())
o = info.header_offset
start = o + 30 + int.from_bytes(data[o+26:o+28], 'little') + int.from_bytes(data[o+28:o+30], 'little')
for i in range(start + info.compress_size // 2, start + info.compress_size // 2 + 4):
    data[i] ^= 0x5A
open(path, 'wb').write(data)
)";
        ASSERT_TRUE(RunTool({"python3", "-c", script, tmp_.Host(archive), entry}).Ok());
    }
};

TEST_F(RurOzaMethodTest, PeerArchivesOfEveryMethodListTestAndExtractAsTheSourceFiles) {
    const std::string src = tmp_.Host("src");
    const char* python = R"(
import os, sys, zipfile
method = {'bzip2': zipfile.ZIP_BZIP2, 'lzma': zipfile.ZIP_LZMA}[sys.argv[2]]
with zipfile.ZipFile(sys.argv[1], 'w', method) as z:
    for folder, _, files in sorted(os.walk('.')):
        for name in sorted(files):
            z.write(os.path.join(folder, name)[2:])
)";
    // Archives made here: entries of the xz and zstd tools' output under methods 95 and 93.
    for (const auto& [archive, method, tool] : {std::tuple{"xz.zip", zip::kMethodXz, "xz -c -T1"},
                                                {"zstd.zip", zip::kMethodZstd, "zstd -q -c -19"}}) {
        std::vector<CraftedEntry> entries;
        for (const auto& [name, bytes] : SourceFiles()) {
            ASSERT_TRUE(Shell(std::string(tool) + " " + name + " > ../packed", src).Ok());
            entries.push_back(
                CraftedEntry(name, bytes).Method(method).Bytes(ReadFileBytes(tmp_.Host("packed"))));
        }
        WriteZip(archive, entries);
    }
    const struct {
        const char* archive;
        std::string command;  // run in src, writes ../archive
        uint16_t method;      // of the compressed entries as listed
        const char* shown;    // the name the grid and ruvuzip list show for it
        const char* password;
    } cases[] = {
        {"7z-deflate64.zip", "7z a -tzip -bd -mm=Deflate64 ../7z-deflate64.zip .", zip::kMethodDeflate64,
         "Deflate64", ""},
        {"7z-bzip2.zip", "7z a -tzip -bd -mm=BZip2 ../7z-bzip2.zip .", zip::kMethodBzip2, "BZip2", ""},
        {"7z-lzma.zip", "7z a -tzip -bd -mm=LZMA ../7z-lzma.zip .", zip::kMethodLzma, "LZMA", ""},
        {"7z-ppmd.zip", "7z a -tzip -bd -mm=PPMd ../7z-ppmd.zip .", zip::kMethodPpmd, "PPMd", ""},
        {"zip-bzip2.zip", "zip -q -r -Z bzip2 ../zip-bzip2.zip .", zip::kMethodBzip2, "BZip2", ""},
        {"py-bzip2.zip", "python3 -c \"$0\" ../py-bzip2.zip bzip2", zip::kMethodBzip2, "BZip2", ""},
        {"py-lzma.zip", "python3 -c \"$0\" ../py-lzma.zip lzma", zip::kMethodLzma, "LZMA", ""},
        {"xz.zip", "", zip::kMethodXz, "XZ", ""},
        {"zstd.zip", "", zip::kMethodZstd, "Zstd", ""},
        {"7z-aes256.zip", "7z a -tzip -bd -mem=AES256 -p'Tit0k' ../7z-aes256.zip .", zip::kMethodAes,
         "AES-256 Deflate", "Tit0k"},
        {"7z-aes128-bzip2.zip", "7z a -tzip -bd -mem=AES128 -mm=BZip2 -p'Tit0k' ../7z-aes128-bzip2.zip .",
         zip::kMethodAes, "AES-128 BZip2", "Tit0k"},
        {"7z-aes192-lzma.zip", "7z a -tzip -bd -mem=AES192 -mm=LZMA -p'Tit0k' ../7z-aes192-lzma.zip .",
         zip::kMethodAes, "AES-192 LZMA", "Tit0k"},
        {"7z-aes256-ppmd.zip", "7z a -tzip -bd -mem=AES256 -mm=PPMd -p'Tit0k' ../7z-aes256-ppmd.zip .",
         zip::kMethodAes, "AES-256 PPMd", "Tit0k"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.archive);
        if (!c.command.empty()) {
            ASSERT_TRUE(RunTool({"sh", "-c", c.command + " > /dev/null", python}, src).Ok());
        }
        std::vector<uint16_t> methods;
        std::vector<std::string> shown;
        std::map<std::string, uint32_t> expected;
        for (const auto& [name, bytes] : SourceFiles()) {
            expected[name] = static_cast<uint32_t>(bytes.size());
        }
        EXPECT_EQ(Listed(c.archive, methods, shown), expected);
        EXPECT_THAT(methods, ::testing::Contains(c.method));
        EXPECT_THAT(shown, ::testing::Contains(c.shown));

        callback_.Clear();
        EXPECT_EQ(Test(c.archive, c.password), static_cast<int32_t>(SourceFiles().size()));
        EXPECT_TRUE(callback_.Problems().empty()) << ::testing::PrintToString(callback_.Problems());

        callback_.Clear();
        EXPECT_EQ(Extract(c.archive, c.password), static_cast<int32_t>(SourceFiles().size()));
        EXPECT_TRUE(callback_.Problems().empty()) << ::testing::PrintToString(callback_.Problems());
        EXPECT_TRUE(callback_.Of(abi::kActionPassword).empty());
        ExpectSourceExtracted();
        ClearOutput();
    }
}

TEST_F(RurOzaMethodTest, Deflate64MatchesReachBackFurtherThan32KiB) {
    ASSERT_TRUE(
        Shell("7z a -tzip -bd -mm=Deflate64 ../d64.zip sub/far.bin > /dev/null", tmp_.Host("src")).Ok());
    // The second copy of the block was found 60,000 bytes back: it is not stored twice.
    TDozErozev zip;
    zip.SetUnattended(true);
    zip.SetZipFileName(tmp_.Win("d64.zip"));
    ASSERT_EQ(zip.Count(), 1);
    EXPECT_EQ(zip.Entries()[0].Method, zip::kMethodDeflate64);
    EXPECT_LT(zip.Entries()[0].CompressedSize, 70000u);
    EXPECT_EQ(Extract("d64.zip"), 1);
    EXPECT_TRUE(ReadFileBytes(tmp_.Host("out/sub/far.bin")) == SourceFiles()[3].second);
}

TEST_F(RurOzaMethodTest, LargeBzip2EntriesDecodeBlockAfterBlock) {
    // 1.8 MB in 100 kB blocks, over 1 MiB compressed, read and decoded in pieces.
    const std::string data = RandomBytes(1200000, 5) + SampleText(600000, 5);
    tmp_.Write("big.bin", data);
    ASSERT_TRUE(Shell("bzip2 -1 -c big.bin > packed", tmp_.Path()).Ok());
    std::string packed = ReadFileBytes(tmp_.Host("packed"));
    WriteZip("big.zip", {CraftedEntry("big.bin", data).Method(zip::kMethodBzip2).Bytes(packed)});
    EXPECT_EQ(Extract("big.zip"), 1);
    EXPECT_TRUE(ReadFileBytes(tmp_.Host("out/big.bin")) == data);

    // A damaged block in the middle fails the entry, and nothing of it is written.
    ClearOutput();
    packed[packed.size() / 2] ^= 0x10;
    WriteZip("big.zip", {CraftedEntry("big.bin", data).Method(zip::kMethodBzip2).Bytes(packed)});
    EXPECT_EQ(Extract("big.zip"), 0);
    EXPECT_THAT(SkipTypes(), ::testing::ElementsAre(abi::stDataError));
    EXPECT_FALSE(tmp_.Exists("out/big.bin"));
    EXPECT_TRUE(TemporaryFiles(tmp_.Host("out")).empty());
}

TEST_F(RurOzaMethodTest, DamagedDataOfEveryMethodIsReportedAndNotWritten) {
    const std::string src = tmp_.Host("src");
    for (const std::string method : {"Deflate64", "BZip2", "LZMA", "PPMd"}) {
        ASSERT_TRUE(Shell("7z a -tzip -bd -mm=" + method + " ../" + method + ".zip . > /dev/null", src).Ok());
    }
    ASSERT_TRUE(Shell("7z a -tzip -bd -mem=AES256 -p'pw' ../aes.zip . > /dev/null", src).Ok());
    for (const std::string archive : {"Deflate64.zip", "BZip2.zip", "LZMA.zip", "PPMd.zip", "aes.zip"}) {
        SCOPED_TRACE(archive);
        Damage(archive, "text.txt");
        const int32_t files = static_cast<int32_t>(SourceFiles().size());
        EXPECT_EQ(Test(archive, "pw"), files - 1);
        EXPECT_EQ(SkippedNames(), std::vector<std::string>{"text.txt"});
        EXPECT_THAT(SkipTypes(), ::testing::ElementsAre(::testing::AnyOf(abi::stDataError, abi::stCrcError)));
        ClearOutput();
        callback_.crcAnswer = 0;
        EXPECT_EQ(Extract(archive, "pw"), files - 1);
        EXPECT_EQ(callback_.WorstCode(), abi::kCodeBadData);
        EXPECT_FALSE(tmp_.Exists("out/text.txt"));
        EXPECT_TRUE(TemporaryFiles(tmp_.Host("out")).empty());
        EXPECT_EQ(ReadFileBytes(tmp_.Host("out/sub/far.bin")), SourceFiles()[3].second);
        ClearOutput();
    }
}

TEST_F(RurOzaMethodTest, DataLongerThanItsDeclaredSizeStopsThere) {
    // 300,000 bytes declared as 1,000: decoding stops at the declared size, so a small entry that
    // expands without end never fills the disk.
    for (const auto& [method, tool] : {std::pair{zip::kMethodBzip2, "bzip2 -c"},
                                       {zip::kMethodXz, "xz -c -T1"},
                                       {zip::kMethodZstd, "zstd -q -c"}}) {
        SCOPED_TRACE(tool);
        ASSERT_TRUE(Shell(std::string(tool) + " src/text.txt > packed", tmp_.Path()).Ok());
        WriteZip("bomb.zip", {CraftedEntry("bomb.txt", SourceFiles()[0].second)
                                  .Method(method)
                                  .Bytes(ReadFileBytes(tmp_.Host("packed")))
                                  .Size(1000)});
        EXPECT_EQ(Extract("bomb.zip"), 0);
        EXPECT_THAT(SkipTypes(), ::testing::ElementsAre(abi::stDataError));
        EXPECT_THAT(callback_.Problems(),
                    ::testing::Contains(HasSubstr("longer than the declared 1000 bytes")));
        EXPECT_FALSE(tmp_.Exists("out/bomb.txt"));
        ClearOutput();
    }
}

TEST_F(RurOzaMethodTest, AesEntriesCheckTheirPasswordAndTheirAuthenticationCode) {
    const std::string src = tmp_.Host("src");
    ASSERT_TRUE(Shell("7z a -tzip -bd -mem=AES256 -p'right' ../aes.zip . > /dev/null", src).Ok());
    const int32_t files = static_cast<int32_t>(SourceFiles().size());

    // A wrong password: the engine is asked once, its empty answer ends the questions, nothing is
    // written. (A wrong password passes the 2-byte verifier once in 65,536 times; the authentication
    // code then rejects the data.)
    EXPECT_EQ(Extract("aes.zip", "wrong"), 0);
    EXPECT_THAT(SkipTypes(), Each(::testing::AnyOf(abi::stBadPassword, abi::stDataError)));
    EXPECT_EQ(SkipTypes().size(), SourceFiles().size());
    EXPECT_EQ(callback_.Of(abi::kActionPassword).size(), 1u);
    for (const auto& [name, item] : Snapshot(tmp_.Host("out"))) {
        EXPECT_TRUE(item.folder) << name;
    }

    // The password the engine gives opens every entry.
    ClearOutput();
    callback_.passwords = {std::string("right")};
    EXPECT_EQ(Extract("aes.zip"), files);
    EXPECT_EQ(callback_.Of(abi::kActionPassword).size(), 1u);
    ExpectSourceExtracted();

    // Changed encrypted bytes in an entry stored without compression (random.bin), where only the
    // authentication code can tell, and in the code itself of another one.
    ClearOutput();
    Damage("aes.zip", "random.bin");
    const char* tamperCode = R"(
import sys, zipfile
path = sys.argv[1]
with zipfile.ZipFile(path) as z:
    info = z.getinfo('text.txt')
data = bytearray(open(path, 'rb').read())
o = info.header_offset
end = o + 30 + int.from_bytes(data[o+26:o+28], 'little') + int.from_bytes(data[o+28:o+30], 'little') + info.compress_size
data[end - 1] ^= 1
open(path, 'wb').write(data)
)";
    ASSERT_TRUE(RunTool({"python3", "-c", tamperCode, tmp_.Host("aes.zip")}).Ok());
    EXPECT_EQ(Test("aes.zip", "right"), files - 2);
    EXPECT_EQ(Extract("aes.zip", "right"), files - 2);
    EXPECT_THAT(SkippedNames(),
                ::testing::UnorderedElementsAre("random.bin", "text.txt", "random.bin", "text.txt"));
    EXPECT_THAT(SkipTypes(), Each(abi::stDataError));
    EXPECT_THAT(callback_.Problems(), ::testing::Contains(HasSubstr("authentication code does not match")));
    EXPECT_FALSE(tmp_.Exists("out/random.bin"));
    EXPECT_FALSE(tmp_.Exists("out/text.txt"));
    EXPECT_TRUE(TemporaryFiles(tmp_.Host("out")).empty());
}

TEST_F(RurOzaMethodTest, Ae1EntriesCheckTheirCrcBesideTheAuthenticationCode) {
    const std::string src = tmp_.Host("src");
    ASSERT_TRUE(Shell("7z a -tzip -bd -mem=AES128 -p'pw' ../ae1.zip . > /dev/null", src).Ok());
    ASSERT_TRUE(Shell("cp ae1.zip ae1-badcrc.zip", tmp_.Path()).Ok());
    ASSERT_TRUE(RunTool({"python3", "-c", kMakeAe1, tmp_.Host("ae1.zip"), "right", src}).Ok());
    ASSERT_TRUE(RunTool({"python3", "-c", kMakeAe1, tmp_.Host("ae1-badcrc.zip"), "wrong", src}).Ok());
    const int32_t files = static_cast<int32_t>(SourceFiles().size());
    EXPECT_EQ(Extract("ae1.zip", "pw"), files);
    EXPECT_TRUE(callback_.Problems().empty()) << ::testing::PrintToString(callback_.Problems());
    ExpectSourceExtracted();

    ClearOutput();
    EXPECT_EQ(Test("ae1-badcrc.zip", "pw"), 0);
    EXPECT_THAT(SkipTypes(), Each(abi::stCrcError));
}

// Files that drive the PPMd model in different ways. base64.txt is random text: it fills a model of
// 1 or 2 MiB (its text area first), so the model starts afresh or prunes itself once or twice.
const std::vector<std::pair<std::string, std::string>>& PpmdFiles() {
    static const auto files = [] {
        static const char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
        const std::string noise = RandomBytes(120000, 21);
        std::string base64;
        for (size_t i = 0; i + 3 <= noise.size(); i += 3) {
            const uint32_t group =
                uint32_t{uint8_t(noise[i])} << 16 | uint8_t(noise[i + 1]) << 8 | uint8_t(noise[i + 2]);
            for (int shift = 18; shift >= 0; shift -= 6) {
                base64 += digits[group >> shift & 63];
            }
            base64 += i % 57 == 54 ? "\n" : "";
        }
        std::string binary;  // records: a counter, a random word, a short run of a small value
        const std::string words = RandomBytes(20000, 23);
        for (uint32_t i = 0; binary.size() < 60000; ++i) {
            binary.append(reinterpret_cast<const char*>(&i), 2);
            binary.append(words, i * 4 % words.size(), 4);
            binary.append(i % 13, static_cast<char>(i % 3));
        }
        const std::string block = RandomBytes(8000, 22);
        return std::vector<std::pair<std::string, std::string>>{
            {"base64.txt", base64},
            {"text.txt", SampleText(60000, 9)},
            {"binary.bin", binary},
            {"random-twice.bin", block + block},
            {"runs.bin", std::string(100000, 'a') + "b" + std::string(50000, '\0')},
            {"short.txt", "abcabcabcabcabcabcabcabcabcabcabcabcabcabcabc\n"},
        };
    }();
    return files;
}

// The properties of each PPMd entry as "name order MiB restoration".
std::vector<std::string> PpmdProperties(const std::string& archive) {
    const char* script = R"(
import sys, zipfile
data = open(sys.argv[1], 'rb').read()
for i in zipfile.ZipFile(sys.argv[1]).infolist():
    o = i.header_offset
    if i.compress_type == 98:
        at = o + 30 + int.from_bytes(data[o+26:o+28], 'little') + int.from_bytes(data[o+28:o+30], 'little')
        w = int.from_bytes(data[at:at+2], 'little')
        print(i.filename, (w & 15) + 1, (w >> 4 & 255) + 1, w >> 12)
)";
    const auto result = RunTool({"python3", "-c", script, archive});
    std::vector<std::string> lines;
    std::istringstream in(result.output);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

TEST_F(RurOzaMethodTest, PpmdArchivesOfEveryOrderMemoryAndRestorationExtractExactly) {
    for (const auto& [name, bytes] : PpmdFiles()) {
        tmp_.Write("ppmd/" + name, bytes);
    }
    // 7z picks the restoration by level: restarting below 7, pruning from 7 up. It shrinks the memory
    // of small files, so the 64 MiB model gets a file of its own above 2 MiB.
    const struct {
        std::string options;
        std::string base64;  // the properties the entry of base64.txt (or big.txt) must have
    } rows[] = {
        {"-mo=2 -mmem=1m -mx=5", "base64.txt 2 1 0"},   {"-mo=6 -mmem=4m -mx=5", "base64.txt 6 4 0"},
        {"-mo=8 -mmem=1m -mx=9", "base64.txt 8 1 1"},   {"-mo=16 -mmem=1m -mx=5", "base64.txt 16 1 0"},
        {"-mo=16 -mmem=2m -mx=7", "base64.txt 16 2 1"}, {"-mo=4 -mmem=64m -mx=9", "big.txt 4 64 1"},
    };
    auto files = PpmdFiles();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.options);
        if (row.base64.starts_with("big.txt")) {
            files.emplace_back("big.txt", std::string(2200000, 'z') + SampleText(1000, 4));
            tmp_.Write("ppmd/big.txt", files.back().second);
        }
        ASSERT_TRUE(
            Shell("7z a -tzip -bd -mm=PPMd " + row.options + " ../ppmd.zip . > /dev/null", tmp_.Host("ppmd"))
                .Ok());
        EXPECT_THAT(PpmdProperties(tmp_.Host("ppmd.zip")), ::testing::Contains(row.base64));
        const auto count = static_cast<int32_t>(files.size());
        EXPECT_EQ(Test("ppmd.zip"), count);
        EXPECT_EQ(Extract("ppmd.zip"), count);
        EXPECT_TRUE(callback_.Problems().empty()) << ::testing::PrintToString(callback_.Problems());
        ExpectSourceExtracted(files);
        ClearOutput();
        std::filesystem::remove(tmp_.Host("ppmd.zip"));
    }
}

TEST_F(RurOzaMethodTest, PpmdEntriesNoPeerWritesDecodeOrAreRefusedWithTheirReason) {
    // An empty file and a single byte (a peer stores both rather than model them), as a PPMd writer of
    // order 6 and 1 MiB makes them: the properties, the coded end mark, the coder's last bytes.
    const std::string empty("\x05\x00\xff\x00\xff\x00\x00", 7);
    const std::string oneByte("\x05\x00\x78\x86\x7e\x00\x00", 7);
    ASSERT_TRUE(Shell("7z a -tzip -bd -mm=PPMd ../text.zip text.txt > /dev/null", tmp_.Host("src")).Ok());
    const std::string text = SourceFiles()[0].second;
    const std::string packed = ReadFileBytes(tmp_.Host("text.zip"));
    const auto* local = reinterpret_cast<const uint8_t*>(packed.data());
    const std::string stream = packed.substr(30 + zip::GetU16(local + 26) + zip::GetU16(local + 28), 2000);
    const auto entry = [](const std::string& name, const std::string& data, const std::string& stored) {
        return CraftedEntry(name, data).Method(zip::kMethodPpmd).Bytes(stored);
    };
    WriteZip("valid.zip", {entry("empty.txt", "", empty), entry("one.txt", "x", oneByte)});
    EXPECT_TRUE(testsupport::SevenZipTest(tmp_.Host("valid.zip")).Ok());
    // An empty file may as well come without any stored bytes.
    WriteZip("bare.zip", {entry("bare-empty.txt", "", "")});
    EXPECT_EQ(Extract("valid.zip"), 2);
    EXPECT_EQ(Extract("bare.zip"), 1);
    EXPECT_EQ(ReadFileBytes(tmp_.Host("out/one.txt")), "x");
    EXPECT_EQ(ReadFileBytes(tmp_.Host("out/empty.txt")), "");

    ClearOutput();
    WriteZip("broken.zip", {entry("order1.txt", "x", std::string("\x00\x00", 2) + oneByte.substr(2)),
                            entry("freeze.txt", "x", std::string("\x05\x20", 2) + oneByte.substr(2)),
                            entry("cut.txt", text, stream), entry("header.txt", "x", "\x05")});
    EXPECT_EQ(Extract("broken.zip"), 0);
    EXPECT_THAT(SkippedNames(), ::testing::ElementsAre("order1.txt", "freeze.txt", "cut.txt", "header.txt"));
    EXPECT_THAT(SkipTypes(), ::testing::ElementsAre(abi::stDataError, abi::stUnsupported, abi::stDataError,
                                                    abi::stDataError));
    const auto problems = ::testing::PrintToString(callback_.Problems());
    EXPECT_THAT(problems, HasSubstr("model order 1"));
    EXPECT_THAT(problems, HasSubstr("restoration method 2 is not supported"));
    EXPECT_THAT(problems, HasSubstr("ends too early"));
    EXPECT_THAT(problems, HasSubstr("ends in its PPMd header"));
    for (const auto& [name, item] : Snapshot(tmp_.Host("out"))) {
        EXPECT_TRUE(item.folder) << name;
    }
}

}  // namespace
}  // namespace ruvu::ruroza::test
