// ZIP64 archives through the component and the real RUROZA.DLL: made by Python's zipfile, Info-ZIP zip
// and 7z, and ones whose every size and offset lies in ZIP64 blocks, also behind a hole of 4 GiB.
// The listing shows the sizes and offsets Python reads; test and extract give the source files back.
// Broken ZIP64 records are refused with a message, never read as something else.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "abi/LibraryEntry.h"
#include "engine/Messages.h"
#include "tests/engine/EngineTestSupport.h"

namespace ruvu::enginetest {
namespace {

namespace fs = std::filesystem;

// Rewrites an archive so that its central directory keeps every size and offset in ZIP64 blocks
// (the 32-bit fields hold their markers) behind ZIP64 end records, then checks it with zipfile. With
// a shift, the archive moves that far into its file behind a hole, its offsets moved with it.
const char* const kAllInZip64Blocks = R"(
import struct, sys, zipfile
path = sys.argv[1]
shift = int(sys.argv[2]) if len(sys.argv) > 2 else 0
data = bytearray(open(path, 'rb').read())
end = data.rfind(b'PK\x05\x06')
count, size, offset = struct.unpack('<HII', data[end + 10:end + 20])
out, at = bytearray(), offset
for _ in range(count):
    fixed = bytearray(data[at:at + 46])
    n, e, c = struct.unpack('<HHH', fixed[28:34])
    name, extra, comment = data[at + 46:at + 46 + n], data[at + 46 + n:at + 46 + n + e], data[at + 46 + n + e:at + 46 + n + e + c]
    csize, usize = struct.unpack('<II', fixed[20:28])
    local = struct.unpack('<I', fixed[42:46])[0]
    block = struct.pack('<HHQQQI', 1, 28, usize, csize, local + shift, 0)
    fixed[20:28] = struct.pack('<II', 0xFFFFFFFF, 0xFFFFFFFF)
    fixed[34:36] = struct.pack('<H', 0xFFFF)
    fixed[42:46] = struct.pack('<I', 0xFFFFFFFF)
    fixed[30:32] = struct.pack('<H', len(block) + e)
    out += fixed + name + block + extra + comment
    at += 46 + n + e + c
z64 = offset + len(out)
out += struct.pack('<IQHHIIQQQQ', 0x06064b50, 44, 45, 45, 0, 0, count, count, len(out), offset + shift)
out += struct.pack('<IIQI', 0x07064b50, 0, z64 + shift, 1)
out += struct.pack('<IHHHHIIH', 0x06054b50, 0, 0, 0xFFFF, 0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0)
with open(path, 'wb') as f:
    f.seek(shift)
    f.write(data[:offset] + out)
assert zipfile.ZipFile(path).testzip() is None
)";

// Each entry as Python reads it: name, compressed size, size, local header offset.
const char* const kPythonListing = R"(
import sys, zipfile
for i in zipfile.ZipFile(sys.argv[1]).infolist():
    print(i.filename.replace('/', '\\'), i.compress_size, i.file_size, i.header_offset, sep='\t')
)";

class Zip64ArchiveTest : public ::testing::Test {
  protected:
    Zip64ArchiveTest() {
        h.zip.SetUnattended(true);
        h.zip.SetUseDirOnlyEntries(true);
    }

    // A small tree: text that deflates, bytes that do not, an empty file, a nested file.
    void MakeSource() {
        std::string text;
        for (int i = 0; i < 4000; ++i) {
            text += "line " + std::to_string(i * 7919 % 1000) + " of the zip64 source\n";
        }
        std::string noise;
        uint32_t x = 12345;
        for (int i = 0; i < 70000; ++i) {
            x = x * 1103515245u + 12345u;
            noise += static_cast<char>(x >> 24);
        }
        WriteFile(src + "/text.txt", text);
        WriteFile(src + "/noise.bin", noise);
        WriteFile(src + "/empty.txt", "");
        WriteFile(src + "/sub/deep/note.txt", "a note in a folder\n");
    }

    // The listing agrees with Python on every entry's sizes and offset.
    void ExpectListedLikePython(const std::string& archive) {
        std::istringstream lines(Python(kPythonListing, {archive}));
        size_t row = 0;
        for (std::string name, packed, size, offset;
             std::getline(lines, name, '\t') && std::getline(lines, packed, '\t') &&
             std::getline(lines, size, '\t') && std::getline(lines, offset);
             ++row) {
            ASSERT_LT(row, h.zip.Entries().size());
            const ZipDirEntry& entry = h.zip.Entries()[row];
            SCOPED_TRACE(name);
            EXPECT_EQ(entry.FileName, name);
            EXPECT_EQ(entry.CompressedSize64, std::stoull(packed));
            EXPECT_EQ(entry.UncompressedSize64, std::stoull(size));
            EXPECT_EQ(entry.LocalHeaderOffset64, std::stoull(offset));
        }
        EXPECT_EQ(row, h.zip.Entries().size());
    }

    // Every file of the source tree, extracted below folder, has its bytes.
    void ExpectSameAsSource(const std::string& folder) {
        for (const auto& file : fs::recursive_directory_iterator(src)) {
            if (file.is_regular_file()) {
                const std::string relative = fs::relative(file.path(), src).string();
                SCOPED_TRACE(relative);
                ASSERT_TRUE(fs::exists(folder + "/" + relative));
                EXPECT_EQ(ReadFile(folder + "/" + relative), ReadFile(file.path().string()));
            }
        }
    }

    int32_t Extract(const std::string& folder, const std::vector<std::string>& specs = {}) {
        h.zip.SetExtrBaseDir(folder);
        h.zip.SetExtrOptions({ExtrDirNames, ExtrForceDirs, ExtrOverWrite});
        h.zip.FSpecArgs() = specs;
        h.zip.Extract();
        return h.zip.SuccessCount();
    }
    int32_t Test(const std::vector<std::string>& specs = {}) {
        h.zip.SetExtrOptions({ExtrTest});
        h.zip.FSpecArgs() = specs;
        h.zip.Extract();
        return h.zip.SuccessCount();
    }

    TempDir dir;
    Harness h;
    const std::string src = dir / "src";
};

TEST_F(Zip64ArchiveTest, PeerZip64ArchivesListTestAndExtractLikeTheirSources) {
    MakeSource();
    // Python writes ZIP64 blocks into local headers, and when it cannot seek back, descriptors
    // with 64-bit sizes; zip -fz puts sizes in central ZIP64 blocks behind ZIP64 end records.
    const char* const python = R"(
import os, sys, zipfile
src, target = sys.argv[1], sys.argv[2]
out = sys.stdout.buffer if target == '-' else target
with zipfile.ZipFile(out, 'w') as z:
    for root, _, files in sorted(os.walk(src)):
        for f in sorted(files):
            path = os.path.join(root, f)
            info = zipfile.ZipInfo(os.path.relpath(path, src), (2024, 5, 6, 7, 8, 10))
            info.compress_type = zipfile.ZIP_DEFLATED if f.endswith('.txt') else zipfile.ZIP_STORED
            with z.open(info, 'w', force_zip64=True) as w:
                w.write(open(path, 'rb').read())
)";
    const std::string pythonScript = dir / "make.py";
    WriteFile(pythonScript, python);
    const struct {
        const char* name;
        std::string command;
    } makers[] = {
        {"python.zip", "python3 make.py src python.zip"},
        {"streamed.zip", "python3 make.py src - | cat > streamed.zip"},
        {"infozip.zip", "cd src && zip -q -r -fz ../infozip.zip ."},
        {"blocks.zip", "cd src && zip -q -r ../blocks.zip . && cd .. && python3 all.py blocks.zip"},
        // Offsets beyond 4 GiB: the archive lies behind a hole of that size.
        {"beyond4g.zip",
         "cd src && zip -q -r ../beyond4g.zip . && cd .. && python3 all.py beyond4g.zip 4294967396"},
    };
    WriteFile(dir / "all.py", kAllInZip64Blocks);
    for (const auto& maker : makers) {
        SCOPED_TRACE(maker.name);
        ASSERT_EQ(RunProgram({"sh", "-c", maker.command}, dir.Path()), 0);
        const std::string archive = dir / maker.name;
        ASSERT_EQ(h.Open(archive), 0);
        ExpectListedLikePython(archive);
        EXPECT_EQ(Test(), 4);
        const std::string out = dir / (std::string("out-") + maker.name);
        EXPECT_EQ(Extract(out), 4);
        ExpectSameAsSource(out);
    }
}

TEST_F(Zip64ArchiveTest, SeventyThousandEntriesAreListedTestedAndSelectedByName) {
    // The count lies in a ZIP64 end record.
    const char* const many = R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], 'w') as z:
    for i in range(70000):
        z.writestr('d%02d/f%05d.txt' % (i % 50, i), b'%d' % i)
)";
    const std::string archive = dir / "many.zip";
    Python(many, {archive});
    h.zip.SetUseDirOnlyEntries(false);
    ASSERT_EQ(h.Open(archive), 0);
    ASSERT_EQ(h.zip.Count(), 70000);
    EXPECT_EQ(Test({"d49\\*.txt"}), 1400);
    const std::string out = dir / "out";
    EXPECT_EQ(Extract(out, {"d49\\f69999.txt", "d17\\f12367.txt"}), 2);
    EXPECT_EQ(ReadFile(out + "/d49/f69999.txt"), "69999");
    EXPECT_EQ(ReadFile(out + "/d17/f12367.txt"), "12367");
}

TEST_F(Zip64ArchiveTest, BrokenZip64RecordsAreRefusedWithAClearMessage) {
    MakeSource();
    WriteFile(dir / "all.py", kAllInZip64Blocks);
    ASSERT_EQ(
        RunProgram({"sh", "-c", "cd src && zip -q -r ../good.zip . && cd .. && python3 all.py good.zip"},
                   dir.Path()),
        0);
    const std::string good = ReadFile(dir / "good.zip");
    const size_t locator = good.rfind("PK\x06\x07");
    const size_t record = good.rfind("PK\x06\x06");
    // The ZIP64 block of text.txt follows its name in the central directory.
    const size_t block = good.find("text.txt", good.find("PK\x01\x02")) + 8;
    ASSERT_EQ(good.substr(block, 4), std::string("\x01\x00\x1C\x00", 4));
    ASSERT_NE(locator, std::string::npos);
    ASSERT_NE(record, std::string::npos);
    auto patched = [&](size_t at, std::string_view bytes) {
        std::string copy = good;
        copy.replace(at, bytes.size(), bytes);
        return copy;
    };
    const struct {
        const char* what;
        std::string bytes;
        int32_t error;
        const char* text;
        bool listed;  // the archive stays open with every entry listed
    } cases[] = {
        {"locator pointing past the end, no record in front",
         patched(record, "XX").replace(locator + 8, 8, std::string("\x00\x00\x00\x00\x01\x00\x00\x00", 8)),
         msg::EocReadError, "the ZIP64 end record is not where its locator says", false},
        {"no ZIP64 records at all", patched(locator, "XX").replace(record, 2, "XX"), msg::EocReadError,
         "the ZIP64 end record is missing", false},
        {"a count no directory can hold",
         patched(record + 24, std::string("\x00\x00\x00\x00\x00\x00\x00\x10", 8))
             .replace(record + 32, 8, std::string("\x00\x00\x00\x00\x00\x00\x00\x10", 8)),
         msg::CentralSignatureWrong, "", false},
        // Only that entry is lost: RUROZA skips it as damaged and extracts the others.
        {"ZIP64 block too short for its values", patched(block + 2, std::string("\x08\x00", 2)),
         msg::CentralExtraReadError, "is too short", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string archive = dir / "bad.zip";
        WriteFile(archive, c.bytes);
        h.messages.clear();
        EXPECT_EQ(h.Open(archive), c.error);
        ASSERT_FALSE(h.messages.empty());
        EXPECT_NE(h.messages.back().second.find(c.text), std::string::npos) << h.messages.back().second;
        EXPECT_LE(h.zip.Entries().capacity(), c.bytes.size() / 46 + 1);
        EXPECT_EQ(h.zip.ZipFileName().empty(), !c.listed);
        if (c.listed) {
            EXPECT_EQ(h.zip.Count(), 6);
            EXPECT_EQ(Extract(dir / "out-damaged"), 3);
            EXPECT_EQ(h.zip.ErrCode(), abi::kCodeArchiveStructure);
        }
    }
}

}  // namespace
}  // namespace ruvu::enginetest
