// Freshen, update, move, delete, the archive's time, the archive bit and the volume label.
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "platform/DosTime.h"
#include "platform/FileSystem.h"
#include "platform/FloppyChanger.h"
#include "tests/dizode/DizOdeFixture.h"

namespace ruvu::dizode::test {

using testsupport::PythonNames;

namespace {

constexpr std::time_t kOld = 1500000000;
constexpr std::time_t kNew = 1600000000;

std::vector<std::string> Sorted(std::vector<std::string> names) {
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

class DizOdeModesTest : public DizOdeTest {
  protected:
    // out.zip with a.txt and b.txt of kOld, made by the library itself.
    void MakeBase() {
        tmp_.Write("f/a.txt", "old a", kOld);
        tmp_.Write("f/b.txt", "old b", kOld);
        auto params = Params();
        params.RootDir(tmp_.Win("f")).Spec("*.txt");
        ASSERT_EQ(Run(params), 2);
        callback_.Clear();
    }
    std::string Extracted(const std::string& name) {
        std::filesystem::remove_all(tmp_.Host("x"));
        EXPECT_TRUE(testsupport::UnzipExtract(Archive(), tmp_.Host("x")).Ok());
        return ReadFileBytes(tmp_.Host("x/" + name));
    }
};

TEST_F(DizOdeModesTest, FreshenReplacesOnlyNewerVersionsOfEntriesAlreadyThere) {
    MakeBase();
    tmp_.Write("f/a.txt", "new a", kNew);
    tmp_.Write("f/b.txt", "same time, other bytes", kOld + 1);  // within the 2-second granularity
    tmp_.Write("f/c.txt", "new file", kNew);
    auto params = Params();
    params.Params().FreshenFlag = -1;
    params.RootDir(tmp_.Win("f")).Spec("*.*");
    EXPECT_EQ(Run(params), 1);
    EXPECT_EQ(PythonNames(Archive()), (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_EQ(Extracted("a.txt"), "new a");
    EXPECT_EQ(Extracted("b.txt"), "old b");
}

TEST_F(DizOdeModesTest, UpdateAddsNewFilesAndNewerVersions) {
    MakeBase();
    tmp_.Write("f/a.txt", "new a", kNew);
    tmp_.Write("f/c.txt", "new file", kNew);
    auto params = Params();
    params.Params().UpdateFlag = -1;
    params.Params().FreshenFlag = -1;  // update wins
    params.RootDir(tmp_.Win("f")).Spec("*.txt");
    EXPECT_EQ(Run(params), 2);
    EXPECT_EQ(PythonNames(Archive()), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
    EXPECT_EQ(Extracted("a.txt"), "new a");
    EXPECT_EQ(Extracted("b.txt"), "old b");

    callback_.Clear();
    EXPECT_EQ(Run(params), 0);  // nothing newer any more
    EXPECT_EQ(callback_.WorstCode(), abi::kCodeNothingToDo);
}

TEST_F(DizOdeModesTest, MoveDeletesTheSourcesAndTheFoldersTheyLeaveEmpty) {
    tmp_.Write("mv/one.txt", "1");
    tmp_.Write("mv/sub/two.txt", "2");
    tmp_.Write("stay.txt", "stays");
    auto params = Params();
    params.Params().MoveFlag = -1;
    params.RootDir(tmp_.Host()).Spec("mv", true);
    EXPECT_EQ(Run(params), 4);
    EXPECT_EQ(Sorted(PythonNames(Archive())),
              (std::vector<std::string>{"mv/", "mv/one.txt", "mv/sub/", "mv/sub/two.txt"}));
    EXPECT_FALSE(tmp_.Exists("mv"));
    EXPECT_TRUE(tmp_.Exists("stay.txt"));
    ExpectPeersAccept(Archive());
}

TEST_F(DizOdeModesTest, MoveKeepsSourcesWhenTheArchiveCannotBeWritten) {
    tmp_.Write("mv/one.txt", "1");
    tmp_.Write("blocker", "a file where a folder should be");
    auto params = Params("blocker/out.zip");
    params.Params().MoveFlag = -1;
    params.Spec(tmp_.Win("mv") + "\\one.txt");
    EXPECT_EQ(Run(params), 0);
    EXPECT_TRUE(tmp_.Exists("mv/one.txt"));
    EXPECT_EQ(callback_.WorstCode(), abi::kCodeCreateError);
}

TEST_F(DizOdeModesTest, DeleteRemovesMatchingEntriesIgnoringCaseAndCountsThem) {
    tmp_.Write("d/keep.txt", "k");
    tmp_.Write("d/Drop.LOG", "d");
    tmp_.Write("d/sub/x.log", "x");
    tmp_.Write("d/sub/y.txt", "y");
    tmp_.Write("d/gone/z.txt", "z");
    ASSERT_TRUE(testsupport::RunTool({"zip", "-q", "-r", Archive(), "."}, tmp_.Host("d")).Ok());
    ASSERT_TRUE(testsupport::RunTool({"sh", "-c", "echo kept | zip -q -z " + Archive()}).Ok());
    auto params = Params();
    params.Params().DeleteFlag = -1;
    params.Spec("*.log").Spec("GONE").Exclude("sub\\x.log");
    EXPECT_EQ(Run(params), 3);  // Drop.LOG, gone/ and gone/z.txt
    EXPECT_EQ(Sorted(PythonNames(Archive())),
              (std::vector<std::string>{"keep.txt", "sub/", "sub/x.log", "sub/y.txt"}));
    ExpectPeersAccept(Archive());
    EXPECT_EQ(testsupport::RunTool({"unzip", "-z", Archive()}).output.find("kept") != std::string::npos,
              true);

    const std::string before = ReadFileBytes(Archive());
    auto nothing = Params();
    nothing.Params().DeleteFlag = -1;
    nothing.Spec("*.doc");
    EXPECT_EQ(Run(nothing), 0);
    EXPECT_EQ(callback_.WorstCode(), abi::kCodeNothingToDo);
    EXPECT_EQ(ReadFileBytes(Archive()), before);
}

TEST_F(DizOdeModesTest, LatestTimeGivesTheArchiveItsNewestEntrysTime) {
    tmp_.Write("t/old.txt", "o", kOld);
    tmp_.Write("t/new.txt", "n", kNew);
    auto params = Params();
    params.Params().LatestTimeFlag = -1;
    params.RootDir(tmp_.Win("t")).Spec("*.txt");
    EXPECT_EQ(Run(params), 2);
    struct stat st {};
    ASSERT_EQ(stat(Archive().c_str(), &st), 0);
    EXPECT_EQ(platform::UnixToDosDateTime(st.st_mtime), platform::UnixToDosDateTime(kNew));
}

TEST_F(DizOdeModesTest, ArchiveBitSelectsAndIsResetWhereTheFileSystemKeepsIt) {
    tmp_.Write("ab/changed.txt", "c");
    tmp_.Write("ab/saved.txt", "s");
    const std::string saved = tmp_.Win("ab") + "\\saved.txt";
    const std::string changed = tmp_.Win("ab") + "\\changed.txt";
    platform::SetFileAttributes(saved, platform::GetFileAttributes(saved) & ~platform::faArchive);
    if ((platform::GetFileAttributes(saved) & platform::faArchive) != 0) {
        GTEST_SKIP() << "no extended attributes here: every file counts as changed";
    }
    platform::SetFileAttributes(changed, platform::GetFileAttributes(changed) | platform::faArchive);
    auto params = Params();
    params.Params().ArchiveOnlyFlag = 1;
    params.Params().ResetArchiveFlag = 1;
    params.RootDir(tmp_.Win("ab")).Spec("*.txt");
    EXPECT_EQ(Run(params), 1);
    EXPECT_EQ(PythonNames(Archive()), (std::vector<std::string>{"changed.txt"}));
    EXPECT_EQ(platform::GetFileAttributes(changed) & platform::faArchive, 0u);
}

TEST_F(DizOdeModesTest, VolumeLabelBecomesAnEntryOnALabelledDrive) {
    platform::FloppyChanger changer(tmp_.Host("floppy"));
    changer.CreateDisk("disk1", "MYDISK");
    changer.Insert("disk1");
    testsupport::ScopedDriveMap drives("C=/;A=floppy:" + tmp_.Host("floppy"));
    tmp_.Write("v/file.txt", "f");
    ZipParamsBuilder params("A:\\label.zip", callback_.Handle(), callback_.CallerRef());
    params.Params().VolumeLabelFlag = -1;
    params.Params().JunkDirsFlag = -1;
    params.Spec(tmp_.Win("v") + "\\file.txt");
    EXPECT_EQ(Run(params), 2);
    const std::string archive = changer.DiskFolder("disk1") + "/label.zip";
    const auto info = testsupport::PythonInfo(archive);
    ASSERT_EQ(info.size(), 2u);
    EXPECT_EQ(info[0].substr(0, 7), "MYDISK|");
    EXPECT_NE(info[0].find("|8|0|0|0|0|"), std::string::npos) << info[0];
}

}  // namespace ruvu::dizode::test
