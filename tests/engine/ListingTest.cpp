// Listing archives written by real peers and by hand: every field, names and code pages, stubs,
// padding, comments, directory entries and the listing's life cycle.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/Messages.h"
#include "tests/engine/EngineTestSupport.h"

namespace ruvu::enginetest {
namespace {

namespace fs = std::filesystem;

std::string Backslashed(std::string name) {
    std::replace(name.begin(), name.end(), '/', '\\');
    return name;
}

// Info-ZIP stores the lines of an archive comment with CR LF; zipinfo shows them as lines.
std::string CommentLines(std::string text) {
    for (size_t at; (at = text.find("\r\n")) != std::string::npos;) {
        text.erase(at, 1);
    }
    while (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    return text;
}

// Every field zipinfo shows agrees with the listing.
void ExpectAgreesWithZipinfo(Harness& h, const std::string& archive) {
    const ZipinfoListing expected = Zipinfo(archive);
    ASSERT_EQ(h.zip.Count(), static_cast<int32_t>(expected.entries.size()));
    EXPECT_EQ(CommentLines(h.Engine().ArchiveComment), CommentLines(expected.archiveComment));
    for (size_t i = 0; i < expected.entries.size(); ++i) {
        const ZipinfoEntry& want = expected.entries[i];
        const ZipDirEntry& got = h.zip.Entries()[i];
        SCOPED_TRACE(want.name);
        EXPECT_EQ(got.FileName, Backslashed(want.name));
        EXPECT_EQ(got.CompressedSize, want.compressedSize);
        EXPECT_EQ(got.UncompressedSize, want.uncompressedSize);
        EXPECT_EQ(got.Crc32, want.crc);
        EXPECT_EQ(got.DosDateTime, want.dosDateTime);
        EXPECT_EQ(got.LocalHeaderOffset, want.localHeaderOffset);
        EXPECT_EQ(got.ExternalAttributes & 0xFF, want.dosAttributes);
        if (want.unixMode >= 0) {
            EXPECT_EQ(got.ExternalAttributes >> 16, static_cast<uint32_t>(want.unixMode));
        }
        EXPECT_EQ(got.FileComment, want.comment);
    }
}

class ListingTest : public ::testing::Test {
  protected:
    // An Info-ZIP archive of a small tree with fixed dates, modes, file comments and an archive
    // comment; directory entries included.
    std::string MakeInfoZipArchive() {
        const std::string tree = dir / "tree";
        WriteFile(tree + "/a.txt", "alpha alpha alpha alpha\n");
        WriteFile(tree + "/sub/b.txt", std::string(5000, 'b'));
        WriteFile(tree + "/sub/deeper/c.bin", "\x01\x02\x03 binary");
        fs::create_directories(tree + "/emptydir");
        fs::permissions(tree + "/sub/b.txt", fs::perms::owner_read | fs::perms::owner_write);
        EXPECT_EQ(RunProgram({"touch", "-d", "2021-03-04 05:06:08", "a.txt", "sub/b.txt", "sub/deeper/c.bin"},
                             tree),
                  0);
        const std::string archive = dir / "info.zip";
        EXPECT_EQ(RunProgram({"zip", "-q", "-r", "-c", archive, "a.txt", "sub", "emptydir"}, tree,
                             "comment of a\n\nsecond comment\n\n\n\n"),
                  0);
        EXPECT_EQ(RunProgram({"zip", "-q", "-z", archive}, tree, "archive comment\nsecond line\n"), 0);
        return archive;
    }

    TempDir dir;
    Harness h;
};

TEST_F(ListingTest, InfoZipArchiveAgreesWithZipinfo) {
    const std::string archive = MakeInfoZipArchive();
    h.zip.SetUseDirOnlyEntries(true);
    EXPECT_EQ(h.Open(archive), 0);
    ExpectAgreesWithZipinfo(h, archive);
    EXPECT_EQ(h.Names(), (std::vector<std::string>{"a.txt", "sub\\", "sub\\b.txt", "sub\\deeper\\",
                                                   "sub\\deeper\\c.bin", "emptydir\\"}));
    EXPECT_EQ(h.zip.Entries()[0].FileComment, "comment of a");
    EXPECT_EQ(h.dirUpdates, 1);
    EXPECT_TRUE(h.ui.boxes.empty());
    EXPECT_FALSE(h.Engine().Spanned);
    EXPECT_EQ(h.Engine().FirstLocalOffset, 0u);
}

TEST_F(ListingTest, PythonArchiveAgreesWithZipinfo) {
    const std::string archive = dir / "py.zip";
    Python(R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w") as z:
    z.comment = b"made by python"
    for name, data, method, system, attr, comment in [
        ("readme.txt", b"hello " * 300, zipfile.ZIP_DEFLATED, 0, 0x21, b"first"),
        ("docs/", b"", zipfile.ZIP_STORED, 0, 0x10, b""),
        ("docs/guide.md", b"# guide\n", zipfile.ZIP_STORED, 3, (0o100640 << 16), b"unix entry"),
        ("bin/tool", b"\x7fELF" * 50, zipfile.ZIP_DEFLATED, 3, (0o100755 << 16), b""),
    ]:
        info = zipfile.ZipInfo(name, (1999, 12, 31, 23, 59, 58))
        info.compress_type = method
        info.create_system = system
        info.external_attr = attr
        info.comment = comment
        z.writestr(info, data)
)",
           {archive});
    h.zip.SetUseDirOnlyEntries(true);
    EXPECT_EQ(h.Open(archive), 0);
    ExpectAgreesWithZipinfo(h, archive);
    EXPECT_EQ(h.Engine().ArchiveComment, "made by python");
    EXPECT_EQ(h.zip.Entries()[0].Method, 8);
    EXPECT_EQ(h.zip.Entries()[2].HostSystem, 3);
}

TEST_F(ListingTest, DirectoryEntriesAreSkippedUnlessAskedFor) {
    const std::string archive = MakeInfoZipArchive();
    EXPECT_EQ(h.Open(archive), 0);
    EXPECT_EQ(h.Names(), (std::vector<std::string>{"a.txt", "sub\\b.txt", "sub\\deeper\\c.bin"}));
    EXPECT_EQ(h.Engine().SkippedDirCount, 3);
    // Sequence numbers count every header, the skipped ones too.
    EXPECT_EQ(h.seqNos, (std::vector<int32_t>{1, 3, 5}));

    h.seqNos.clear();
    h.zip.SetUseDirOnlyEntries(true);
    h.Open(archive);
    EXPECT_EQ(h.zip.Count(), 6);
    EXPECT_EQ(h.Engine().SkippedDirCount, 0);
    EXPECT_EQ(h.seqNos, (std::vector<int32_t>{1, 2, 3, 4, 5, 6}));
}

TEST_F(ListingTest, ProgressCountsEveryHeaderAndEndsTheItem) {
    const std::string archive = MakeInfoZipArchive();
    std::vector<ProgressType> kinds;
    h.zip.OnProgress = [&](TObject*, ProgressType type, const std::string&, int32_t) {
        kinds.push_back(type);
    };
    h.Open(archive);
    ASSERT_EQ(kinds.size(), 8u);
    EXPECT_EQ(kinds.front(), ptExtItemStart);
    EXPECT_EQ(std::count(kinds.begin(), kinds.end(), ptExtItemProgress), 6);
    EXPECT_EQ(kinds.back(), ptItemEnd);
    EXPECT_EQ(h.ui.cursorChanges,
              (std::vector<platform::Cursor>{platform::Cursor::HourGlass, platform::Cursor::Default}));
}

TEST_F(ListingTest, StubInFrontWithAndWithoutAdjustedOffsets) {
    const std::string archive = MakeInfoZipArchive();
    const std::string stub = "MZ" + std::string(2998, '\x90');
    const std::string sfx = dir / "sfx.exe";
    WriteFile(sfx, stub + ReadFile(archive));

    EXPECT_EQ(h.Open(sfx), msg::ListStructureWarning);
    EXPECT_TRUE(h.Reported(msg::ListStructureWarning));
    EXPECT_TRUE(h.Engine().StructureWarning);
    EXPECT_EQ(h.zip.Count(), 3);
    EXPECT_EQ(h.Engine().FirstLocalOffset, 3000u);
    EXPECT_EQ(h.zip.Entries()[0].LocalHeaderOffset, 0u);
    EXPECT_EQ(h.zip.ZipFileName(), sfx);  // a warning is no failure

    ASSERT_EQ(RunProgram({"zip", "-q", "-A", sfx}), 0);
    h.messages.clear();
    EXPECT_EQ(h.Open(sfx), 0);
    EXPECT_TRUE(h.messages.empty());
    EXPECT_FALSE(h.Engine().StructureWarning);
    EXPECT_EQ(h.Engine().FirstLocalOffset, 3000u);
    EXPECT_EQ(h.zip.Entries()[0].LocalHeaderOffset, 3000u);
}

TEST_F(ListingTest, TrailingPaddingIsToleratedOnlyWithinTheRules) {
    const std::string archive = MakeInfoZipArchive();
    const std::string original = ReadFile(archive);
    struct Case {
        const char* what;
        std::string tail;
        bool warns;
    };
    const Case cases[] = {
        {"zero bytes", std::string(100, '\0'), false},
        {"blanks and line ends", std::string(509, ' ') + "\r\n", false},
        {"512 zero bytes", std::string(512, '\0'), true},
        {"a letter", "A", true},
        {"a slash", "/", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(archive, original + c.tail);
        h.messages.clear();
        EXPECT_EQ(h.Open(archive), c.warns ? msg::ListGarbageWarning : 0);
        EXPECT_EQ(h.zip.Count(), 3);
        EXPECT_EQ(h.Engine().ArchiveSize, original.size());
        EXPECT_EQ(h.Engine().PhysicalSize, original.size() + c.tail.size());
        EXPECT_EQ(h.Engine().ArchiveComment, "archive comment\r\nsecond line");
    }
}

TEST_F(ListingTest, LongestArchiveCommentIsFound) {
    const std::string archive = dir / "comment.zip";
    Python(R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w") as z:
    z.writestr("x.txt", b"x")
    z.comment = bytes((65 + i % 26) for i in range(65535))
)",
           {archive});
    EXPECT_EQ(h.Open(archive), 0);
    EXPECT_EQ(h.zip.Count(), 1);
    ASSERT_EQ(h.Engine().ArchiveComment.size(), 65535u);
    EXPECT_EQ(h.Engine().ArchiveComment.substr(0, 3), "ABC");
    EXPECT_EQ(h.Engine().EndRecordOffset, ReadFile(archive).size() - 65557);
}

TEST_F(ListingTest, EmptyArchiveAndTooShortFiles) {
    const std::string empty = dir / "empty.zip";
    Python("import sys, zipfile\nzipfile.ZipFile(sys.argv[1], 'w').close()", {empty});
    ASSERT_EQ(ReadFile(empty).size(), 22u);
    EXPECT_EQ(h.Open(empty), 0);
    EXPECT_EQ(h.zip.Count(), 0);
    EXPECT_EQ(h.Engine().FirstLocalOffset, 0u);
    EXPECT_EQ(h.dirUpdates, 1);
    EXPECT_EQ(h.zip.ZipFileName(), empty);

    for (std::string_view bytes : {std::string_view("PK\x05\x06\0\0\0\0", 8), std::string_view()}) {
        const std::string shortFile = dir / "short.zip";
        WriteFile(shortFile, bytes);
        h.dirUpdates = 0;
        EXPECT_EQ(h.Open(shortFile), msg::NotValidZip);
        EXPECT_EQ(h.dirUpdates, 0);
        EXPECT_TRUE(h.ui.boxes.back().text == "This archive is not a valid Zip archive");
    }
}

TEST_F(ListingTest, MissingArchiveListsAsEmpty) {
    EXPECT_EQ(h.Open(dir / "new.zip"), 0);
    EXPECT_EQ(h.zip.Count(), 0);
    EXPECT_EQ(h.dirUpdates, 1);
    EXPECT_TRUE(h.messages.empty());
    h.Open("");
    EXPECT_EQ(h.dirUpdates, 2);
}

TEST_F(ListingTest, DosNamesAreConvertedByTheCodePageRule) {
    setenv("RUVUVADU_OEMCP", "CP852", 1);
    const std::string hungarian = "árvíztűrő tükörfúrógép";
    const std::string cp852 = "\xA0rv\xA1zt\xFBr\x8B t\x81k\x94rf\xA3r\xA2g\x82p";
    // The same bytes read as Latin-2, the fallback for text that is neither OEM nor UTF-8: every byte
    // is a character of its own, so nothing is lost.
    const std::string latin2 = "\u00A0rv\u0104zt\u0171r\u008B t\u0081k\u0094rf\u0141r\u02D8g\u0082p";
    struct Case {
        const char* what;
        uint8_t host;
        uint8_t madeBy;
        CodePageOpts codePage;
        bool converted;
    };
    const Case cases[] = {
        {"MS-DOS, automatic", 0, 20, cpAuto, true},   {"MS-DOS, no conversion", 0, 20, cpNone, false},
        {"Unix, automatic", 3, 30, cpAuto, false},    {"Unix, OEM", 3, 30, cpOEM, true},
        {"HPFS, no conversion", 6, 20, cpNone, true}, {"NTFS 5.0", 11, 50, cpNone, true},
        {"NTFS 2.0", 11, 20, cpAuto, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TestEntry entry("dir/" + cp852 + ".txt", "x", cp852);
        entry.host = c.host;
        entry.madeBy = c.madeBy;
        const std::string archive = dir / "dos.zip";
        WriteFile(archive, BuildZip({entry}, cp852).bytes);
        h.zip.SetCodePage(c.codePage);
        EXPECT_EQ(h.Open(archive), 0);
        ASSERT_EQ(h.zip.Count(), 1);
        const ZipDirEntry& got = h.zip.Entries()[0];
        const std::string expected = c.converted ? hungarian : latin2;
        EXPECT_EQ(got.FileName, "dir\\" + expected + ".txt");
        EXPECT_EQ(got.FileComment, expected);
        EXPECT_EQ(got.FileNameLength, entry.name.size());
        EXPECT_EQ(h.Engine().ArchiveComment, expected);
    }
    unsetenv("RUVUVADU_OEMCP");
}

TEST_F(ListingTest, Utf8NamesWithFlagBit11AreNeverConverted) {
    const std::string archive = dir / "utf8.zip";
    Python(R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w") as z:
    for name in ["ünnep/árvíztűrő.txt", "plain.txt", "日本語.txt"]:
        info = zipfile.ZipInfo(name, (2020, 1, 2, 3, 4, 6))
        info.create_system = 0
        info.comment = "megjegyzés".encode("utf-8")
        z.writestr(info, b"data")
)",
           {archive});
    EXPECT_EQ(h.Open(archive), 0);
    EXPECT_EQ(h.Names(), (std::vector<std::string>{"ünnep\\árvíztűrő.txt", "plain.txt", "日本語.txt"}));
    EXPECT_TRUE(h.zip.Entries()[0].Flags & 0x0800);
    EXPECT_EQ(h.zip.Entries()[0].FileComment, "megjegyzés");
    EXPECT_EQ(h.zip.Entries()[2].FileNameLength, std::string("日本語.txt").size());
}

TEST_F(ListingTest, ManyEntriesBeyondTheEndRecordsCount) {
    const std::string archive = dir / "many.zip";
    Python(R"(
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w") as z:
    for i in range(70000):
        z.writestr("f%05d" % i, b"")
)",
           {archive});
    EXPECT_EQ(h.Open(archive), 0);
    ASSERT_EQ(h.zip.Count(), 70000);
    EXPECT_EQ(h.zip.Entries().back().FileName, "f69999");

    // Behind a stub the extended records are found where the shifted archive put them.
    const std::string sfx = dir / "many.exe";
    WriteFile(sfx, std::string(1000, 'S') + ReadFile(archive));
    EXPECT_EQ(h.Open(sfx), msg::ListStructureWarning);
    EXPECT_EQ(h.zip.Count(), 70000);
    EXPECT_EQ(h.Engine().FirstLocalOffset, 1000u);
}

TEST_F(ListingTest, ReentryDuringAListingIsRefusedAndRemembered) {
    const std::string archive = MakeInfoZipArchive();
    const std::string other = dir / "other.zip";
    WriteFile(other, BuildZip({TestEntry("other.txt")}).bytes);
    h.zip.SetVerbose(true);
    int refused = 0;
    h.zip.OnNewName = [&](TObject*, int32_t, const ZipDirEntry&) {
        EXPECT_TRUE(h.zip.Busy());
        h.zip.SetZipFileName(other);
        h.zip.SetErrCode(99);
        h.zip.SetExtAddStoreSuffixes("doc");
        ++refused;
    };
    EXPECT_EQ(h.Open(archive), TDozErozev::kReentryBit);
    EXPECT_EQ(refused, 3);
    EXPECT_TRUE(h.zip.ReentrySeen());
    EXPECT_EQ(h.zip.ZipFileName(), archive);
    EXPECT_EQ(h.zip.Count(), 3);
    EXPECT_EQ(h.zip.ExtAddStoreSuffixes(), "");
    EXPECT_EQ(std::count(h.messages.begin(), h.messages.end(), std::make_pair(0, std::string("Re-entry"))),
              9);

    h.zip.OnNewName = nullptr;
    EXPECT_EQ(h.Open(other), 0);  // the next Start forgets the re-entry
    EXPECT_FALSE(h.zip.ReentrySeen());
}

TEST_F(ListingTest, InactiveComponentDefersTheListing) {
    const std::string archive = MakeInfoZipArchive();
    h.zip.SetActive(false);
    h.zip.SetZipFileName(archive);
    EXPECT_EQ(h.zip.ErrCode(), msg::NotActive);
    EXPECT_EQ(h.zip.Count(), 0);
    EXPECT_EQ(h.dirUpdates, 0);
    EXPECT_TRUE(h.Engine().ListPending);
    h.zip.SetActive(true);
    EXPECT_FALSE(h.Engine().ListPending);
    EXPECT_EQ(h.dirUpdates, 1);
    EXPECT_EQ(h.zip.Count(), 3);
    EXPECT_EQ(h.zip.ErrCode(), 0);

    // Switching off and on again with nothing pending lists nothing.
    h.zip.SetActive(false);
    h.zip.SetActive(true);
    EXPECT_EQ(h.dirUpdates, 1);
}

TEST_F(ListingTest, FailedListingKeepsWhatWasReadAndForgetsTheName) {
    const std::string archive = MakeInfoZipArchive();
    h.zip.OnNewName = [&](TObject*, int32_t seqNo, const ZipDirEntry&) {
        if (seqNo == 3) {
            h.zip.SetCancel(true);
        }
    };
    EXPECT_EQ(h.Open(archive), msg::UserCanceled);
    EXPECT_EQ(h.zip.ZipFileName(), "");
    EXPECT_EQ(h.zip.Count(), 0);
    EXPECT_EQ(h.zip.Entries().size(), 2u);
    EXPECT_EQ(h.dirUpdates, 1);
    EXPECT_EQ(h.Engine().FirstLocalOffset, 0u);

    h.zip.SetCancel(false);
    h.zip.OnNewName = [](TObject*, int32_t, const ZipDirEntry&) {
        throw std::runtime_error("handler broke");
    };
    EXPECT_EQ(h.Open(archive), msg::ListUnknownError);
    EXPECT_EQ(h.messages.back().second, "Unknown error in List() function\nhandler broke");
}

}  // namespace
}  // namespace ruvu::enginetest
