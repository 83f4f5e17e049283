// Spanned sets: numbered and compatibly named parts on a hard disk, the same set on the virtual
// floppy changer with its prompts, the first part opened on its own, and the disk services.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "engine/Messages.h"
#include "platform/Drives.h"
#include "platform/FloppyChanger.h"
#include "tests/engine/EngineTestSupport.h"

namespace ruvu::enginetest {
namespace {

namespace fs = std::filesystem;
using platform::IDCANCEL;
using platform::IDOK;

constexpr int kParts = 9;
constexpr int32_t kEntries = 1500;

// One set made by Info-ZIP (split.z01 ... split.z08, split.zip) and the same files in one archive.
class SpannedSetTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        setDir_ = new TempDir;
        Python(R"(
import os, random, sys
r = random.Random(1)
os.makedirs(os.path.join(sys.argv[1], "files"))
for i in range(1500):
    with open(os.path.join(sys.argv[1], "files", "entry_with_a_long_name_%04d.txt" % i), "wb") as f:
        f.write(bytes(r.getrandbits(8) for _ in range(150)))
)",
               {setDir_->Path()});
        ASSERT_EQ(RunProgram({"zip", "-q", "-r", "-D", "-s", "64k", "split.zip", "files"}, setDir_->Path()),
                  0);
        ASSERT_EQ(RunProgram({"zip", "-q", "-r", "-D", "whole.zip", "files"}, setDir_->Path()), 0);
        ASSERT_TRUE(fs::exists(Part(kParts - 1)));
        ASSERT_FALSE(fs::exists(*setDir_ / "split.z09"));
    }
    static void TearDownTestSuite() {
        delete setDir_;
        setDir_ = nullptr;
    }
    // Part n (0-based) of the set.
    static std::string Part(int n) {
        return n == kParts - 1 ? *setDir_ / "split.zip" : *setDir_ / ("split.z0" + std::to_string(n + 1));
    }

    // The listing matches the set's files.
    void ExpectWholeSetListed() {
        ASSERT_EQ(h.zip.Count(), kEntries);
        const ZipinfoListing whole = Zipinfo(*setDir_ / "whole.zip");
        ASSERT_EQ(whole.entries.size(), static_cast<size_t>(kEntries));
        for (size_t i = 0; i < whole.entries.size(); i += 97) {
            EXPECT_EQ(h.zip.Entries()[i].FileName, "files\\" + whole.entries[i].name.substr(6));
            EXPECT_EQ(h.zip.Entries()[i].Crc32, whole.entries[i].crc);
        }
        EXPECT_EQ(h.zip.Entries().back().Crc32, whole.entries.back().crc);
        EXPECT_TRUE(h.Engine().Spanned);
        EXPECT_EQ(h.Engine().LastDiskNumber, kParts - 1);
    }

    // Drive A is a floppy changer holding one disk per part, each part named ARCHIVE.ZIP and
    // labelled as the writer of a set labels it.
    platform::FloppyChanger& Floppies(const std::string& firstPartLabel = "PKBACK# 001") {
        drives_.emplace("C=/;A=floppy:" + dir / "floppy");
        changer_.emplace(dir / "floppy");
        for (int n = 0; n < kParts; ++n) {
            const std::string disk = "d" + std::to_string(n + 1);
            changer_->CreateDisk(disk, n == 0 ? firstPartLabel : "PKBACK# 00" + std::to_string(n + 1));
            fs::copy_file(Part(n), changer_->DiskFolder(disk) + "/ARCHIVE.ZIP");
        }
        return *changer_;
    }
    // Answers each disk prompt by inserting the disk it asks for.
    void InsertWhatIsAskedFor() {
        h.ui.onBox = [this](const platform::ScriptedInteraction::Box& box) {
            std::smatch match;
            if (std::regex_search(box.text, match, std::regex("volume (\\d+) of"))) {
                changer_->Insert("d" + match[1].str());
            } else {
                changer_->Insert("d" + std::to_string(kParts));
            }
            return IDOK;
        };
    }

    static TempDir* setDir_;
    TempDir dir;
    Harness h;
    std::optional<ScopedDrives> drives_;
    std::optional<platform::FloppyChanger> changer_;
};

TempDir* SpannedSetTest::setDir_ = nullptr;

TEST_F(SpannedSetTest, CompatiblyNamedPartsOnAHardDisk) {
    h.zip.SetSpanOptions({spCompatName});
    EXPECT_EQ(h.Open(Part(kParts - 1)), 0);
    ExpectWholeSetListed();
    EXPECT_TRUE(h.ui.boxes.empty());
}

TEST_F(SpannedSetTest, NumberedPartsOnAHardDisk) {
    for (int n = 0; n < kParts; ++n) {
        fs::copy_file(Part(n), dir / ("set00" + std::to_string(n + 1) + ".zip"));
    }
    h.zip.SetVerbose(true);
    EXPECT_EQ(h.Open(dir / "set.zip"), 0);
    ExpectWholeSetListed();
    EXPECT_TRUE(h.ui.boxes.empty());
    EXPECT_NE(std::find(h.messages.begin(), h.messages.end(),
                        std::make_pair(0, "Trace : GetNewDisk Opening: " + dir / "set006.zip")),
              h.messages.end());

    // A compatibly named part beside the last one makes the numbered reading ambiguous.
    WriteFile(dir / "set009.z01", "x");
    EXPECT_EQ(h.Open(dir / "set.zip"), msg::ZipOpenError);
}

TEST_F(SpannedSetTest, NumberedFileThatIsNoPartOfASet) {
    WriteFile(dir / "solo001.zip", BuildZip({TestEntry("a")}).bytes);
    EXPECT_EQ(h.Open(dir / "solo.zip"), msg::ZipOpenError);
    EXPECT_EQ(h.dirUpdates, 0);
}

TEST_F(SpannedSetTest, FloppySetAsksForEachDiskOfTheDirectory) {
    Floppies().Insert("d9");
    InsertWhatIsAskedFor();
    EXPECT_EQ(h.Open("A:\\ARCHIVE.ZIP"), 0);
    ExpectWholeSetListed();
    std::vector<std::string> prompts;
    for (const auto& box : h.ui.boxes) {
        EXPECT_EQ(box.caption, "RuvuvADU");
        EXPECT_EQ(box.flags, uint32_t{platform::MB_OKCANCEL});
        prompts.push_back(box.text);
    }
    EXPECT_EQ(prompts, (std::vector<std::string>{"Please insert disk volume 6 of 9\nin drive: A:\\",
                                                 "Please insert disk volume 7 of 9\nin drive: A:\\",
                                                 "Please insert disk volume 8 of 9\nin drive: A:\\",
                                                 "Please insert disk volume 9 of 9\nin drive: A:\\"}));
}

TEST_F(SpannedSetTest, FloppySetWithTheFirstDiskInsertedAsksForTheLast) {
    Floppies().Insert("d1");
    InsertWhatIsAskedFor();
    EXPECT_EQ(h.Open("A:\\ARCHIVE.ZIP"), 0);
    ExpectWholeSetListed();
    ASSERT_EQ(h.ui.boxes.size(), 5u);
    EXPECT_EQ(h.ui.boxes[0].text, "Please insert last disk\nin drive: A:\\");
    EXPECT_EQ(h.ui.boxes[0].flags, uint32_t{platform::MB_OKCANCEL | platform::MB_ICONSTOP});
}

TEST_F(SpannedSetTest, WrongDiskIsAskedForAgainWithoutLosingTheName) {
    Floppies().Insert("d9");
    bool wrongGiven = false;
    h.ui.onBox = [&](const platform::ScriptedInteraction::Box& box) {
        std::smatch match;
        std::regex_search(box.text, match, std::regex("volume (\\d+) of"));
        changer_->Insert(wrongGiven ? "d" + match[1].str() : "d2");
        wrongGiven = true;
        return IDOK;
    };
    EXPECT_EQ(h.Open("A:\\ARCHIVE.ZIP"), 0);
    ExpectWholeSetListed();
    ASSERT_EQ(h.ui.boxes.size(), 5u);
    EXPECT_EQ(h.ui.boxes[0].text, h.ui.boxes[1].text);
}

TEST_F(SpannedSetTest, FloppyPromptsGoToOnGetNextDiskWhenHandled) {
    Floppies().Insert("d1");
    std::vector<std::string> calls;
    h.zip.OnGetNextDisk = [&](TObject*, int32_t seqNo, int32_t total, const std::string& drive, bool& abort) {
        calls.push_back(std::to_string(seqNo) + "/" + std::to_string(total) + " " + drive);
        changer_->Insert("d" + std::to_string(seqNo == 0 ? kParts : seqNo));
        abort = seqNo == 8;
    };
    EXPECT_EQ(h.Open("A:\\ARCHIVE.ZIP"), msg::UserCanceled);
    EXPECT_TRUE(h.ui.boxes.back().text == "User canceled operation");
    EXPECT_EQ(calls, (std::vector<std::string>{"0/0 A", "6/9 A", "7/9 A", "8/9 A"}));
    EXPECT_EQ(h.zip.ZipFileName(), "");

    // Aborting the request for the last disk means there is no archive to list.
    calls.clear();
    changer_->Insert("d1");
    h.zip.OnGetNextDisk = [&](TObject*, int32_t, int32_t, const std::string&, bool& abort) { abort = true; };
    h.dirUpdates = 0;
    EXPECT_EQ(h.Open("A:\\ARCHIVE.ZIP"), 0);
    EXPECT_EQ(h.zip.Count(), 0);
    EXPECT_EQ(h.dirUpdates, 1);
}

TEST_F(SpannedSetTest, UnattendedListingOfTheFirstDiskFailsAloud) {
    Floppies().Insert("d1");
    h.zip.SetUnattended(true);
    EXPECT_EQ(h.Open("A:\\ARCHIVE.ZIP"), msg::UnattendedSpanning);
    EXPECT_TRUE(h.ui.boxes.empty());
    EXPECT_EQ(h.messages.back().second, "Unattended disk spanning not implemented");
}

TEST_F(SpannedSetTest, FirstPartOpenedOnItsOwnSaysWhatItIs) {
    fs::copy_file(Part(0), dir / "first.zip");
    fs::copy_file(Part(0), dir / "split.z01");
    h.zip.SetUnattended(true);
    EXPECT_EQ(h.Open(dir / "first.zip"), msg::FirstFileOfSet);
    EXPECT_EQ(h.messages.back().second,
              "This is the first file in a backup set,\nplease choose the last file of this set");
    EXPECT_EQ(h.Open(dir / "split.z01"), msg::FirstDiskOfSet);
    WriteFile(dir / "set002.zip", std::string(100, 'x'));
    EXPECT_EQ(h.Open(dir / "set002.zip"), msg::NthDiskOfSet);
    EXPECT_EQ(h.messages.back().second,
              "This is the 2th disk in a backup set,\nplease insert the last disk of this set");

    // On a floppy the label tells the disk's number.
    for (const char* label : {"PKBACK# 001", "PKBACK# 002"}) {
        drives_.reset();
        changer_.reset();
        fs::remove_all(dir / "floppy");
        Floppies(label).Insert("d1");
        TDozEngine& e = h.Engine();
        e.SetDriveOf("A:\\ARCHIVE.ZIP");
        ASSERT_TRUE(e.CheckDrive());
        EXPECT_EQ(e.VolumeLabel, label);
        e.WorkFileName = "A:\\ARCHIVE.ZIP";
        zip::EndOfCentralDir record{};
        try {
            e.OpenEndRecord(record, true);
            ADD_FAILURE() << "no exception";
        } catch (const EDozErozev& error) {
            EXPECT_EQ(error.ResId(),
                      label == std::string("PKBACK# 001") ? msg::FirstDiskOfSet : msg::FirstFileOfSet);
        }
        e.WorkHandle.Close();
    }
}

TEST_F(SpannedSetTest, PartNames) {
    TDozEngine& e = h.Engine();
    auto name = [&](std::string file, int32_t disk, int32_t last, bool numbered) {
        e.CurrentDisk = disk;
        e.LastDiskNumber = last;
        e.MakePartName(file, numbered);
        return file;
    };
    EXPECT_EQ(name("C:\\D\\ARC.ZIP", 4, 9, false), "C:\\D\\ARC005.ZIP");
    EXPECT_EQ(name("C:\\D\\ARC001.ZIP", 4, 9, true), "C:\\D\\ARC005.ZIP");
    EXPECT_EQ(name("C:\\D\\A.ZIP", 0, 9, true), "C:\\D\\001.ZIP");
    e.Options.SpanOptions = {spCompatName};
    EXPECT_EQ(name("C:\\D\\ARC.ZIP", 0, 2, true), "C:\\D\\ARC.z01");
    EXPECT_EQ(name("C:\\D\\ARC.z01", 2, 2, true), "C:\\D\\ARC.zip");
    EXPECT_EQ(name("C:\\D\\ARC.zip", 99, 150, true), "C:\\D\\ARC.z100");
}

TEST_F(SpannedSetTest, DiskRequestsWhileWriting) {
    platform::FloppyChanger& floppies = Floppies();
    TDozEngine& e = h.Engine();
    e.DriveRoot = "A:\\";
    e.ArchiveSize = 3000000;

    floppies.Insert("d1");
    ASSERT_TRUE(e.CheckDrive());
    EXPECT_EQ(e.DiskTotalBytes, 1457664);
    e.CurrentDisk = 1;
    e.NewDiskRequested = true;
    h.ui.boxAnswers = {IDCANCEL};
    EXPECT_THROW(e.RequestDisk(true), EDozErozev);
    ASSERT_EQ(h.ui.boxes.size(), 1u);
    EXPECT_EQ(h.ui.boxes[0].text, "Please insert disk volume 2 of 3\nin drive: A:\\");

    // The first disk of a write is taken as it is when it is usable.
    e.CurrentDisk = 0;
    e.NewDiskRequested = true;
    e.RequestDisk(true);
    EXPECT_EQ(h.ui.boxes.size(), 1u);

    // An empty drive before the first disk: no size to estimate from.
    floppies.Eject();
    EXPECT_FALSE(e.CheckDrive());
    e.NewDiskRequested = true;
    h.ui.boxAnswers = {0};
    try {
        e.RequestDisk(true);
        ADD_FAILURE() << "no exception";
    } catch (const EDozErozev& error) {
        EXPECT_EQ(error.ResId(), msg::MsgBoxNoMemory);
    }
    EXPECT_EQ(h.ui.boxes.back().text, "Please insert disk volume 1\nin drive: A:\\");

    e.Options.Unattended = true;
    e.NewDiskRequested = true;
    try {
        e.RequestDisk(false);
        ADD_FAILURE() << "no exception";
    } catch (const EDozErozev& error) {
        EXPECT_EQ(error.ResId(), msg::UnattendedSpanning);
    }
}

TEST_F(SpannedSetTest, DriveChecksOnTheFloppyChanger) {
    platform::FloppyChanger& floppies = Floppies();
    TDozEngine& e = h.Engine();
    e.SetDriveOf("a:\\x.zip");
    EXPECT_EQ(e.DriveRoot, "a:\\");
    EXPECT_FALSE(e.IsFixedDrive);
    EXPECT_FALSE(e.CheckDrive());  // no disk
    floppies.Insert("unformatted");
    EXPECT_FALSE(e.CheckDrive());
    e.Options.AddOptions = {AddDiskSpanErase};
    EXPECT_TRUE(e.CheckDrive());  // it will be formatted
    floppies.Insert("d3");
    EXPECT_TRUE(e.CheckDrive());
    EXPECT_EQ(e.VolumeLabel, "PKBACK# 003");
    EXPECT_GT(e.DiskFreeBytes, 0);
    EXPECT_LT(e.DiskFreeBytes, 1457664 - static_cast<int64_t>(fs::file_size(Part(2))) + 512);

    e.SetDriveOf(dir / "x.zip");
    EXPECT_TRUE(e.IsFixedDrive);
    EXPECT_TRUE(e.CheckDrive());
    EXPECT_EQ(e.VolumeLabel, "");
    EXPECT_GT(e.DiskTotalBytes, 0);
}

}  // namespace
}  // namespace ruvu::enginetest
