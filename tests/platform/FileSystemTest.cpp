#include "platform/FileSystem.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <filesystem>

#include "PlatformTestSupport.h"
#include "platform/DosTime.h"
#include "platform/Drives.h"
#include "platform/FloppyChanger.h"

namespace ruvu::platform {
namespace {

using test::HostExists;
using test::MakeFolders;
using test::ReadTextFile;
using test::ScopedDrives;
using test::TempFolder;
using test::WriteTextFile;

class FileSystemTest : public ::testing::Test {
  protected:
    FileSystemTest() : drives_("C=" + root_.Path()) {}

    static bool XattrsWork(const std::string& path) {
        return setxattr(path.c_str(), "user.ruvutest", "1", 1, 0) == 0;
    }

    TempFolder root_;
    ScopedDrives drives_;
};

TEST_F(FileSystemTest, ArchiveBitLivesInAnExtendedAttributeAndIsSetByDefault) {
    WriteTextFile(root_ / "File.txt", "x");
    MakeFolders(root_ / "Folder");
    WriteTextFile(root_ / ".hidden", "");
    EXPECT_EQ(GetFileAttributes("C:\\file.TXT"), faArchive);
    EXPECT_EQ(GetFileAttributes("C:\\folder"), faDirectory);  // exactly, as the floppy wiping expects
    EXPECT_EQ(GetFileAttributes("C:\\.hidden"), faArchive | faHidden);
    HostError error = HostError::None;
    EXPECT_EQ(GetFileAttributes("C:\\missing", &error), kInvalidFileAttributes);
    EXPECT_EQ(error, HostError::FileNotFound);
    if (!XattrsWork(root_ / "File.txt")) {
        GTEST_SKIP() << "no extended attributes here";
    }
    ASSERT_TRUE(SetFileAttributes("C:\\File.txt", faReadOnly));
    EXPECT_EQ(GetFileAttributes("C:\\File.txt"), faReadOnly);
    char value[16] = {};
    ASSERT_GT(getxattr((root_ / "File.txt").c_str(), "user.DOSATTRIB", value, sizeof(value)), 0);
    EXPECT_STREQ(value, "0x0");
    ASSERT_TRUE(SetFileAttributes("C:\\File.txt", faArchive));
    EXPECT_EQ(GetFileAttributes("C:\\File.txt"), faArchive);
    struct stat st {};
    ASSERT_EQ(stat((root_ / "File.txt").c_str(), &st), 0);
    EXPECT_NE(st.st_mode & S_IWUSR, 0u);
}

TEST_F(FileSystemTest, ForceDirectoriesCreatesEveryMissingParentAndReusesExistingCase) {
    MakeFolders(root_ / "Top");
    ASSERT_TRUE(ForceDirectories("C:\\TOP\\Middle\\leaf\\"));
    EXPECT_TRUE(std::filesystem::is_directory(root_ / "Top/Middle/leaf"));
    EXPECT_TRUE(ForceDirectories("C:\\top\\middle"));  // already there
    EXPECT_TRUE(DirectoryExists("c:\\top\\MIDDLE\\Leaf"));
    WriteTextFile(root_ / "Top/file", "");
    HostError error = HostError::None;
    EXPECT_FALSE(ForceDirectories("C:\\Top\\file\\below", &error));
    EXPECT_EQ(error, HostError::CannotMake);
    EXPECT_FALSE(ForceDirectories("C:\\a\\\\b", &error));
    EXPECT_EQ(error, HostError::InvalidName);
    EXPECT_FALSE(CreateDirectory("C:\\Top", &error));
    EXPECT_EQ(error, HostError::AlreadyExists);
    EXPECT_FALSE(RemoveDirectory("C:\\Top", &error));
    EXPECT_EQ(error, HostError::DirNotEmpty);
    EXPECT_TRUE(RemoveDirectory("C:\\Top\\Middle\\Leaf"));
}

TEST_F(FileSystemTest, RenameReplacesOnlyWhenAskedAndCanChangeCase) {
    WriteTextFile(root_ / "a.txt", "a");
    WriteTextFile(root_ / "b.txt", "b");
    HostError error = HostError::None;
    EXPECT_FALSE(RenameFile("C:\\A.TXT", "C:\\B.TXT", false, &error));
    EXPECT_EQ(error, HostError::AlreadyExists);
    EXPECT_EQ(ReadTextFile(root_ / "b.txt"), "b");
    EXPECT_TRUE(RenameFile("C:\\A.TXT", "C:\\B.TXT", true));
    EXPECT_EQ(ReadTextFile(root_ / "b.txt"), "a");
    EXPECT_FALSE(HostExists(root_ / "a.txt"));
    EXPECT_TRUE(RenameFile("C:\\b.txt", "C:\\B.TXT"));
    EXPECT_TRUE(HostExists(root_ / "B.TXT"));
    EXPECT_FALSE(HostExists(root_ / "b.txt"));
    EXPECT_FALSE(RenameFile("C:\\nothing", "C:\\x", false, &error));
    EXPECT_EQ(error, HostError::FileNotFound);
}

TEST_F(FileSystemTest, CopyKeepsContentAndDate) {
    WriteTextFile(root_ / "src.zip", std::string(3 << 20, 'z'));
    uint32_t date = EncodeDosDateTime({1999, 12, 31, 23, 59, 58});
    ASSERT_TRUE(SetFileAge("C:\\src.zip", date));
    ASSERT_TRUE(CopyFile("C:\\SRC.ZIP", "C:\\dst.zip", true));
    EXPECT_EQ(ReadTextFile(root_ / "dst.zip"), ReadTextFile(root_ / "src.zip"));
    EXPECT_EQ(FileAge("C:\\dst.zip"), date);
    EXPECT_EQ(GetFileSize("C:\\dst.zip"), 3 << 20);
    HostError error = HostError::None;
    EXPECT_FALSE(CopyFile("C:\\src.zip", "C:\\dst.zip", true, &error));
    EXPECT_EQ(error, HostError::FileExists);
    EXPECT_FALSE(CopyFile("C:\\src.zip", "C:\\src.zip", false, &error));
    EXPECT_EQ(error, HostError::SharingViolation);
    EXPECT_EQ(GetFileSize("C:\\src.zip"), 3 << 20);
}

// A copy that fails half way (here: the floppy fills up) or is refused leaves the target as it was.
TEST_F(FileSystemTest, AFailedCopyLeavesTheTargetAsItWas) {
    ScopedDrives map("C=" + root_.Path() + ";A=floppy:" + (root_ / "changer"));
    FloppyChanger changer(root_ / "changer");
    changer.CreateDisk("d");
    changer.Insert("d");
    const std::string old(900000, 'o');
    WriteTextFile(changer.DiskFolder("d") + "/BACKUP.ZIP", old);
    WriteTextFile(root_ / "new.zip", std::string(800000, 'n'));
    HostError error = HostError::None;
    EXPECT_FALSE(CopyFile("C:\\new.zip", "A:\\BACKUP.ZIP", false, &error));
    EXPECT_EQ(error, HostError::DiskFull);
    EXPECT_EQ(ReadTextFile(changer.DiskFolder("d") + "/BACKUP.ZIP"), old);
    EXPECT_EQ(changer.UsedBytes("d"), old.size());

    WriteTextFile(root_ / "ro.zip", "read only");
    chmod((root_ / "ro.zip").c_str(), 0444);
    EXPECT_FALSE(CopyFile("C:\\new.zip", "C:\\ro.zip", false, &error));
    EXPECT_EQ(error, HostError::AccessDenied);
    EXPECT_EQ(ReadTextFile(root_ / "ro.zip"), "read only");
}

TEST_F(FileSystemTest, DeleteFileRemovesFilesOnly) {
    WriteTextFile(root_ / "x", "");
    MakeFolders(root_ / "dir");
    HostError error = HostError::None;
    EXPECT_FALSE(DeleteFile("C:\\dir", &error));
    EXPECT_EQ(error, HostError::AccessDenied);
    EXPECT_TRUE(DeleteFile("C:\\X"));
    EXPECT_FALSE(DeleteFile("C:\\X", &error));
    EXPECT_EQ(error, HostError::FileNotFound);
}

// The trash test runs in a child process with HOME and XDG_DATA_HOME in the test's folder, so the
// user's real trash is never touched and GIO's cached folders start fresh.
TEST_F(FileSystemTest, ShellDeleteMovesToTheTrashOrDeletesOutright) {
    MakeFolders(root_ / "home/data");
    WriteTextFile(root_ / "Undo.txt", "keep me");
    WriteTextFile(root_ / "gone.txt", "");
    MakeFolders(root_ / "Tree/sub");
    WriteTextFile(root_ / "Tree/sub/f", "");
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setenv("HOME", (root_ / "home").c_str(), 1);
        setenv("XDG_DATA_HOME", (root_ / "home/data").c_str(), 1);
        bool ok = ShellDeleteFile("C:\\undo.TXT", true) && ShellDeleteFile("C:\\gone.txt", false) &&
                  ShellDeleteFile("C:\\tree", true) && !ShellDeleteFile("C:\\undo.txt", true);
        _exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_FALSE(HostExists(root_ / "Undo.txt"));
    EXPECT_FALSE(HostExists(root_ / "gone.txt"));
    EXPECT_FALSE(HostExists(root_ / "Tree"));
    EXPECT_EQ(ReadTextFile(root_ / "home/data/Trash/files/Undo.txt"), "keep me");
    EXPECT_TRUE(HostExists(root_ / "home/data/Trash/info/Undo.txt.trashinfo"));
    EXPECT_TRUE(HostExists(root_ / "home/data/Trash/files/Tree/sub/f"));
    EXPECT_FALSE(HostExists(root_ / "home/data/Trash/files/gone.txt"));
}

TEST_F(FileSystemTest, ShellDeleteOnAFloppyDeletesBecauseFloppiesHaveNoTrash) {
    ScopedDrives map("C=" + root_.Path() + ";A=floppy:" + (root_ / "changer"));
    FloppyChanger changer(root_ / "changer");
    changer.CreateDisk("d");
    changer.Insert("d");
    WriteTextFile(changer.DiskFolder("d") + "/X.SPL", "piece");
    ASSERT_TRUE(ShellDeleteFile("A:\\X.SPL", true));
    EXPECT_FALSE(HostExists(changer.DiskFolder("d") + "/X.SPL"));
    EXPECT_EQ(changer.UsedBytes("d"), 0u);
}

}  // namespace
}  // namespace ruvu::platform
