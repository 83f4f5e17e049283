// Finding the archive in a file: the end record behind comments, padding and stubs, a comment that
// holds an end record of its own, the ZIP64 records, and files that hold no archive at all.
#include <gtest/gtest.h>

#include "zipformat/CentralDirHeader.h"
#include "zipformat/EndRecordSearch.h"
#include "zipformat/LocalFileHeader.h"
#include "zipformat/Zip64EndRecord.h"
#include "zipformat/Zip64Locator.h"
#include "zipformat/ZipConstants.h"

namespace ruvu::zip {
namespace {

// A stored archive of the named empty files.
struct Archive {
    std::string body;  // local headers and the central directory
    EndOfCentralDir end;
    std::string Bytes(std::string_view comment) const {
        EndOfCentralDir record = end;
        record.CommentLength = static_cast<uint16_t>(comment.size());
        std::string out = body;
        record.AppendTo(out);
        return out.append(comment);
    }
};

Archive MakeArchive(const std::vector<std::string>& names) {
    Archive a;
    std::string directory;
    for (const std::string& name : names) {
        CentralDirEntry central;
        central.LocalHeaderOffset = static_cast<uint32_t>(a.body.size());
        central.Name = name;
        LocalFileEntry local;
        local.Name = name;
        a.body += local.Serialize();
        directory += central.Serialize();
    }
    a.end.EntriesThisDisk = a.end.TotalEntries = static_cast<uint16_t>(names.size());
    a.end.CentralDirSize = static_cast<uint32_t>(directory.size());
    a.end.CentralDirOffset = static_cast<uint32_t>(a.body.size());
    a.body += directory;
    return a;
}

// A source whose reads always fail.
class BrokenSource : public ByteSource {
  public:
    int64_t Size() override { return 100; }
    int64_t ReadAt(uint64_t, void*, size_t) override { return -1; }
};

TEST(EndRecordSearch, TheRecordWhoseCommentEndsTheFileAndWhoseDirectoryIsThereWins) {
    const Archive real = MakeArchive({"a.txt", "b.txt"});
    const std::string plain = real.Bytes("");
    // Complete end records inside a comment: one pointing nowhere, an empty archive's, and a whole
    // small archive whose directory does lie right in front of its record.
    EndOfCentralDir nowhere = real.end;
    nowhere.CentralDirOffset = 3;
    std::string nowhereBytes;
    nowhere.AppendTo(nowhereBytes);
    const std::string emptyBytes = MakeArchive({}).Bytes("");
    const std::string innerBytes = MakeArchive({"inner.txt"}).Bytes("");
    const std::string longComment(EndOfCentralDir::kMaxCommentLength, 'c');
    const std::string stub(3000, 'S');

    const struct {
        const char* what;
        std::string file;
        uint64_t offset;  // where the chosen record is
        std::string comment;
        bool fits;
        std::string trailing;
    } cases[] = {
        {"no comment", plain, plain.size() - 22, "", true, ""},
        {"longest comment", real.Bytes(longComment), plain.size() - 22, longComment, true, ""},
        {"record pointing nowhere in the comment", real.Bytes("x" + nowhereBytes), plain.size() - 22,
         "x" + nowhereBytes, true, ""},
        {"empty archive as the comment", real.Bytes(emptyBytes), plain.size() - 22, emptyBytes, true, ""},
        {"whole archive as the comment", real.Bytes(innerBytes), plain.size() - 22, innerBytes, true, ""},
        {"stub in front not counted", stub + real.Bytes("y" + nowhereBytes), stub.size() + plain.size() - 22,
         "y" + nowhereBytes, true, ""},
        {"padding after the archive", plain + std::string(100, '\0'), plain.size() - 22, "", false,
         std::string(100, '\0')},
        {"record in the comment and padding", real.Bytes(nowhereBytes) + "\r\n",
         plain.size() + nowhereBytes.size() - 22, "", false, "\r\n"},
        {"comment cut short", real.Bytes("only this").substr(0, plain.size() + 4), plain.size() - 22, "only",
         false, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MemorySource source(c.file);
        EndRecordLocation found;
        ASSERT_EQ(FindEndRecord(source, c.file.size(), found), EndRecordSearch::Found);
        EXPECT_EQ(found.Offset, c.offset);
        EXPECT_EQ(found.Comment, c.comment);
        EXPECT_EQ(found.Fits, c.fits);
        EXPECT_EQ(found.Trailing, c.trailing);
        EXPECT_EQ(found.ArchiveEnd, found.Offset + 22 + found.Record.CommentLength);
    }
}

TEST(EndRecordSearch, Zip64RecordsWhereTheLocatorSaysOrDirectlyInFront) {
    const Archive real = MakeArchive({"a.txt"});
    Zip64EndRecord end64;
    end64.EntriesThisDisk = end64.TotalEntries = 0x100000001;
    end64.CentralDirSize = real.end.CentralDirSize;
    end64.CentralDirOffset = real.end.CentralDirOffset;
    end64.ThisDiskNo = 0;
    EndOfCentralDir end;
    end.EntriesThisDisk = end.TotalEntries = kZip64Marker16;
    end.CentralDirSize = real.end.CentralDirSize;  // complete values stay as they are
    end.CentralDirOffset = kZip64Marker32;
    auto build = [&](uint64_t locatorSays, std::string_view front, bool withRecord) {
        std::string out = std::string(front) + real.body;
        const uint64_t recordPos = out.size();
        if (withRecord) {
            end64.AppendTo(out);
        }
        Zip64Locator locator;
        locator.EndRecordOffset = locatorSays == UINT64_MAX ? recordPos : locatorSays;
        locator.AppendTo(out);
        end.AppendTo(out);
        return std::make_pair(out, recordPos);
    };
    const struct {
        const char* what;
        std::pair<std::string, uint64_t> file;
        bool hasRecord;
    } cases[] = {
        {"where the locator says", build(UINT64_MAX, "", true), true},
        {"behind a stub the locator does not count", build(real.body.size(), std::string(500, 'S'), true),
         true},
        {"locator without its record", build(UINT64_MAX, "", false), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto& [bytes, recordPos] = c.file;
        MemorySource source(bytes);
        EndRecordLocation found;
        ASSERT_EQ(FindEndRecord(source, bytes.size(), found), EndRecordSearch::Found);
        const CentralDirLocation& dir = found.Directory;
        EXPECT_TRUE(dir.HasLocator);
        EXPECT_EQ(dir.HasZip64Record, c.hasRecord);
        if (c.hasRecord) {
            EXPECT_EQ(dir.TotalEntries, 0x100000001u);
            EXPECT_EQ(dir.Offset, real.end.CentralDirOffset);
            EXPECT_EQ(dir.End, recordPos);
            EXPECT_EQ(dir.End - dir.Size, recordPos - real.end.CentralDirSize);
        } else {
            EXPECT_EQ(dir.TotalEntries, kZip64Marker16);
            EXPECT_EQ(dir.End, found.Offset);
        }
        EXPECT_EQ(dir.Size, real.end.CentralDirSize);
    }
}

TEST(EndRecordSearch, FilesWithoutAnArchive) {
    for (const std::string& bytes :
         {std::string(), std::string("PK\x05\x06", 4) + std::string(17, '\0'), std::string(70000, 'z')}) {
        MemorySource source(bytes);
        EndRecordLocation found;
        EXPECT_EQ(FindEndRecord(source, bytes.size(), found), EndRecordSearch::NotFound) << bytes.size();
    }
    BrokenSource broken;
    EndRecordLocation found;
    EXPECT_EQ(FindEndRecord(broken, 100, found), EndRecordSearch::ReadFailed);
}

}  // namespace
}  // namespace ruvu::zip
