#include "platform/Drives.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "PlatformTestSupport.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "platform/WinPath.h"

namespace ruvu::platform {
namespace {

using test::HostExists;
using test::MakeFolders;
using test::ScopedDrives;
using test::TempFolder;
using test::WriteTextFile;

// C and D are fixed drives in a fresh folder; C is current.
class DrivesTest : public ::testing::Test {
  protected:
    DrivesTest() : drives_("C=" + (root_ / "c") + ";D=" + (root_ / "d")) {}

    void SetUp() override {
        MakeFolders(root_ / "c/Data");
        MakeFolders(root_ / "d");
        ASSERT_TRUE(SetCurrentDirectory("C:\\"));
    }

    std::string Host(std::string_view path) {
        HostError error = HostError::None;
        std::optional<std::string> host = ResolveHostPath(path, &error);
        return host ? *host : "error " + std::to_string(static_cast<int>(error));
    }
    HostError ResolveError(std::string_view path) {
        HostError error = HostError::None;
        EXPECT_FALSE(ResolveHostPath(path, &error).has_value()) << path;
        return error;
    }

    TempFolder root_;
    ScopedDrives drives_;
};

TEST_F(DrivesTest, MapListsDrivesInLetterOrderWithTheirKinds) {
    ScopedDrives map("x=removable:" + (root_ / "r") + "; A=floppy:" + (root_ / "a") +
                     "/ ;C=" + (root_ / "c") + "/./;");
    const std::vector<DriveMapping>& drives = DriveMap();
    ASSERT_EQ(drives.size(), 3u);
    EXPECT_EQ(drives[0].letter, 'A');
    EXPECT_EQ(drives[0].kind, DriveKind::Floppy);
    EXPECT_EQ(drives[0].hostRoot, root_ / "a");
    EXPECT_EQ(drives[1].hostRoot, root_ / "c");
    EXPECT_EQ(drives[2].letter, 'X');
    EXPECT_EQ(drives[2].kind, DriveKind::Removable);
    EXPECT_EQ(GetLogicalDrives(), 1u << 0 | 1u << 2 | 1u << ('X' - 'A'));
    EXPECT_EQ(GetDriveType("A:\\"), DRIVE_REMOVABLE);
    EXPECT_EQ(GetDriveType("c:"), DRIVE_FIXED);
    EXPECT_EQ(GetDriveType("x:\\sub"), DRIVE_REMOVABLE);
    EXPECT_EQ(GetDriveType("Q:\\"), DRIVE_NO_ROOT_DIR);
    EXPECT_EQ(CurrentDrive(), 'C');  // the drive holding the working directory
    ASSERT_EQ(chdir("/"), 0);
    ReloadDriveMap();
    EXPECT_EQ(CurrentDrive(), 'A');  // the working directory is on no drive: the first one
    EXPECT_EQ(GetCurrentDirectory(), "A:\\");
}

TEST_F(DrivesTest, MalformedItemsAreReportedOnceAndTheRestOfTheMapWorks) {
    // The item texts carry the folder's name, so no other test has reported them before.
    std::string good = "G=" + (root_ / "c");
    std::string items = "C" + root_.Path() + ";1=" + root_.Path() + ";E=relative" + root_.Path() +
                        ";F=floppy:" + ";" + good + ";g=" + (root_ / "d") + ";Hx=" + root_.Path();
    testing::internal::CaptureStderr();
    ScopedDrives map(items);
    std::string firstReport = testing::internal::GetCapturedStderr();
    EXPECT_EQ(DriveMap().size(), 1u);
    EXPECT_EQ(FindDrive('g')->hostRoot, root_ / "c");
    EXPECT_EQ(Host("G:\\Data"), root_ / "c/Data");
    for (std::string bad : {"C" + root_.Path(), "1=" + root_.Path(), "E=relative" + root_.Path(),
                            std::string("F=floppy:"), "g=" + (root_ / "d"), "Hx=" + root_.Path()}) {
        EXPECT_NE(firstReport.find("\"" + bad + "\""), std::string::npos) << bad << " in " << firstReport;
    }
    testing::internal::CaptureStderr();
    ReloadDriveMap();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST_F(DrivesTest, UnsetMapIsTheWholeHostAsC) {
    ScopedDrives map(std::nullopt);
    ASSERT_EQ(DriveMap().size(), 1u);
    EXPECT_EQ(DriveMap()[0].hostRoot, "/");
    EXPECT_EQ(Host("C:\\"), "/");
    EXPECT_EQ(HostToWindowsPath(root_ / "c/Data"), "C:" + SlashesToBackslashes(root_ / "c/Data"));
}

TEST_F(DrivesTest, UnmappedLettersFailWithPathNotFound) {
    EXPECT_EQ(ResolveError("Q:\\X"), HostError::PathNotFound);
    EXPECT_EQ(GetLogicalDrives(), 1u << 2 | 1u << 3);
    EXPECT_FALSE(FileExists("Q:\\X"));
    HostError error = HostError::None;
    EXPECT_FALSE(SetCurrentDirectory("Q:\\", &error));
    EXPECT_EQ(error, HostError::PathNotFound);
}

TEST_F(DrivesTest, ExpansionAppliesDotsRelativePathsAndDriveFolders) {
    ASSERT_TRUE(SetCurrentDirectory("C:\\Data"));
    EXPECT_EQ(ExpandFileName("x.zip"), "C:\\Data\\x.zip");
    EXPECT_EQ(ExpandFileName("."), "C:\\Data");
    EXPECT_EQ(ExpandFileName(".\\"), "C:\\Data\\");
    EXPECT_EQ(ExpandFileName(".."), "C:\\");
    EXPECT_EQ(ExpandFileName("..\\..\\..\\etc\\passwd"), "C:\\etc\\passwd");
    EXPECT_EQ(ExpandFileName("\\a\\.\\b\\..\\c\\"), "C:\\a\\c\\");
    EXPECT_EQ(ExpandFileName("c:/a/b"), "C:\\a\\b");
    EXPECT_EQ(ExpandFileName("d:x"), "D:\\x");
    EXPECT_EQ(ExpandFileName("D:"), "D:\\");
    MakeFolders(root_ / "d/Sub");
    ASSERT_TRUE(SetCurrentDirectory("D:\\sub"));
    ASSERT_TRUE(SetCurrentDirectory("C:"));
    EXPECT_EQ(GetCurrentDirectory(), "C:\\Data");  // C kept its own folder
    EXPECT_EQ(ExpandFileName("D:x"), "D:\\Sub\\x");
    EXPECT_EQ(ExpandFileName("D:..\\..\\y"), "D:\\y");
    EXPECT_EQ(GetDriveCurrentDirectory('d'), "D:\\Sub");
}

TEST_F(DrivesTest, InvalidPathsExpandToNothing) {
    using namespace std::string_literals;
    for (std::string bad : {""s, "a\0b"s, "\\\\server\\share"s, "//server/share"s, "C:\\a\\\\b"s, "a//b"s,
                            "C:\\a:b"s, "1:\\x"s, "CC:\\x"s}) {
        EXPECT_EQ(ExpandFileName(bad), "") << bad;
        EXPECT_EQ(ResolveError(bad), HostError::InvalidName) << bad;
    }
    EXPECT_EQ(ExpandFileName("C:\\a\\"), "C:\\a\\");  // one trailing separator is fine
}

TEST_F(DrivesTest, ResolutionMatchesExistingNamesIgnoringCaseAndKeepsNewNamesAsWritten) {
    WriteTextFile(root_ / "c/Data/ReadMe.TXT", "x");
    EXPECT_EQ(Host("C:\\DATA\\readme.txt"), root_ / "c/Data/ReadMe.TXT");
    EXPECT_EQ(Host("c:/data/NewDir/New.Txt"), root_ / "c/Data/NewDir/New.Txt");
    EXPECT_EQ(Host("C:\\Data\\"), root_ / "c/Data");
    EXPECT_EQ(Host("C:\\"), root_ / "c");
    // An exact match wins; otherwise the first name in byte order.
    WriteTextFile(root_ / "c/abc", "1");
    WriteTextFile(root_ / "c/ABC", "2");
    EXPECT_EQ(Host("C:\\abc"), root_ / "c/abc");
    EXPECT_EQ(Host("C:\\Abc"), root_ / "c/ABC");
    EXPECT_TRUE(FileExists("c:\\DATA\\README.TXT"));
    EXPECT_TRUE(DirectoryExists("C:\\data"));
    // Accented letters are one letter in either case, as on a Windows disk; ő and ö stay two.
    MakeFolders(root_ / "c/mentés");
    WriteTextFile(root_ / "c/mentés/ősz.txt", "x");
    EXPECT_EQ(Host("C:\\MENTÉS\\ŐSZ.TXT"), root_ / "c/mentés/ősz.txt");
    EXPECT_EQ(Host("C:\\MENTÉS\\ÖSZ.TXT"), root_ / "c/mentés/ÖSZ.TXT");
}

TEST_F(DrivesTest, NameMatchingFollowsChangesMadeHereAndElsewhere) {
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(File::Open("C:\\Data\\Bulk" + std::to_string(i) + ".txt", Access::Write, Share::DenyNone,
                               Disposition::CreateNew)
                        .IsOpen());
    }
    EXPECT_EQ(Host("C:\\DATA\\BULK7.TXT"), root_ / "c/Data/Bulk7.txt");
    // Changes by others move the folder's time on (a coarse clock may need a moment for that).
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    WriteTextFile(root_ / "c/Data/Outside.Txt", "");
    EXPECT_EQ(Host("C:\\Data\\OUTSIDE.TXT"), root_ / "c/Data/Outside.Txt");
    std::filesystem::remove(root_ / "c/Data/Bulk7.txt");
    WriteTextFile(root_ / "c/Data/BULK7.TXT", "");
    EXPECT_EQ(Host("C:\\Data\\bulk7.txt"), root_ / "c/Data/BULK7.TXT");
}

TEST_F(DrivesTest, OverlongNamesFail) {
    std::string longest(255, 'n');
    EXPECT_EQ(Host("C:\\" + longest), root_ / "c/" + longest);
    EXPECT_EQ(ResolveError("C:\\" + longest + "x"), HostError::FilenameTooLong);
    std::string deep;
    for (int i = 0; i < 20; ++i) {
        deep += "\\" + longest;
    }
    EXPECT_EQ(ResolveError("C:" + deep), HostError::FilenameTooLong);
}

TEST_F(DrivesTest, NothingResolvesOutsideTheDrive) {
    MakeFolders(root_ / "outside");
    WriteTextFile(root_ / "outside/secret", "s");
    std::filesystem::create_directory_symlink(root_ / "outside", root_ / "c/out");
    std::filesystem::create_symlink(root_ / "outside/new", root_ / "c/dangling");
    std::filesystem::create_directory_symlink("Data", root_ / "c/in");
    EXPECT_EQ(Host("C:\\..\\..\\outside\\secret"), root_ / "c/outside/secret");
    EXPECT_EQ(ResolveError("C:\\out\\secret"), HostError::AccessDenied);
    EXPECT_EQ(ResolveError("C:\\OUT\\new\\file"), HostError::AccessDenied);
    EXPECT_EQ(ResolveError("C:\\dangling"), HostError::AccessDenied);
    EXPECT_FALSE(FileExists("C:\\out\\secret"));
    EXPECT_EQ(Host("C:\\in\\x"), root_ / "c/in/x");  // a link that stays inside is fine
}

TEST_F(DrivesTest, CurrentDirectoryFollowsTheWorkingDirectoryBothWays) {
    ASSERT_TRUE(SetCurrentDirectory("data"));
    EXPECT_EQ(std::filesystem::current_path(), root_ / "c/Data");
    EXPECT_EQ(GetCurrentDirectory(), "C:\\Data");
    HostError error = HostError::None;
    EXPECT_FALSE(SetCurrentDirectory("missing", &error));
    EXPECT_EQ(error, HostError::PathNotFound);
    WriteTextFile(root_ / "c/Data/file", "");
    EXPECT_FALSE(SetCurrentDirectory("file", &error));
    EXPECT_EQ(GetCurrentDirectory(), "C:\\Data");
    ASSERT_TRUE(SetCurrentDirectory("D:"));
    EXPECT_EQ(CurrentDrive(), 'D');
    EXPECT_EQ(std::filesystem::current_path(), root_ / "d");
    // A change behind the host layer's back is taken over.
    MakeFolders(root_ / "c/Data/Deeper");
    ASSERT_EQ(chdir((root_ / "c/Data/Deeper").c_str()), 0);
    EXPECT_EQ(GetCurrentDirectory(), "C:\\Data\\Deeper");
    EXPECT_EQ(CurrentDrive(), 'C');
    EXPECT_EQ(ExpandFileName("x"), "C:\\Data\\Deeper\\x");
}

TEST_F(DrivesTest, HostPathsMapBackThroughTheLongestMatchingDrive) {
    ScopedDrives nested("C=" + root_.Path() + ";D=" + (root_ / "d"));
    EXPECT_EQ(HostToWindowsPath(root_ / "d/x/y.zip"), "D:\\x\\y.zip");
    EXPECT_EQ(HostToWindowsPath(root_ / "c/Data"), "C:\\c\\Data");
    EXPECT_EQ(HostToWindowsPath(root_.Path()), "C:\\");
    EXPECT_EQ(HostToWindowsPath("/"), std::nullopt);
    // Through a link the physical folder counts: this one lies in D's folder.
    std::filesystem::create_directory_symlink(root_ / "d", root_ / "c/linked");
    EXPECT_EQ(HostToWindowsPath(root_ / "c/linked/z"), "D:\\z");
}

TEST_F(DrivesTest, RemovableDriveWithoutMediumIsNotReady) {
    ScopedDrives map("C=" + (root_ / "c") + ";R=removable:" + (root_ / "media"));
    EXPECT_EQ(ResolveError("R:\\x"), HostError::NotReady);
    HostError error = HostError::None;
    EXPECT_FALSE(GetVolumeInformation("R:\\", &error));
    EXPECT_EQ(error, HostError::NotReady);
    MakeFolders(root_ / "media");
    EXPECT_EQ(Host("R:\\x"), root_ / "media/x");
}

TEST_F(DrivesTest, FixedDrivesHaveSpaceButNoWritableLabel) {
    std::optional<DiskSpace> space = GetDiskFreeSpaceEx("C:\\Data\\not-there-yet\\x");
    ASSERT_TRUE(space);
    EXPECT_GT(space->totalBytes, 0u);
    EXPECT_LE(space->freeBytesAvailable, space->totalFreeBytes);
    std::optional<DiskGeometry> geometry = GetDiskFreeSpace("C:\\");
    ASSERT_TRUE(geometry);
    EXPECT_EQ(geometry->bytesPerSector, 512u);
    std::optional<VolumeInformation> info = GetVolumeInformation("C:\\");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->label, "");
    EXPECT_EQ(info->serialNumber, GetVolumeInformation("c:")->serialNumber);
    HostError error = HostError::None;
    EXPECT_FALSE(SetVolumeLabel("C:\\", "X", &error));
    EXPECT_EQ(error, HostError::AccessDenied);
}

}  // namespace
}  // namespace ruvu::platform
