// Archives from other systems and tools, through the component and the real libraries: names in
// the code pages of other hosts under every CodePage setting, a comment that holds an end record,
// folders known only by their attributes, and names carried in Unicode Path blocks. A row the listing
// shows must be extracted, tested and deleted by exactly the text shown.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "platform/CodePage.h"
#include "tests/engine/EngineTestSupport.h"
#include "zipformat/ByteOrder.h"
#include "zipformat/Crc32.h"
#include "zipformat/ZipConstants.h"

namespace ruvu::enginetest {
namespace {

namespace fs = std::filesystem;

class ForeignArchiveTest : public ::testing::Test {
  protected:
    ForeignArchiveTest() {
        setenv("RUVUVADU_OEMCP", "CP852", 1);
        unsetenv("RUVUVADU_ANSICP");
        h.zip.SetUnattended(true);
    }
    ~ForeignArchiveTest() override { unsetenv("RUVUVADU_OEMCP"); }

    // Runs Extract (or Test) for the specs and returns the files it reports done.
    int32_t Extract(const std::vector<std::string>& specs, const std::string& folder) {
        h.zip.SetExtrBaseDir(folder);
        h.zip.SetExtrOptions({ExtrDirNames, ExtrForceDirs, ExtrOverWrite});
        h.zip.FSpecArgs() = specs;
        h.zip.Extract();
        return h.zip.SuccessCount();
    }
    int32_t Test(const std::vector<std::string>& specs) {
        h.zip.SetExtrOptions({ExtrTest});
        h.zip.FSpecArgs() = specs;
        h.zip.Extract();
        return h.zip.SuccessCount();
    }
    int32_t Delete(const std::vector<std::string>& specs) {
        h.zip.FSpecArgs() = specs;
        h.zip.Delete();
        return h.zip.SuccessCount();
    }

    TempDir dir;
    Harness h;
    const std::string archive = dir / "foreign.zip";
};

TEST_F(ForeignArchiveTest, EveryListedNameSelectsItsEntryUnderEveryCodePage) {
    const std::string readable = "mappa\\árvíztűrő tükörfúrógép.txt";
    // The same name in the code page of each host, without flag bit 11.
    const std::string latin2 = "mappa/\xE1rv\xEDzt\xFBr\xF5 t\xFCk\xF6rf\xFAr\xF3g\xE9p.txt";
    const std::string cp852 = "mappa/\xA0rv\xA1zt\xFBr\x8B t\x81k\x94rf\xA3r\xA2g\x82p.txt";
    const struct {
        const char* what;
        std::string stored;
        uint8_t host;
        uint8_t madeBy;
        uint32_t attributes;
        CodePageOpts codePage;
        bool readable;  // listed as the name was meant; otherwise in another code page, still usable
    } cases[] = {
        {"Latin-2 on Unix, automatic", latin2, zip::kHostUnix, 30, 0100644u << 16, cpAuto, true},
        {"Latin-2 on Unix, none", latin2, zip::kHostUnix, 30, 0100644u << 16, cpNone, true},
        {"Latin-2 on Unix, OEM", latin2, zip::kHostUnix, 30, 0100644u << 16, cpOEM, false},
        {"CP852 on MS-DOS, automatic", cp852, zip::kHostMsDos, 20, zip::kDosArchive, cpAuto, true},
        {"CP852 on MS-DOS, none", cp852, zip::kHostMsDos, 20, zip::kDosArchive, cpNone, false},
        {"CP852 on MS-DOS, OEM", cp852, zip::kHostMsDos, 20, zip::kDosArchive, cpOEM, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TestEntry foreign(c.stored, "foreign data", "megjegyz\xE9s");
        foreign.host = c.host;
        foreign.madeBy = c.madeBy;
        foreign.externalAttributes = c.attributes;
        TestEntry other("other.txt", "other data");
        other.host = c.host;
        WriteFile(archive, BuildZip({foreign, other}).bytes);
        h.zip.SetCodePage(c.codePage);
        ASSERT_EQ(h.Open(archive), 0);
        ASSERT_EQ(h.zip.Count(), 2);
        const std::string listed = h.zip.Entries()[0].FileName;
        EXPECT_TRUE(platform::IsValidUtf8(listed));
        EXPECT_TRUE(platform::IsValidUtf8(h.zip.Entries()[0].FileComment));
        EXPECT_EQ(listed == readable, c.readable) << listed;

        const std::string out = dir / ("out-" + std::to_string(&c - cases));
        EXPECT_EQ(Extract({listed}, out), 1);
        std::string onDisk = listed;
        std::replace(onDisk.begin(), onDisk.end(), '\\', '/');
        EXPECT_EQ(ReadFile(out + "/" + onDisk), "foreign data");
        EXPECT_EQ(Test({listed}), 1);
        EXPECT_EQ(Delete({listed}), 1);
        EXPECT_EQ(h.Names(), std::vector<std::string>{"other.txt"});
        EXPECT_TRUE(h.ui.boxes.empty());
    }
}

TEST_F(ForeignArchiveTest, ACommentHoldingAWholeArchiveHidesNoEntry) {
    WriteFile(dir / "in/real.txt", "real data");
    WriteFile(dir / "in/second.txt", "second");
    ASSERT_EQ(RunProgram({"zip", "-q", archive, "real.txt", "second.txt"}, dir / "in"), 0);
    WriteFile(dir / "in/decoy.txt", "decoy");
    ASSERT_EQ(RunProgram({"zip", "-q", dir / "decoy.zip", "decoy.txt"}, dir / "in"), 0);
    // The decoy archive, end record and all, becomes the archive comment.
    Python(
        "import sys, zipfile\n"
        "with zipfile.ZipFile(sys.argv[1], 'a') as z: z.comment = open(sys.argv[2], 'rb').read()",
        {archive, dir / "decoy.zip"});
    std::string sevenZip;
    ASSERT_EQ(RunProgram({"7z", "l", "-slt", archive}, {}, {}, &sevenZip), 0);
    EXPECT_NE(sevenZip.find("Path = second.txt"), std::string::npos);
    EXPECT_EQ(sevenZip.find("decoy.txt"), std::string::npos);

    EXPECT_EQ(h.Open(archive), 0);
    EXPECT_EQ(h.Names(), (std::vector<std::string>{"real.txt", "second.txt"}));
    EXPECT_EQ(h.Engine().RawArchiveComment, ReadFile(dir / "decoy.zip"));
    EXPECT_EQ(Extract({}, dir / "out"), 2);
    EXPECT_EQ(ReadFile(dir / "out/real.txt"), "real data");
    EXPECT_EQ(Test({}), 2);
    EXPECT_EQ(Delete({"second.txt"}), 1);
    EXPECT_EQ(h.Names(), std::vector<std::string>{"real.txt"});
    EXPECT_EQ(h.Engine().RawArchiveComment, ReadFile(dir / "decoy.zip"));
}

TEST_F(ForeignArchiveTest, FoldersWithoutATrailingSlashAreFolders) {
    // As some tools write them: the MS-DOS directory bit, or a Unix directory mode, and no "/".
    TestEntry dosFolder("def");
    dosFolder.externalAttributes = zip::kDosDirectory;
    TestEntry unixFolder("jkl");
    unixFolder.host = zip::kHostUnix;
    unixFolder.madeBy = 30;
    unixFolder.externalAttributes = 040755u << 16;
    TestEntry unixFile("jkl/bar.txt", "bar");
    unixFile.host = zip::kHostUnix;
    unixFile.externalAttributes = 0100644u << 16;
    WriteFile(archive, BuildZip({dosFolder, TestEntry("def/foo.txt", "foo"), unixFolder, unixFile}).bytes);

    EXPECT_EQ(h.Open(archive), 0);
    EXPECT_EQ(h.Names(), (std::vector<std::string>{"def\\foo.txt", "jkl\\bar.txt"}));
    EXPECT_EQ(h.Engine().SkippedDirCount, 2);
    EXPECT_EQ(Extract({}, dir / "out"), 2);
    EXPECT_TRUE(fs::is_directory(dir / "out/def"));
    EXPECT_TRUE(fs::is_directory(dir / "out/jkl"));
    EXPECT_EQ(ReadFile(dir / "out/def/foo.txt"), "foo");
    EXPECT_EQ(ReadFile(dir / "out/jkl/bar.txt"), "bar");
    EXPECT_EQ(Test({}), 2);
    EXPECT_TRUE(h.ui.boxes.empty());

    h.zip.SetUseDirOnlyEntries(true);
    EXPECT_EQ(h.Open(archive), 0);
    EXPECT_EQ(h.zip.Count(), 4);
    EXPECT_EQ(Extract({"jkl"}, dir / "only"), 0);  // folders are made, not counted
    EXPECT_TRUE(fs::is_directory(dir / "only/jkl"));

    // Adding the folder again replaces its entry instead of adding a second one with a slash.
    h.zip.SetRootDir(dir / "out");
    h.zip.SetAddOptions({AddDirNames, AddRecurseDirs, AddSeparateDirs});
    h.zip.FSpecArgs() = {"def"};
    EXPECT_EQ(h.zip.Add(), 0);
    EXPECT_EQ(h.Names(), (std::vector<std::string>{"def\\", "def\\foo.txt", "jkl", "jkl\\bar.txt"}));
}

// An Info-ZIP Unicode Path block: version 1, the CRC-32 of the stored name, the name in UTF-8.
std::string UnicodePath(std::string_view stored, std::string_view name, bool rightCrc) {
    std::string data;
    zip::ByteWriter(data)
        .U8(1)
        .U32(rightCrc ? zip::Crc32(0, stored.data(), stored.size()) : 0xBAD)
        .Bytes(name);
    std::string block;
    zip::ByteWriter(block).U16(zip::kExtraUnicodePath).U16(static_cast<uint16_t>(data.size())).Bytes(data);
    return block;
}

TEST_F(ForeignArchiveTest, AUnicodePathBlockNamesItsEntryOnlyWhenItsCrcMatches) {
    TestEntry right("ascii1.txt", "first");
    right.extra = UnicodePath(right.name, "árvíz.txt", true);
    TestEntry wrong("ascii2.txt", "second");
    wrong.extra = UnicodePath(wrong.name, "tükör.txt", false);
    WriteFile(archive, BuildZip({right, wrong}).bytes);
    std::string unzipNames;
    ASSERT_EQ(RunProgram({"unzip", "-Z1", archive}, {}, {}, &unzipNames), 0);

    EXPECT_EQ(h.Open(archive), 0);
    EXPECT_EQ(h.Names(), (std::vector<std::string>{"árvíz.txt", "ascii2.txt"}));
    EXPECT_EQ(unzipNames, "árvíz.txt\nascii2.txt\n");
    EXPECT_EQ(Extract({"árvíz.txt", "ascii2.txt"}, dir / "out"), 2);
    EXPECT_EQ(ReadFile(dir / "out/árvíz.txt"), "first");
    EXPECT_EQ(ReadFile(dir / "out/ascii2.txt"), "second");
    EXPECT_EQ(Delete({"árvíz.txt"}), 1);
    EXPECT_EQ(h.Names(), std::vector<std::string>{"ascii2.txt"});
}

}  // namespace
}  // namespace ruvu::enginetest
