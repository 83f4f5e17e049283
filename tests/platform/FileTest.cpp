#include "platform/File.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "PlatformTestSupport.h"
#include "platform/DosTime.h"
#include "platform/Drives.h"

namespace ruvu::platform {
namespace {

using test::ReadTextFile;
using test::ScopedDrives;
using test::TempFolder;
using test::WriteTextFile;

class FileTest : public ::testing::Test {
  protected:
    FileTest() : drives_("C=" + root_.Path()) { WriteTextFile(root_ / "shared.bin", "content"); }

    static File OpenShared(Access access, Share share) { return File::Open("C:\\SHARED.BIN", access, share); }

    TempFolder root_;
    ScopedDrives drives_;
};

struct SharingCase {
    Access firstAccess;
    Share firstShare;
    Access secondAccess;
    Share secondShare;
    bool secondOpens;
};

class SharingTest : public FileTest, public ::testing::WithParamInterface<SharingCase> {};

TEST_P(SharingTest, SecondOpenFollowsTheWindowsSharingRules) {
    const SharingCase& c = GetParam();
    File first = OpenShared(c.firstAccess, c.firstShare);
    ASSERT_TRUE(first.IsOpen());
    File second = OpenShared(c.secondAccess, c.secondShare);
    EXPECT_EQ(second.IsOpen(), c.secondOpens);
    if (!c.secondOpens) {
        EXPECT_EQ(second.Error(), HostError::SharingViolation);
        first.Close();
        EXPECT_TRUE(OpenShared(c.secondAccess, c.secondShare).IsOpen()) << "the locks end with Close";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Matrix, SharingTest,
    ::testing::Values(SharingCase{Access::Read, Share::DenyNone, Access::Read, Share::DenyNone, true},
                      SharingCase{Access::Read, Share::DenyWrite, Access::Read, Share::DenyWrite, true},
                      SharingCase{Access::Read, Share::DenyWrite, Access::Write, Share::DenyNone, false},
                      SharingCase{Access::Write, Share::DenyNone, Access::Read, Share::DenyWrite, false},
                      SharingCase{Access::Write, Share::DenyWrite, Access::Read, Share::DenyNone, true},
                      SharingCase{Access::Write, Share::DenyWrite, Access::Write, Share::DenyWrite, false},
                      SharingCase{Access::ReadWrite, Share::DenyRead, Access::Read, Share::DenyNone, false},
                      SharingCase{Access::ReadWrite, Share::DenyRead, Access::Write, Share::DenyNone, true},
                      SharingCase{Access::Read, Share::Exclusive, Access::Read, Share::DenyNone, false},
                      SharingCase{Access::Read, Share::DenyNone, Access::Read, Share::Exclusive, false}));

TEST_F(FileTest, RefusedCreateAlwaysLeavesTheContentAlone) {
    File reader = OpenShared(Access::Read, Share::DenyWrite);
    ASSERT_TRUE(reader.IsOpen());
    File writer = File::Open("C:\\shared.bin", Access::Write, Share::Exclusive, Disposition::CreateAlways);
    EXPECT_EQ(writer.Error(), HostError::SharingViolation);
    EXPECT_EQ(ReadTextFile(root_ / "shared.bin"), "content");
}

TEST_F(FileTest, SharingHoldsBetweenProcesses) {
    int toParent[2];
    int toChild[2];
    ASSERT_EQ(pipe(toParent), 0);
    ASSERT_EQ(pipe(toChild), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        File held = OpenShared(Access::ReadWrite, Share::Exclusive);
        char c = held.IsOpen() ? 'y' : 'n';
        (void)!write(toParent[1], &c, 1);
        (void)!read(toChild[0], &c, 1);
        _exit(0);
    }
    char answer = 0;
    ASSERT_EQ(read(toParent[0], &answer, 1), 1);
    ASSERT_EQ(answer, 'y');
    File refused = OpenShared(Access::Read, Share::DenyNone);
    EXPECT_EQ(refused.Error(), HostError::SharingViolation);
    ASSERT_EQ(write(toChild[1], "x", 1), 1);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(OpenShared(Access::Read, Share::DenyNone).IsOpen());
    for (int fd : {toParent[0], toParent[1], toChild[0], toChild[1]}) {
        close(fd);
    }
}

TEST_F(FileTest, DispositionsCreateTruncateOrRefuse) {
    EXPECT_EQ(File::Open("C:\\missing", Access::Read, Share::DenyNone).Error(), HostError::FileNotFound);
    EXPECT_EQ(File::Open("C:\\nofolder\\x", Access::Read, Share::DenyNone).Error(), HostError::PathNotFound);
    EXPECT_EQ(File::Open("C:\\nofolder\\x", Access::Write, Share::DenyNone, Disposition::CreateNew).Error(),
              HostError::PathNotFound);
    EXPECT_EQ(File::Open("C:\\Shared.bin", Access::Write, Share::DenyNone, Disposition::CreateNew).Error(),
              HostError::FileExists);
    EXPECT_TRUE(
        File::Open("C:\\shared.bin", Access::Write, Share::DenyNone, Disposition::OpenAlways).IsOpen());
    EXPECT_EQ(ReadTextFile(root_ / "shared.bin"), "content");
    EXPECT_TRUE(
        File::Open("C:\\SHARED.bin", Access::Write, Share::DenyNone, Disposition::CreateAlways).IsOpen());
    EXPECT_EQ(ReadTextFile(root_ / "shared.bin"), "");
    EXPECT_TRUE(File::Open("C:\\New.Bin", Access::Write, Share::DenyNone, Disposition::OpenAlways).IsOpen());
    EXPECT_TRUE(test::HostExists(root_ / "New.Bin"));
    test::MakeFolders(root_ / "folder");
    EXPECT_EQ(File::Open("C:\\folder", Access::Read, Share::DenyNone).Error(), HostError::AccessDenied);
}

TEST_F(FileTest, ReadWriteSeekAndSizeWorkBeyondFourGigabytes) {
    File file = File::Open("C:\\big.bin", Access::ReadWrite, Share::Exclusive, Disposition::CreateNew);
    ASSERT_TRUE(file.IsOpen());
    EXPECT_EQ(file.Write("hello", 5), 5);
    const int64_t far = (int64_t(5) << 30) + 7;
    EXPECT_EQ(file.Seek(far), far);
    EXPECT_EQ(file.Write("!", 1), 1);
    EXPECT_EQ(file.Size(), far + 1);
    EXPECT_EQ(file.Seek(-1, SeekOrigin::End), far);
    EXPECT_EQ(file.Seek(-far - 5, SeekOrigin::Current), -1);
    EXPECT_EQ(file.Position(), far);
    ASSERT_EQ(file.Seek(1), 1);
    char buffer[8] = {};
    EXPECT_EQ(file.Read(buffer, 3), 3);
    EXPECT_EQ(std::string(buffer, 3), "ell");
    EXPECT_TRUE(file.Truncate());
    EXPECT_EQ(file.Size(), 4);
    ASSERT_EQ(file.Seek(0), 0);
    EXPECT_EQ(file.ReadFull(buffer, sizeof(buffer)), 4);
    EXPECT_TRUE(file.SetSize(2));
    EXPECT_EQ(file.Size(), 2);
    EXPECT_TRUE(file.Sync());
    file.Close();
    EXPECT_EQ(file.Read(buffer, 1), -1);
    EXPECT_EQ(file.Error(), HostError::InvalidHandle);
}

TEST_F(FileTest, DatesAreMsDosDatesInLocalTime) {
    File file = OpenShared(Access::ReadWrite, Share::DenyNone);
    uint32_t date = EncodeDosDateTime({2003, 7, 14, 16, 45, 30});
    ASSERT_TRUE(file.SetDosDateTime(date));
    EXPECT_EQ(file.GetDosDateTime(), date);
    struct stat st {};
    ASSERT_EQ(stat((root_ / "shared.bin").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, DosDateTimeToUnix(date));
}

TEST_F(FileTest, MovedFileKeepsItsLocks) {
    File first = OpenShared(Access::Read, Share::Exclusive);
    File moved = std::move(first);
    EXPECT_FALSE(first.IsOpen());
    EXPECT_TRUE(moved.IsOpen());
    EXPECT_EQ(OpenShared(Access::Read, Share::DenyNone).Error(), HostError::SharingViolation);
}

}  // namespace
}  // namespace ruvu::platform
