// Whatever goes wrong, the original archive stays byte-identical and no temporary file is left:
// cancel, a failing event handler, an abort request, a full disk, an unusable target, bad records.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <thread>

#include "platform/FloppyChanger.h"
#include "tests/dizode/DizOdeFixture.h"
#include "zipformat/ByteOrder.h"

namespace ruvu::dizode::test {

using testsupport::SampleText;

namespace {

std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* e = readdir(dir)) {
            if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") {
                names.push_back(e->d_name);
            }
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

class DizOdeSafetyTest : public DizOdeTest {
  protected:
    // out.zip holding one entry, and a source folder with enough data for many progress calls.
    void SetUp() override {
        DizOdeTest::SetUp();
        tmp_.Write("keep/original.txt", "original");
        auto params = Params();
        params.Params().JunkDirsFlag = -1;
        params.Spec(tmp_.Win("keep") + "\\original.txt");
        ASSERT_EQ(Run(params), 1);
        original_ = ReadFileBytes(Archive());
        tmp_.Write("src/big.txt", SampleText(1 << 20));
        tmp_.Write("src/more.txt", SampleText(1 << 18, 2));
        callback_.Clear();
    }
    ZipParamsBuilder AddSources() {
        auto params = Params();
        params.RootDir(tmp_.Win("src")).Spec("*.*");
        return params;
    }
    void ExpectUntouched() {
        EXPECT_EQ(ReadFileBytes(Archive()), original_);
        EXPECT_EQ(FolderNames(tmp_.Host()), (std::vector<std::string>{"keep", "out.zip", "src"}));
    }
    std::string original_;
};

TEST_F(DizOdeSafetyTest, CancelOrAFailedHandlerLeavesTheArchiveAsItWas) {
    callback_.stopAtProgress = 5;
    auto cancelled = AddSources();
    EXPECT_EQ(Run(cancelled), abi::kResultCancelled);
    ExpectUntouched();

    callback_.Clear();
    callback_.stopAtAction = abi::kActionItemEnd;
    callback_.stopResult = abi::kCallbackHandlerException;
    auto failed = AddSources();
    EXPECT_EQ(Run(failed), abi::kResultHandlerException);
    ExpectUntouched();

    // Stops before anything is written count as well, also in delete mode.
    callback_.Clear();
    callback_.stopAtAction = abi::kActionTotalCount;
    callback_.stopResult = 1;
    auto deleting = Params();
    deleting.Params().DeleteFlag = -1;
    deleting.Spec("*.*");
    EXPECT_EQ(Run(deleting), abi::kResultCancelled);
    ExpectUntouched();
}

TEST_F(DizOdeSafetyTest, AbortRequestStopsTheJobAndASecondCallIsBusy) {
    int32_t nested = 0;
    int32_t abort = -99;
    callback_.onEvent = [&](const testsupport::CallbackEvent& e) {
        if (e.action == abi::kActionItemProgress && abort == -99) {
            nested = exec_(&Params("other.zip").Spec(tmp_.Win("src") + "\\more.txt").Build());
            abort = exec_(nullptr);
        }
    };
    auto params = AddSources();
    EXPECT_EQ(Run(params), abi::kResultAborted);
    EXPECT_EQ(nested, abi::kResultBusy);
    EXPECT_EQ(abort, 0);
    ExpectUntouched();

    // The next job runs normally, also from another thread.
    callback_.onEvent = nullptr;
    int32_t result = 0;
    std::thread worker([&] {
        auto again = AddSources();
        result = Run(again);
    });
    worker.join();
    EXPECT_EQ(result, 2);
}

TEST_F(DizOdeSafetyTest, AFullDiskLeavesTheOriginalIdenticalAndNoTemporaryFile) {
    platform::FloppyChanger changer(tmp_.Host("floppy"));
    changer.CreateDisk("d1");
    changer.Insert("d1");
    const std::string disk = changer.DiskFolder("d1");
    testsupport::ScopedDriveMap drives("C=/;A=floppy:" + tmp_.Host("floppy"));
    // An archive of about 0.9 MB on the disk: a rewrite with more data cannot fit beside it.
    tmp_.Write("n/noise.bin", testsupport::RandomBytes(900 * 1024));
    ZipParamsBuilder first("A:\\full.zip", callback_.Handle(), callback_.CallerRef());
    first.Params().JunkDirsFlag = -1;
    first.Spec(tmp_.Win("n") + "\\noise.bin");
    ASSERT_EQ(Run(first), 1);
    const std::string before = ReadFileBytes(disk + "/full.zip");

    callback_.Clear();
    tmp_.Write("n/more.bin", testsupport::RandomBytes(200 * 1024, 3));
    ZipParamsBuilder second("A:\\full.zip", callback_.Handle(), callback_.CallerRef());
    second.Params().JunkDirsFlag = -1;
    second.Spec(tmp_.Win("n") + "\\more.bin");
    EXPECT_EQ(Run(second), 0);
    EXPECT_EQ(callback_.WorstCode(), abi::kCodeWriteError);
    EXPECT_EQ(ReadFileBytes(disk + "/full.zip"), before);
    EXPECT_EQ(FolderNames(disk), (std::vector<std::string>{"full.zip"}));
}

TEST_F(DizOdeSafetyTest, UnusableTargetsAreRefusedWithoutWritingAnything) {
    // A folder that cannot exist (below a file).
    auto below = Params("keep/original.txt/new.zip");
    below.Spec(tmp_.Win("src") + "\\big.txt");
    EXPECT_EQ(Run(below), 0);
    EXPECT_EQ(callback_.WorstCode(), abi::kCodeCreateError);

    // A file that is no archive is never overwritten; a damaged archive is not touched.
    for (const std::string& content :
         {std::string("just some text, no zip at all"),
          original_.substr(0, original_.size() - 30) + original_.substr(original_.size() - 22)}) {
        tmp_.Write("notzip.zip", content);
        callback_.Clear();
        auto params = Params("notzip.zip");
        params.Spec(tmp_.Win("src") + "\\big.txt");
        EXPECT_EQ(Run(params), 0);
        EXPECT_NE(callback_.WorstCode(), 0);
        EXPECT_EQ(ReadFileBytes(tmp_.Host("notzip.zip")), content);
    }
    std::remove(tmp_.Host("notzip.zip").c_str());
    ExpectUntouched();
}

TEST_F(DizOdeSafetyTest, AReadOnlyArchiveIsRefusedByAddAndDelete) {
    chmod(Archive().c_str(), 0444);
    auto add = AddSources();
    EXPECT_EQ(Run(add), 0);
    EXPECT_EQ(callback_.WorstCode(), abi::kCodeNoArchive);
    EXPECT_TRUE(callback_.HasMessage("Zip file could not be opened"))
        << testing::PrintToString(callback_.Messages());
    auto deleting = Params();
    deleting.Params().DeleteFlag = -1;
    deleting.Spec("*.*");
    EXPECT_EQ(Run(deleting), 0);
    ExpectUntouched();
}

// The archive reached through a link is changed where it lies, with its mode and owner; another hard
// link keeps the archive as it was.
TEST_F(DizOdeSafetyTest, AnArchiveBehindALinkIsUpdatedWhereItLiesKeepingModeAndOwner) {
    const std::string real = tmp_.Host("keep/real.zip");
    ASSERT_EQ(std::rename(Archive().c_str(), real.c_str()), 0);
    ASSERT_EQ(symlink(real.c_str(), Archive().c_str()), 0);
    ASSERT_EQ(link(real.c_str(), tmp_.Host("keep/other.zip").c_str()), 0);
    chmod(real.c_str(), 0640);
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(chown(real.c_str(), 4242, 4343), 0);
    }
    auto add = AddSources();
    ASSERT_EQ(Run(add), 2);
    struct stat link {};
    ASSERT_EQ(lstat(Archive().c_str(), &link), 0);
    EXPECT_TRUE(S_ISLNK(link.st_mode));
    EXPECT_EQ(testsupport::PythonNames(real).size(), 3u);
    struct stat st {};
    ASSERT_EQ(stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(st.st_uid, 4242u);
        EXPECT_EQ(st.st_gid, 4343u);
    }
    EXPECT_EQ(ReadFileBytes(tmp_.Host("keep/other.zip")), original_);
    EXPECT_EQ(FolderNames(tmp_.Host("keep")),
              (std::vector<std::string>{"original.txt", "other.zip", "real.zip"}));
}

// An archive whose second central header names the first entry's data: copying both would write the
// data twice, so a rewrite that keeps both is refused; deleting the second one mends the archive.
TEST_F(DizOdeSafetyTest, OverlappingEntriesAreNotCopiedTwice) {
    std::string zip = original_;
    const size_t end = zip.size() - 22;
    const uint32_t at = zip::GetU32(reinterpret_cast<const uint8_t*>(zip.data() + end + 16));
    std::string header = zip.substr(at, end - at);
    header.replace(46, 12, "overlaps.txt");
    zip.insert(end, header);
    auto* record = reinterpret_cast<uint8_t*>(zip.data() + zip.size() - 22);
    zip::PutU16(record + 8, 2);
    zip::PutU16(record + 10, 2);
    zip::PutU32(record + 12, zip::GetU32(record + 12) + static_cast<uint32_t>(header.size()));
    tmp_.Write("out.zip", zip);
    auto add = AddSources();
    EXPECT_EQ(Run(add), 0);
    EXPECT_EQ(callback_.WorstCode(), abi::kCodeArchiveStructure);
    EXPECT_TRUE(callback_.HasMessage("overlaps another entry"))
        << testing::PrintToString(callback_.Messages());
    EXPECT_EQ(ReadFileBytes(Archive()), zip);
    auto deleting = Params();
    deleting.Params().DeleteFlag = -1;
    deleting.Spec("overlaps.txt");
    EXPECT_EQ(Run(deleting), 1);
    EXPECT_EQ(ReadFileBytes(Archive()), original_);
}

TEST_F(DizOdeSafetyTest, UnusableRecordsAreRejected) {
    auto noName = ZipParamsBuilder("", callback_.Handle(), callback_.CallerRef());
    noName.Spec("x");
    EXPECT_EQ(Run(noName), abi::kResultBadRecord);
    EXPECT_EQ(callback_.WorstCode(), abi::kCodeBadParameters);

    auto badDate = AddSources();
    badDate.DateFilter("13 45 xx");
    EXPECT_EQ(Run(badDate), abi::kResultBadRecord);

    auto badArray = AddSources();
    badArray.Build().SpecArray = 0xFFFFFF;  // a handle nobody registered
    EXPECT_EQ(exec_(&badArray.Params()), abi::kResultBadRecord);
    ExpectUntouched();

    auto version = reinterpret_cast<abi::VersionFunction>(library_.Entry(abi::kZipVersionName));
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version(), abi::kLibraryVersion);
    EXPECT_NE(library_.Entry(abi::kZipPrivVersionName), nullptr);
}

}  // namespace ruvu::dizode::test
