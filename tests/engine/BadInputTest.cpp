// Damaged and hostile archives: each ends with its message, keeps what could be read, and never
// reads outside a record or trusts a count.
#include <gtest/gtest.h>

#include <filesystem>

#include "engine/Messages.h"
#include "tests/engine/EngineTestSupport.h"
#include "zipformat/ByteOrder.h"
#include "zipformat/CentralDirHeader.h"
#include "zipformat/EndOfCentralDir.h"
#include "zipformat/Zip64EndRecord.h"
#include "zipformat/Zip64Locator.h"

namespace ruvu::enginetest {
namespace {

const std::string kExtra("\x55\x54\x01\x00\x01", 5);

class BadInputTest : public ::testing::Test {
  protected:
    BadInputTest() {
        h.zip.SetUnattended(true);
        TestEntry withExtra("two.txt", "22");
        withExtra.extra = kExtra;
        built = BuildZip({TestEntry("one.txt", "1", "c1"), withExtra, TestEntry("three.txt", "333")});
    }

    void Put16(size_t at, uint16_t value) {
        zip::PutU16(reinterpret_cast<uint8_t*>(built.bytes.data() + at), value);
    }
    void Put32(size_t at, uint32_t value) {
        zip::PutU32(reinterpret_cast<uint8_t*>(built.bytes.data() + at), value);
    }
    // Lists the (changed) archive and returns ErrCode.
    int32_t List() {
        WriteFile(archive, built.bytes);
        h.messages.clear();
        h.dirUpdates = 0;
        return h.Open(archive);
    }
    size_t EndField(size_t offset) const { return built.endRecordOffset + offset; }
    size_t LastHeaderField(size_t offset) const { return built.centralHeaders.back() + offset; }

    TempDir dir;
    Harness h;
    BuiltZip built;
    const std::string archive = dir / "bad.zip";
};

TEST_F(BadInputTest, HandBuiltArchiveListsCleanly) {
    EXPECT_EQ(List(), 0);
    EXPECT_EQ(h.zip.Count(), 3);
    EXPECT_EQ(h.zip.Entries()[1].ExtraData, kExtra);
    EXPECT_EQ(h.zip.Entries()[0].FileComment, "c1");
    EXPECT_EQ(RunProgram({"unzip", "-tq", archive}), 0);
}

TEST_F(BadInputTest, MoreEntriesCountedThanTheDirectoryHolds) {
    Put16(EndField(offsetof(zip::EndOfCentralDir, TotalEntries)), 7);
    EXPECT_EQ(List(), msg::CentralHeaderReadError);  // the end record leaves too few bytes
    EXPECT_EQ(h.zip.Entries().size(), 3u);           // what was read stays listed
    EXPECT_EQ(h.zip.ZipFileName(), "");
    EXPECT_EQ(h.dirUpdates, 1);
    EXPECT_TRUE(h.ui.boxes.empty());

    // With an archive comment behind it the end record is read as a header.
    Put16(EndField(offsetof(zip::EndOfCentralDir, CommentLength)), 40);
    built.bytes += std::string(40, 'c');
    EXPECT_EQ(List(), msg::CentralSignatureWrong);
    EXPECT_EQ(h.zip.Entries().size(), 3u);
}

TEST_F(BadInputTest, DirectoryRunningIntoTheEndOfTheFile) {
    // A directory said to be 10 bytes long starts 10 bytes before the end record, and the end
    // record with no comment leaves fewer than 46 bytes to read.
    Put32(EndField(offsetof(zip::EndOfCentralDir, CentralDirSize)), 10);
    EXPECT_EQ(List(), msg::CentralHeaderReadError);
    EXPECT_TRUE(h.Reported(msg::ListStructureWarning));
    EXPECT_TRUE(h.zip.Entries().empty());
}

TEST_F(BadInputTest, LengthsRunningPastTheEnd) {
    const BuiltZip good = built;
    struct Case {
        const char* what;
        size_t field;
        int32_t id;
    };
    const Case cases[] = {
        {"name", offsetof(zip::CentralDirHeader, FileNameLength), msg::CentralNameReadError},
        {"extra field", offsetof(zip::CentralDirHeader, ExtraLength), msg::ListSeekError},
        {"file comment", offsetof(zip::CentralDirHeader, CommentLength), msg::FileCommentReadError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        built = good;
        Put16(LastHeaderField(c.field), 0xFFFF);
        EXPECT_EQ(List(), c.id);
        EXPECT_EQ(h.zip.Entries().size(), 2u);
    }
}

TEST_F(BadInputTest, OffsetsPointingAnywhere) {
    Put32(EndField(offsetof(zip::EndOfCentralDir, CentralDirOffset)), 0xFFFFFF00);
    Put32(LastHeaderField(offsetof(zip::CentralDirHeader, LocalHeaderOffset)), 0xFFFFFFF0);
    EXPECT_EQ(List(), msg::ListStructureWarning);  // the directory is found from the end record
    EXPECT_EQ(h.zip.Count(), 3);

    Put32(EndField(offsetof(zip::EndOfCentralDir, CentralDirSize)), 0xFFFFFFF0);
    EXPECT_EQ(List(), msg::ListSeekError);

    // A directory on a disk of a set that is not there.
    Put32(EndField(offsetof(zip::EndOfCentralDir, CentralDirSize)),
          built.endRecordOffset - built.centralDirOffset);
    Put16(EndField(offsetof(zip::EndOfCentralDir, CentralDirDisk)), 3);
    EXPECT_EQ(List(), msg::InputFileMissing);
    EXPECT_EQ(h.zip.ZipFileName(), "");
}

TEST_F(BadInputTest, ArchiveCommentCutShortByTheEndOfTheFile) {
    Put16(EndField(offsetof(zip::EndOfCentralDir, CommentLength)), 500);
    built.bytes += "only this";
    EXPECT_EQ(List(), 0);
    EXPECT_EQ(h.Engine().ArchiveComment, "only this");
    EXPECT_EQ(h.zip.Count(), 3);
}

TEST_F(BadInputTest, HugeEntryCountInExtendedRecordsIsNotTrusted) {
    // Extended end records claiming 2^60 entries in front of an end record that defers to them.
    zip::Zip64EndRecord end;
    end.TotalEntries = uint64_t{1} << 60;
    end.CentralDirSize = built.endRecordOffset - built.centralDirOffset;
    end.CentralDirOffset = built.centralDirOffset;
    zip::Zip64Locator locator;
    locator.EndRecordOffset = built.endRecordOffset;
    std::string tail;
    end.AppendTo(tail);
    locator.AppendTo(tail);
    built.bytes.insert(built.endRecordOffset, tail);
    built.endRecordOffset += static_cast<uint32_t>(tail.size());
    Put16(EndField(offsetof(zip::EndOfCentralDir, TotalEntries)), 0xFFFF);
    EXPECT_EQ(List(), msg::CentralSignatureWrong);
    EXPECT_EQ(h.zip.Entries().size(), 3u);
    EXPECT_LT(h.zip.Entries().capacity(), 1000u);
}

TEST_F(BadInputTest, NotAnArchiveAtAll) {
    built.bytes = std::string(3000, 'z');
    EXPECT_EQ(List(), msg::NotValidZip);
    EXPECT_EQ(h.dirUpdates, 0);
}

TEST_F(BadInputTest, FileOfFourGigabytesWithoutAnArchiveIsNoZip) {
    WriteFile(archive, {});
    std::filesystem::resize_file(archive, (uint64_t{1} << 32) + 100);
    h.messages.clear();
    EXPECT_EQ(h.Open(archive), msg::NotValidZip);
}

TEST_F(BadInputTest, UndefinedDrivesAreReportedNotThrown) {
    ScopedDrives drives("C=" + dir.Path());
    EXPECT_EQ(h.Open("Q:\\archive.zip"), msg::DriveNotDefined);
    EXPECT_EQ(h.messages.back().second, "Drive Q:\\ is NOT defined");
    EXPECT_EQ(h.Open("1:\\archive.zip"), msg::InvalidDrive);
    EXPECT_EQ(h.dirUpdates, 0);

    h.Engine().ZipFileName = "Q:\\archive.zip";
    h.Engine().SetArchiveComment("text");
    EXPECT_EQ(h.zip.ErrCode(), msg::DriveNotDefined);
}

}  // namespace
}  // namespace ruvu::enginetest
