#include "platform/FloppyChanger.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "PlatformTestSupport.h"
#include "platform/Drives.h"
#include "platform/File.h"
#include "platform/FileSystem.h"

namespace ruvu::platform {
namespace {

using test::ScopedDrives;
using test::TempFolder;

// A is a virtual floppy drive, C a fixed drive.
class FloppyTest : public ::testing::Test {
  protected:
    FloppyTest()
        : drives_("A=floppy:" + (root_ / "changer") + ";C=" + (root_ / "c")), changer_(root_ / "changer") {
        test::MakeFolders(root_ / "c");
    }

    HostError VolumeError() {
        HostError error = HostError::None;
        EXPECT_FALSE(GetVolumeInformation("A:\\", &error));
        return error;
    }

    TempFolder root_;
    ScopedDrives drives_;
    FloppyChanger changer_;
};

TEST_F(FloppyTest, EmptyDriveIsNotReadyAndAnUnformattedDiskFailsLikeADeadDevice) {
    EXPECT_EQ(changer_.Inserted(), std::nullopt);
    EXPECT_EQ(VolumeError(), HostError::NotReady);
    HostError error = HostError::None;
    EXPECT_FALSE(ResolveHostPath("A:\\X.ZIP", &error));
    EXPECT_EQ(error, HostError::NotReady);
    EXPECT_FALSE(GetDiskFreeSpaceEx("A:\\", &error));
    EXPECT_EQ(error, HostError::NotReady);
    EXPECT_FALSE(DirectoryExists("A:\\"));
    EXPECT_EQ(GetDriveType("A:\\"), DRIVE_REMOVABLE);

    changer_.Insert("blank");
    EXPECT_EQ(changer_.Inserted(), "blank");
    EXPECT_EQ(VolumeError(), HostError::GenFailure);
    File file = File::Open("A:\\X.ZIP", Access::Write, Share::Exclusive, Disposition::CreateAlways);
    EXPECT_EQ(file.Error(), HostError::GenFailure);

    changer_.Eject();
    EXPECT_EQ(VolumeError(), HostError::NotReady);
}

TEST_F(FloppyTest, InsertedDiskShowsItsFilesLabelAndSerial) {
    changer_.CreateDisk("one", "PKBACK# 001");
    changer_.CreateDisk("two");
    test::WriteTextFile(changer_.DiskFolder("one") + "/Part.zip", "first");
    changer_.Insert("one");
    EXPECT_TRUE(FileExists("a:\\PART.ZIP"));
    std::optional<VolumeInformation> one = GetVolumeInformation("A:\\");
    ASSERT_TRUE(one);
    EXPECT_EQ(one->label, "PKBACK# 001");
    EXPECT_EQ(one->fileSystem, "FAT");
    EXPECT_EQ(HostToWindowsPath(changer_.DiskFolder("one") + "/Part.zip"), "A:\\Part.zip");

    changer_.Insert("two");
    EXPECT_FALSE(FileExists("A:\\PART.ZIP"));
    std::optional<VolumeInformation> two = GetVolumeInformation("A:");
    ASSERT_TRUE(two);
    EXPECT_EQ(two->label, "");
    EXPECT_NE(two->serialNumber, one->serialNumber);
    EXPECT_EQ(HostToWindowsPath(changer_.DiskFolder("one")), std::nullopt);  // not in the drive now
}

TEST_F(FloppyTest, LabelsAreWrittenShortenedToElevenCharacters) {
    changer_.CreateDisk("d");
    changer_.Insert("d");
    ASSERT_TRUE(SetVolumeLabel("A:\\", "PKBACK# 002"));
    EXPECT_EQ(changer_.Label("d"), "PKBACK# 002");
    ASSERT_TRUE(SetVolumeLabel("A:\\", "\xc3\x81RV\xc3\x8dZT\xc5\xb0R\xc5\x90 T\xc3\x9cK\xc3\x96R"));
    EXPECT_EQ(GetVolumeInformation("A:\\")->label, "\xc3\x81RV\xc3\x8dZT\xc5\xb0R\xc5\x90 T");  // ÁRVÍZTŰRŐ T
    HostError error = HostError::None;
    EXPECT_FALSE(SetVolumeLabel("A:\\", "BAD\nLABEL", &error));
    EXPECT_EQ(error, HostError::InvalidName);
    ASSERT_TRUE(SetVolumeLabel("A:\\", ""));
    EXPECT_EQ(changer_.Label("d"), "");
}

TEST_F(FloppyTest, FreeSpaceCountsTheFilesOnTheDiskIn512ByteSectors) {
    changer_.CreateDisk("d");
    changer_.Insert("d");
    std::optional<DiskSpace> empty = GetDiskFreeSpaceEx("A:\\");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->totalBytes, kFloppyCapacity);
    EXPECT_EQ(empty->freeBytesAvailable, kFloppyCapacity);
    test::MakeFolders(changer_.DiskFolder("d") + "/sub");
    test::WriteTextFile(changer_.DiskFolder("d") + "/sub/a", std::string(1000, 'a'));
    test::WriteTextFile(changer_.DiskFolder("d") + "/b", std::string(24, 'b'));
    EXPECT_EQ(changer_.UsedBytes("d"), 1024u);
    EXPECT_EQ(GetDiskFreeSpaceEx("A:\\SUB")->totalFreeBytes, kFloppyCapacity - 1024);
    std::optional<DiskGeometry> geometry = GetDiskFreeSpace("A:\\");
    ASSERT_TRUE(geometry);
    EXPECT_EQ(geometry->bytesPerSector, 512u);
    EXPECT_EQ(geometry->sectorsPerCluster, 1u);
    EXPECT_EQ(geometry->totalClusters, 2847u);
    EXPECT_EQ(geometry->freeClusters, 2845u);
}

TEST_F(FloppyTest, WritesStopAtTheCapacityAfterWritingWhatFits) {
    changer_.CreateDisk("d");
    changer_.Insert("d");
    test::WriteTextFile(changer_.DiskFolder("d") + "/other", std::string(1000, 'o'));
    File file = File::Open("A:\\BIG.001", Access::Write, Share::Exclusive, Disposition::CreateNew);
    ASSERT_TRUE(file.IsOpen());
    std::vector<char> data(kFloppyCapacity, 'x');
    EXPECT_EQ(file.Write(data.data(), data.size()), static_cast<int64_t>(kFloppyCapacity - 1000));
    EXPECT_EQ(file.Error(), HostError::DiskFull);
    EXPECT_EQ(file.Write(data.data(), 1), 0);
    EXPECT_FALSE(file.SetSize(kFloppyCapacity));
    // Overwriting in place needs no new space.
    ASSERT_EQ(file.Seek(0), 0);
    EXPECT_EQ(file.Write(data.data(), 4096), 4096);
    EXPECT_EQ(GetDiskFreeSpaceEx("A:\\")->freeBytesAvailable, 0u);
    file.Close();

    test::WriteTextFile(root_ / "c/big", std::string(2000, 'c'));
    ASSERT_TRUE(DeleteFile("A:\\other"));
    HostError error = HostError::None;
    EXPECT_FALSE(RenameFile("C:\\big", "A:\\big", false, &error));
    EXPECT_EQ(error, HostError::DiskFull);
    EXPECT_FALSE(CopyFile("C:\\big", "A:\\big", false, &error));
    EXPECT_EQ(error, HostError::DiskFull);
    EXPECT_FALSE(FileExists("A:\\big"));  // no half copy left behind
}

TEST_F(FloppyTest, DiskNamesCannotLeaveTheChanger) {
    EXPECT_THROW(changer_.CreateDisk("../escape"), std::invalid_argument);
    EXPECT_THROW(changer_.Insert(".."), std::invalid_argument);
    test::WriteTextFile(root_ / "changer/inserted", "../../c\n");
    EXPECT_EQ(VolumeError(), HostError::GenFailure);
}

}  // namespace
}  // namespace ruvu::platform
