// Replacing the archive comment in place.
#include <gtest/gtest.h>
#include <utime.h>

#include <filesystem>

#include "engine/Messages.h"
#include "platform/FloppyChanger.h"
#include "tests/engine/EngineTestSupport.h"

namespace ruvu::enginetest {
namespace {

namespace fs = std::filesystem;

// The archive comment as Python reads it, as the bytes' hex digits.
std::string PeerComment(const std::string& archive) {
    return Python("import sys, zipfile\nprint(zipfile.ZipFile(sys.argv[1]).comment.hex())", {archive});
}
std::string Hex(std::string_view bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out + "\n";
}

class ArchiveCommentTest : public ::testing::Test {
  protected:
    ArchiveCommentTest() {
        WriteFile(dir / "a.txt", "some text to keep\n");
        EXPECT_EQ(RunProgram({"zip", "-q", archive, "a.txt"}, dir.Path()), 0);
        EXPECT_EQ(RunProgram({"zip", "-q", "-z", archive}, dir.Path(), "old comment"), 0);
    }

    TempDir dir;
    Harness h;
    const std::string archive = dir / "c.zip";
};

TEST_F(ArchiveCommentTest, WritesLongerAndShorterComments) {
    ASSERT_EQ(h.Open(archive), 0);
    EXPECT_EQ(h.Engine().ArchiveComment, "old comment");

    h.Engine().SetArchiveComment("a much longer comment than before");
    EXPECT_EQ(PeerComment(archive), Hex("a much longer comment than before"));
    EXPECT_EQ(RunProgram({"unzip", "-tq", archive}), 0);

    // Trailing padding goes with the old end of the record.
    AppendFile(archive, std::string(100, '\0'));
    h.Engine().SetArchiveComment("short");
    EXPECT_EQ(PeerComment(archive), Hex("short"));
    EXPECT_EQ(fs::file_size(archive), h.Engine().EndRecordOffset + 22u + 5u);
    h.Engine().SetArchiveComment("");
    EXPECT_EQ(fs::file_size(archive), h.Engine().EndRecordOffset + 22u);
    EXPECT_EQ(RunProgram({"unzip", "-tq", archive}), 0);
    EXPECT_TRUE(h.messages.empty());
}

TEST_F(ArchiveCommentTest, EqualCommentWritesNothing) {
    ASSERT_EQ(h.Open(archive), 0);
    utimbuf old{978307200, 978307200};  // 2001-01-01
    ASSERT_EQ(utime(archive.c_str(), &old), 0);
    const std::string before = ReadFile(archive);
    h.Engine().SetArchiveComment("old comment");
    EXPECT_EQ(fs::last_write_time(archive),
              fs::file_time_type::clock::from_sys(std::chrono::sys_seconds{std::chrono::seconds{978307200}}));
    EXPECT_EQ(ReadFile(archive), before);
}

TEST_F(ArchiveCommentTest, ConvertedToTheOemCodePageOfADosArchive) {
    setenv("RUVUVADU_OEMCP", "CP852", 1);
    WriteFile(archive, BuildZip({TestEntry("a.txt", "x")}).bytes);
    ASSERT_EQ(h.Open(archive), 0);
    h.Engine().SetArchiveComment("árvíztűrő");
    EXPECT_EQ(PeerComment(archive), Hex("\xA0rv\xA1zt\xFBr\x8B"));
    h.Open(archive);
    EXPECT_EQ(h.Engine().ArchiveComment, "árvíztűrő");
    unsetenv("RUVUVADU_OEMCP");
}

TEST_F(ArchiveCommentTest, WaitsWhileInactive) {
    h.zip.SetActive(false);
    h.zip.SetZipFileName(archive);
    h.Engine().SetArchiveComment("written later");
    EXPECT_EQ(PeerComment(archive), Hex("old comment"));
    EXPECT_TRUE(h.Engine().CommentPending);
    h.zip.SetActive(true);
    EXPECT_FALSE(h.Engine().CommentPending);
    EXPECT_EQ(h.zip.Count(), 1);
    EXPECT_EQ(PeerComment(archive), Hex("written later"));
    EXPECT_EQ(h.Engine().ArchiveComment, "written later");
}

TEST_F(ArchiveCommentTest, FullDiskLeavesTheArchiveAsItWas) {
    ScopedDrives drives("C=/;A=floppy:" + dir / "floppy");
    platform::FloppyChanger floppies(dir / "floppy");
    floppies.CreateDisk("full");
    floppies.Insert("full");
    // Fill the disk: the archive, and a file taking all but a little of the rest.
    const std::string onDisk = floppies.DiskFolder("full") + "/C.ZIP";
    fs::copy_file(archive, onDisk);
    WriteFile(floppies.DiskFolder("full") + "/filler.bin", std::string(1457664 - 4096 - 2048, 'f'));
    const std::string before = ReadFile(onDisk);

    h.zip.SetUnattended(true);
    ASSERT_EQ(h.Open("A:\\C.ZIP"), 0);
    h.Engine().SetArchiveComment(std::string(20000, 'c'));
    EXPECT_EQ(h.zip.ErrCode(), msg::OutputWriteError);
    EXPECT_TRUE(h.Reported(msg::OutputWriteError));
    EXPECT_EQ(h.Engine().ArchiveComment, "old comment");  // listed again
    EXPECT_EQ(ReadFile(onDisk), before);
    EXPECT_EQ(PeerComment(onDisk), Hex("old comment"));
}

}  // namespace
}  // namespace ruvu::enginetest
