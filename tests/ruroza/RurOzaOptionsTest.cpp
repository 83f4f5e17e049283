// The record's options and the callback protocol: selection by spec, folder names, overwrite
// questions, freshen and update, new names from the program, dates and permissions, progress.
#include <sys/stat.h>

#include <gmock/gmock.h>

#include "platform/DosTime.h"
#include "tests/ruroza/RurOzaFixture.h"
#include "zipformat/ZipConstants.h"

namespace ruvu::ruroza::test {
namespace {

using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;
using testsupport::SampleText;

using RurOzaOptionsTest = RurOzaTest;

// Three files in two folders and a folder entry, all dated 2025-04-12 12:00:00.
std::vector<CraftedEntry> SmallTree() {
    return {
        CraftedEntry("docs/"),
        CraftedEntry("docs/Readme.TXT", SampleText(100000, 1)),
        CraftedEntry("docs/img/logo.bin", "logo").Stored(),
        CraftedEntry("top.txt", "top"),
    };
}

TEST_F(RurOzaOptionsTest, CallbacksComeInOrderWithProgressPer32KiB) {
    WriteZip("a.zip", SmallTree());
    EXPECT_EQ(Extract("a.zip"), 3);  // folders are created but not counted
    std::vector<uint32_t> actions;
    for (const auto& e : callback_.events) {
        if (e.action != abi::kActionMessage) {
            actions.push_back(e.action);
        }
    }
    // Count and total first; then per file: new name, start, progress, end.
    ASSERT_GE(actions.size(), 2u);
    EXPECT_EQ(actions[0], abi::kActionTotalCount);
    EXPECT_EQ(actions[1], abi::kActionTotalSize);
    EXPECT_EQ(callback_.Of(abi::kActionTotalCount)[0].fileSize, 4);
    EXPECT_EQ(callback_.Of(abi::kActionTotalSize)[0].fileSize, 100000 + 4 + 3);
    const std::vector<uint32_t> firstFile(actions.begin() + 2, actions.begin() + 9);
    EXPECT_THAT(firstFile, ElementsAre(17, 1, 2, 2, 2, 2, 3));
    const auto progress = callback_.Of(abi::kActionItemProgress);
    ASSERT_EQ(progress.size(), 4u + 2u);  // 100000 bytes: three full steps and the rest; then two small files
    EXPECT_EQ(progress[0].fileSize, 32768);
    EXPECT_EQ(progress[3].fileSize, 100000 - 3 * 32768);
    uint64_t written = callback_.Of(abi::kActionItemEnd)[0].dataValue;
    for (int i = 0; i < 4; ++i) {
        written += progress[i].dataValue;
    }
    EXPECT_EQ(written, 100000u);
    EXPECT_EQ(callback_.Of(abi::kActionItemStart)[0].text, "docs\\Readme.TXT");
    EXPECT_EQ(callback_.Of(abi::kActionExtractName)[0].text, "docs\\Readme.TXT");
    EXPECT_EQ(ReadFileBytes(tmp_.Host("out/docs/Readme.TXT")), SampleText(100000, 1));
    EXPECT_EQ(ReadFileBytes(tmp_.Host("out/docs/img/logo.bin")), "logo");

    // Without a callback the job runs all the same.
    ClearOutput();
    auto quiet = Params("a.zip");
    quiet.Params().Callback = 0;
    EXPECT_EQ(Run(quiet), 3);
    EXPECT_EQ(ReadFileBytes(tmp_.Host("out/top.txt")), "top");
}

TEST_F(RurOzaOptionsTest, SpecsSelectWithWildcardsAnyCaseAndEitherSeparator) {
    WriteZip("a.zip", SmallTree());
    auto params = Params("a.zip");
    params.Spec("DOCS/readme.txt").Spec("*.BIN").Spec("missing.txt");
    EXPECT_EQ(Run(params), 2);
    EXPECT_TRUE(tmp_.Exists("out/docs/Readme.TXT"));
    EXPECT_TRUE(tmp_.Exists("out/docs/img/logo.bin"));
    EXPECT_FALSE(tmp_.Exists("out/top.txt"));
    EXPECT_TRUE(callback_.HasMessage("missing.txt"));

    ClearOutput();
    auto none = Params("a.zip");
    none.Spec("nothing\\*.doc");
    EXPECT_EQ(Run(none), 0);
    EXPECT_EQ(callback_.WorstCode(), abi::kCodeNothingToDo);
}

TEST_F(RurOzaOptionsTest, WithoutFolderNamesOnlyFileNamesAreKept) {
    WriteZip("a.zip", SmallTree());
    auto params = Params("a.zip");
    params.Params().DirNamesFlag = 0;
    EXPECT_EQ(Run(params), 3);
    const auto tree = Snapshot(tmp_.Host("out"));
    std::vector<std::string> names;
    for (const auto& [name, item] : tree) {
        names.push_back(name);
    }
    EXPECT_THAT(names, ElementsAre("Readme.TXT", "logo.bin", "top.txt"));
}

TEST_F(RurOzaOptionsTest, ExistingFilesAreReplacedOnlyWhenAllowedOrAnsweredYes) {
    WriteZip("a.zip", {CraftedEntry("a.txt", "new a"), CraftedEntry("b.txt", "new b")});
    tmp_.Write("out/a.txt", "old a", 1000000000);
    tmp_.Write("out/B.TXT", "old b", 2000000000);  // matched ignoring case, newer than the entry

    // No handler answer: the default is not to overwrite.
    EXPECT_EQ(Extract("a.zip"), 0);
    EXPECT_EQ(ReadFileBytes(tmp_.Host("out/a.txt")), "old a");
    EXPECT_THAT(SkipTypes(), ElementsAre(abi::stNoOverwrite, abi::stNoOverwrite));
    EXPECT_EQ(callback_.WorstCode(), 0);
    const auto asked = callback_.Of(abi::kActionOverwrite);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].text, tmp_.Win("out\\a.txt"));
    EXPECT_EQ(asked[0].errorCode, 0x10000 | 0);  // older than the entry, directory index 0
    EXPECT_EQ(asked[0].fileSize, 0);
    EXPECT_EQ(asked[1].errorCode, 1);  // newer, index 1
    EXPECT_EQ(asked[1].text, tmp_.Win("out\\B.TXT"));

    // The program answers yes for a.txt and no for b.txt.
    callback_.Clear();
    callback_.overwriteAnswers = {true, false};
    EXPECT_EQ(Extract("a.zip"), 1);
    EXPECT_EQ(ReadFileBytes(tmp_.Host("out/a.txt")), "new a");
    EXPECT_EQ(ReadFileBytes(tmp_.Host("out/B.TXT")), "old b");

    // OverwriteFlag replaces without asking, keeping the name on disk.
    callback_.Clear();
    auto params = Params("a.zip");
    params.Params().OverwriteFlag = -1;
    EXPECT_EQ(Run(params), 2);
    EXPECT_TRUE(callback_.Of(abi::kActionOverwrite).empty());
    EXPECT_EQ(ReadFileBytes(tmp_.Host("out/B.TXT")), "new b");
    EXPECT_FALSE(tmp_.Exists("out/b.txt"));
    EXPECT_TRUE(TemporaryFiles(tmp_.Host("out")).empty());
}

TEST_F(RurOzaOptionsTest, FreshenAndUpdateCompareMsDosTimes) {
    const uint32_t entryTime = 0x5A8C6000;
    const std::time_t entryUnix = platform::DosDateTimeToUnix(entryTime);
    WriteZip("a.zip", {CraftedEntry("older.txt", "entry"), CraftedEntry("same.txt", "entry"),
                       CraftedEntry("newer.txt", "entry"), CraftedEntry("absent.txt", "entry")});
    const auto prepare = [&] {
        ClearOutput();
        tmp_.Write("out/older.txt", "disk", entryUnix - 3600);
        tmp_.Write("out/same.txt", "disk", entryUnix + 1);  // within the 2-second grain
        tmp_.Write("out/newer.txt", "disk", entryUnix + 3600);
    };
    prepare();
    auto freshen = Params("a.zip");
    freshen.Params().FreshenFlag = -1;
    freshen.Params().OverwriteFlag = -1;
    EXPECT_EQ(Run(freshen), 1);
    EXPECT_EQ(ReadFileBytes(tmp_.Host("out/older.txt")), "entry");
    EXPECT_EQ(ReadFileBytes(tmp_.Host("out/same.txt")), "disk");
    EXPECT_FALSE(tmp_.Exists("out/absent.txt"));
    EXPECT_THAT(SkipTypes(), ElementsAre(abi::stNotNewer, abi::stNotNewer, abi::stNotPresent));
    EXPECT_EQ(callback_.WorstCode(), 0);

    prepare();
    auto update = Params("a.zip");
    update.Params().UpdateFlag = -1;
    update.Params().FreshenFlag = -1;  // update wins
    update.Params().OverwriteFlag = -1;
    EXPECT_EQ(Run(update), 2);
    EXPECT_EQ(ReadFileBytes(tmp_.Host("out/absent.txt")), "entry");
    EXPECT_EQ(ReadFileBytes(tmp_.Host("out/newer.txt")), "disk");
}

TEST_F(RurOzaOptionsTest, TheProgramMayRenameTargetsButNotOutOfTheBaseFolder) {
    WriteZip("a.zip", {CraftedEntry("a.txt", "A"), CraftedEntry("b.txt", "B"), CraftedEntry("c.txt", "C")});
    callback_.newNames = {{"a.txt", "renamed\\x.txt"}, {"b.txt", "..\\..\\escape.txt"}, {"c.txt", "dir\\"}};
    EXPECT_EQ(Extract("a.zip"), 2);
    EXPECT_EQ(ReadFileBytes(tmp_.Host("out/renamed/x.txt")), "A");
    EXPECT_EQ(ReadFileBytes(tmp_.Host("out/escape.txt")), "B");
    EXPECT_FALSE(tmp_.Exists("escape.txt"));
    EXPECT_THAT(SkipTypes(), ElementsAre(abi::stBadName));
}

TEST_F(RurOzaOptionsTest, DatesPermissionsAndLinksAreRestoredSafely) {
    // Extended timestamp (exact seconds) wins over the MS-DOS time.
    const std::string ut = std::string("\x55\x54\x05\x00\x01", 5) + "\x01\x02\x03\x04";  // 0x04030201
    WriteZip("a.zip", {
                          CraftedEntry("exact.txt", "x").Extra(ut),
                          CraftedEntry("dos.txt", "d").Host(0).Attributes(zip::kDosReadOnly),
                          CraftedEntry("tool.sh", "t").Mode(0104755),
                          CraftedEntry("link", "/etc/passwd").Stored().Mode(0120777),
                          CraftedEntry("folder/").Mode(040700),
                          CraftedEntry("folder/in.txt", "in"),
                      });
    EXPECT_EQ(Extract("a.zip"), 5);
    const auto tree = Snapshot(tmp_.Host("out"));
    EXPECT_EQ(tree.at("exact.txt").mtime, 0x04030201);
    EXPECT_EQ(tree.at("dos.txt").mtime, platform::DosDateTimeToUnix(0x5A8C6000));
    EXPECT_EQ(tree.at("dos.txt").mode & 0222, 0u);
    EXPECT_EQ(tree.at("tool.sh").mode, 0755u);  // set-uid dropped
    EXPECT_FALSE(tree.at("link").folder);
    struct stat info {};
    ASSERT_EQ(lstat(tmp_.Host("out/link").c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_EQ(ReadFileBytes(tmp_.Host("out/link")), "/etc/passwd");
    EXPECT_EQ(tree.at("folder").mode, 0700u);
    ASSERT_EQ(stat(tmp_.Host("out/folder").c_str(), &info), 0);
    EXPECT_EQ(info.st_mtime, platform::DosDateTimeToUnix(0x5A8C6000));
}

TEST_F(RurOzaOptionsTest, NamesAreDecodedAsTheListingShowsThem) {
    // CP852 bytes from MS-DOS, UTF-8 with flag bit 11, and UTF-8 without the flag from Unix.
    WriteZip("names.zip", {CraftedEntry("\xa0rv\xa1z.txt", "dos").Host(0),
                           CraftedEntry("t\xc3\xbck\xc3\xb6r.txt", "flagged").Host(0).Flags(0x800),
                           CraftedEntry("f\xc3\xbar\xc3\xb3.txt", "unix")});
    auto params = Params("names.zip");
    params.Spec("ÁRVÍZ.TXT").Spec("tükör.txt").Spec("fúró.txt");
    EXPECT_EQ(Run(params), 3);
    EXPECT_EQ(ReadFileBytes(tmp_.Host("out/árvíz.txt")), "dos");
    EXPECT_EQ(ReadFileBytes(tmp_.Host("out/tükör.txt")), "flagged");
    EXPECT_EQ(ReadFileBytes(tmp_.Host("out/fúró.txt")), "unix");
    EXPECT_EQ(callback_.Of(abi::kActionItemStart)[0].text, "árvíz.txt");
}

TEST_F(RurOzaOptionsTest, ExistingFoldersAreReusedWhateverTheirCase) {
    tmp_.MakeDir("out/DOCS");
    WriteZip("a.zip", SmallTree());
    EXPECT_EQ(Extract("a.zip"), 3);
    EXPECT_TRUE(tmp_.Exists("out/DOCS/Readme.TXT"));
    EXPECT_TRUE(tmp_.Exists("out/DOCS/img/logo.bin"));
    EXPECT_FALSE(tmp_.Exists("out/docs"));

    // Accented letters too, as the host layer matches names: mentés\ősz.txt goes into MENTÉS.
    tmp_.MakeDir("out/MENTÉS");
    WriteZip("b.zip", {CraftedEntry("mentés/ősz.txt", "x").Flags(0x800)});
    EXPECT_EQ(Extract("b.zip"), 1);
    EXPECT_TRUE(tmp_.Exists("out/MENTÉS/ősz.txt"));
    EXPECT_FALSE(tmp_.Exists("out/mentés"));
}

TEST_F(RurOzaOptionsTest, TestingWritesNothingAndCountsTheFiles) {
    WriteZip("a.zip", SmallTree());
    auto params = Params("a.zip", "never");
    std::filesystem::remove(tmp_.Host("never"));
    params.Params().TestFlag = -1;
    params.Params().VerboseFlag = -1;
    EXPECT_EQ(Run(params), 3);
    EXPECT_FALSE(tmp_.Exists("never"));
    EXPECT_TRUE(callback_.HasMessage("testing: docs\\Readme.TXT   OK"));
    EXPECT_TRUE(callback_.HasMessage("No errors detected"));
    EXPECT_EQ(callback_.WorstCode(), 0);
}

TEST_F(RurOzaOptionsTest, EntriesAreReadFromBehindAStub) {
    // A self-extracting archive: a program in front whose offsets do not count it.
    const std::string zip = BuildZip(SmallTree());
    tmp_.Write("sfx.exe", std::string(5000, 'M') + zip);
    EXPECT_EQ(Extract("sfx.exe"), 3);
    EXPECT_EQ(ReadFileBytes(tmp_.Host("out/docs/Readme.TXT")), SampleText(100000, 1));
}

}  // namespace
}  // namespace ruvu::ruroza::test
