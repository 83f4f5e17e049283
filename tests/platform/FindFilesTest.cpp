#include "platform/FindFiles.h"

#include <gtest/gtest.h>

#include "PlatformTestSupport.h"
#include "platform/DosTime.h"
#include "platform/Drives.h"

namespace ruvu::platform {
namespace {

using test::ScopedDrives;
using test::TempFolder;
using test::WriteTextFile;

struct MaskCase {
    const char* name;
    const char* mask;
    bool matches;
};

class MaskTest : public ::testing::TestWithParam<MaskCase> {};

TEST_P(MaskTest, WindowsWildcardRules) {
    EXPECT_EQ(MatchesMask(GetParam().name, GetParam().mask), GetParam().matches)
        << GetParam().name << " vs " << GetParam().mask;
}

INSTANTIATE_TEST_SUITE_P(
    Masks, MaskTest,
    ::testing::Values(MaskCase{"README.TXT", "*.*", true}, MaskCase{"README", "*.*", true},
                      MaskCase{"a.b.c", "*.*", true}, MaskCase{".profile", "*.*", true},
                      MaskCase{"abc.zip", "???.zip", true}, MaskCase{"ABC.ZIP", "???.zip", true},
                      MaskCase{"ab.zip", "???.zip", false}, MaskCase{"abcd.zip", "???.zip", false},
                      MaskCase{"\xc3\xa1rv.zip", "???.zip", true},  // árv: three characters
                      MaskCase{"x.ZIP", "*.zip", true}, MaskCase{"x.zip.bak", "*.zip", false},
                      MaskCase{"readme", "*.", true}, MaskCase{"read.me", "*.", false},
                      MaskCase{"a", "a*.*", true}, MaskCase{"abc", "*B*", true}, MaskCase{"ac", "a?c", false},
                      MaskCase{"aXc", "a?c", true}, MaskCase{"x.spl", "X.SPL", true},
                      MaskCase{"x.001", "x.0??", true},
                      // Accented letters in either case are one letter; ő and ö stay two.
                      MaskCase{"á", "Á", true}, MaskCase{"mentés.spl", "MENTÉS.*", true},
                      MaskCase{"ő", "ö", false}));

class FindFilesTest : public ::testing::Test {
  protected:
    FindFilesTest() : drives_("C=" + root_.Path()) {
        test::MakeFolders(root_ / "dir/Sub.zip");
        WriteTextFile(root_ / "dir/b.ZIP", "12345");
        WriteTextFile(root_ / "dir/a.zip", "1");
        WriteTextFile(root_ / "dir/.hidden.zip", "");
        WriteTextFile(root_ / "dir/notes.txt", "");
    }

    static std::vector<std::string> Names(const std::vector<FindEntry>& entries) {
        std::vector<std::string> names;
        for (const FindEntry& entry : entries) {
            names.push_back(entry.name);
        }
        return names;
    }

    TempFolder root_;
    ScopedDrives drives_;
};

TEST_F(FindFilesTest, ListsMatchingEntriesInByteOrderWithTheAttributesAsked) {
    EXPECT_EQ(Names(FindFiles("C:\\DIR\\*.*")),
              (std::vector<std::string>{".hidden.zip", "Sub.zip", "a.zip", "b.ZIP", "notes.txt"}));
    EXPECT_EQ(Names(FindFiles("C:\\dir\\*.zip", faArchive | faReadOnly)),
              (std::vector<std::string>{"a.zip", "b.ZIP"}));
    EXPECT_EQ(Names(FindFiles("c:/dir/*.zip", faDirectory)),
              (std::vector<std::string>{"Sub.zip", "a.zip", "b.ZIP"}));
    std::vector<FindEntry> entries = FindFiles("C:\\dir\\B.zip");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].size, 5);
    EXPECT_EQ(entries[0].attributes, faArchive);
    EXPECT_EQ(entries[0].dosDateTime, UnixToDosDateTime(entries[0].modifiedUnix));
    EXPECT_EQ(FindFiles("C:\\dir\\sub.zip")[0].attributes, faDirectory);
}

TEST_F(FindFilesTest, RelativePatternsUseTheCurrentFolder) {
    ASSERT_TRUE(SetCurrentDirectory("C:\\Dir"));
    EXPECT_EQ(Names(FindFiles("?.zip", faAnyFile)), (std::vector<std::string>{"a.zip", "b.ZIP"}));
    EXPECT_EQ(Names(FindFiles("C:n*", faAnyFile)), (std::vector<std::string>{"notes.txt"}));
}

TEST_F(FindFilesTest, MissingFolderAndNoMatchAreTold) {
    HostError error = HostError::None;
    EXPECT_TRUE(FindFiles("C:\\nowhere\\*.*", faAnyFile, &error).empty());
    EXPECT_EQ(error, HostError::PathNotFound);
    EXPECT_TRUE(FindFiles("C:\\dir\\*.rar", faAnyFile, &error).empty());
    EXPECT_EQ(error, HostError::FileNotFound);
    EXPECT_TRUE(FindFiles("C:\\dir\\\\*.*", faAnyFile, &error).empty());
    EXPECT_EQ(error, HostError::InvalidName);
}

}  // namespace
}  // namespace ruvu::platform
