// Writing spanned sets through the add operation and the real libraries: onto floppies of the virtual
// changer with a scripted person answering the prompts, and onto part files on a hard disk; each set
// checked volume by volume and read back byte for byte; and what happens when a disk, a prompt or a
// volume size does not play along.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <map>

#include "engine/Messages.h"
#include "platform/FileSystem.h"
#include "tests/engine/SpanSetSupport.h"
#include "zipformat/EndOfCentralDir.h"
#include "zipformat/ExtraField.h"
#include "zipformat/LocalFileHeader.h"

namespace ruvu::enginetest {
namespace {

namespace fs = std::filesystem;
using platform::IDCANCEL;
using platform::IDNO;
using platform::IDRETRY;
using platform::IDYES;

constexpr int64_t kFloppy = 1457664;

using SpanWritingTest = SpanFixture;

std::map<std::string, std::string> Snapshot(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) {
            files[entry.path().string()] = ReadFile(entry.path().string());
        }
    }
    return files;
}

TEST_F(SpanWritingTest, ThreeMegabytesOntoFloppiesAndBack) {
    Floppies(4);
    MakeSources(30, 100000);
    InsertWhatIsAskedFor();
    EXPECT_EQ(AddSources("A:\\BACKUP.ZIP", {AddDiskSpan}), 0);
    EXPECT_EQ(h.zip.SuccessCount(), 30);
    EXPECT_EQ(Prompts(), (std::vector<std::string>{"Please insert disk volume 2 of 3\nin drive: A:\\",
                                                   "Please insert disk volume 3 of 3\nin drive: A:\\"}));
    for (int n = 1; n <= 3; ++n) {
        EXPECT_EQ(changer->Label("d" + std::to_string(n)), "PKBACK# 00" + std::to_string(n));
    }
    EXPECT_EQ(changer->Label("d4"), "");
    EXPECT_EQ(changer->UsedBytes("d4"), 0u);
    const std::vector<std::string> volumes = FloppyVolumes("BACKUP.ZIP");
    ASSERT_EQ(volumes.size(), 3u);
    EXPECT_LE(volumes[0].size(), kFloppy);
    EXPECT_EQ(CheckSetStructure(volumes).size(), 30u);
    // The listing after the add: offsets on the first disk count the marker.
    ASSERT_EQ(h.zip.Count(), 30);
    EXPECT_EQ(h.zip.Entries()[0].LocalHeaderOffset, 4u);
    EXPECT_EQ(h.zip.Entries()[0].DiskStart, 0);
    EXPECT_TRUE(fs::is_empty(temp));

    // Read back as a person starts: the first disk in the drive.
    h.ui.boxes.clear();
    changer->Insert("d1");
    InsertWhatIsAskedFor(3);
    ExpectSetReadsBack("A:\\BACKUP.ZIP");
    EXPECT_EQ(Prompts().front(), "Please insert last disk\nin drive: A:\\");
    h.zip.SetExtrOptions({ExtrTest});
    EXPECT_EQ(h.zip.Extract(), 0);
    EXPECT_EQ(h.zip.SuccessCount(), 30);
}

TEST_F(SpanWritingTest, FloppiesWithoutLabelsCarryPartNames) {
    MakeSources(20, 100000);
    for (const bool compatible : {false, true}) {
        SCOPED_TRACE(compatible);
        drives.reset();
        changer.reset();
        fs::remove_all(dir / "floppy");
        Floppies(3);
        InsertWhatIsAskedFor();
        h.zip.SetSpanOptions(compatible ? SpanOpts{spNoVolumeName, spCompatName} : SpanOpts{spNoVolumeName});
        // Wiped first: "ZipSet_1", ... are the disks' names, and no label is written.
        h.zip.SetConfirmErase(false);
        EXPECT_EQ(AddSources("A:\\BACKUP.ZIP", {AddDiskSpanErase}), 0);
        const std::vector<std::string> names =
            compatible ? std::vector<std::string>{"BACKUP.z01", "BACKUP.ZIP"}
                       : std::vector<std::string>{"BACKUP001.ZIP", "BACKUP002.ZIP"};
        std::vector<std::string> volumes;
        for (size_t n = 0; n < names.size(); ++n) {
            const std::string disk = "d" + std::to_string(n + 1);
            volumes.push_back(DiskFile(disk, names[n]));
            EXPECT_EQ(changer->Label(disk), "");
        }
        EXPECT_EQ(CheckSetStructure(volumes).size(), 20u);
        h.zip.SetSpanOptions({});
        changer->Insert("d1");
        InsertWhatIsAskedFor(2);
        // Opened by the set's name, whatever part is on the disk in the drive.
        ExpectSetReadsBack("A:\\BACKUP.ZIP");
    }
}

TEST_F(SpanWritingTest, PartFilesOnAHardDiskNumberedOrCompatiblyNamed) {
    MakeSources(12, 100000);
    h.zip.SetMaxVolumeSize(500000);
    for (const bool compatible : {false, true}) {
        SCOPED_TRACE(compatible);
        const std::string base = dir / (compatible ? "compat" : "numbered");
        h.zip.SetSpanOptions(compatible ? SpanOpts{spCompatName} : SpanOpts{});
        EXPECT_EQ(AddSources(base + ".zip", {AddDiskSpan}), 0);
        const std::vector<std::string> names =
            compatible ? std::vector<std::string>{base + ".z01", base + ".z02", base + ".zip"}
                       : std::vector<std::string>{base + "001.zip", base + "002.zip", base + "003.zip"};
        std::vector<std::string> volumes;
        for (const std::string& name : names) {
            volumes.push_back(ReadFile(name));
            EXPECT_LE(volumes.back().size(), 500000u) << name;
        }
        EXPECT_FALSE(fs::exists(compatible ? base + ".z03" : base + "004.zip"));
        EXPECT_EQ(CheckSetStructure(volumes).size(), 12u);
        EXPECT_TRUE(h.ui.boxes.empty());
        EXPECT_TRUE(fs::is_empty(temp));
        // Listed and extracted through the last part, also without being told the naming.
        h.zip.SetSpanOptions({});
        ExpectSetReadsBack(names.back());
    }
    // Other tools take the compatibly named set.
    ASSERT_EQ(RunProgram({"zip", "-q", "-s", "0", "compat.zip", "--out", "one.zip"}, dir.Path()), 0);
    EXPECT_EQ(RunProgram({"unzip", "-tq", "one.zip"}, dir.Path()), 0);
    std::string listing;
    EXPECT_EQ(RunProgram({"7z", "t", "compat.zip"}, dir.Path(), {}, &listing), 0);
    EXPECT_NE(listing.find("Files: 12"), std::string::npos) << listing;
}

TEST_F(SpanWritingTest, CompatibleNamesReplaceAnOldLastNameOnlyWhenAllowed) {
    MakeSources(6, 100000);
    h.zip.SetMaxVolumeSize(300000);
    h.zip.SetSpanOptions({spCompatName});
    const std::string old = BuildZip({TestEntry("old.txt", "old")}).bytes;
    for (const int answer : {IDNO, IDYES}) {
        const std::string base = dir / (answer == IDNO ? "kept" : "replaced");
        WriteFile(base + ".zip", old);
        h.ui.boxAnswers = {answer};
        h.messages.clear();
        EXPECT_EQ(AddSources(base + ".zip", {AddDiskSpan}), 0);
        ASSERT_EQ(h.ui.boxes.size(), 1u);
        EXPECT_EQ(h.ui.boxes[0].text,
                  "There is already a file " + base + ".zip\nDo you want to overwrite this file");
        EXPECT_EQ(h.ui.boxes[0].caption, "Confirm");
        EXPECT_EQ(h.ui.boxes[0].flags,
                  uint32_t{platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2});
        h.ui.boxes.clear();
        const bool leftAs =
            std::find(h.messages.begin(), h.messages.end(),
                      std::make_pair(0, "Last part left as : " + base + ".z03")) != h.messages.end();
        if (answer == IDNO) {
            EXPECT_TRUE(leftAs);
            EXPECT_TRUE(ReadFile(base + ".zip") == old);
            EXPECT_EQ(
                CheckSetStructure({ReadFile(base + ".z01"), ReadFile(base + ".z02"), ReadFile(base + ".z03")})
                    .size(),
                6u);
        } else {
            EXPECT_FALSE(leftAs);
            EXPECT_FALSE(fs::exists(base + ".z03"));
            EXPECT_EQ(
                CheckSetStructure({ReadFile(base + ".z01"), ReadFile(base + ".z02"), ReadFile(base + ".zip")})
                    .size(),
                6u);
        }
    }
}

TEST_F(SpanWritingTest, SpaceKeptFreeIsRoundedToWholeSectors) {
    MakeSources(20, 100000);
    struct Case {
        uint32_t keepFreeOnDisk1;
        uint32_t keepFreeOnAllDisks;
        int64_t firstVolume;  // the room of the first disk
    };
    for (const Case& c : {Case{10000, 0, kFloppy - 10240}, Case{0, 100000, kFloppy - 100352}}) {
        SCOPED_TRACE(c.keepFreeOnDisk1);
        drives.reset();
        changer.reset();
        fs::remove_all(dir / "floppy");
        Floppies(3);
        InsertWhatIsAskedFor();
        h.zip.SetKeepFreeOnDisk1(c.keepFreeOnDisk1);
        h.zip.SetKeepFreeOnAllDisks(c.keepFreeOnAllDisks);
        EXPECT_EQ(AddSources("A:\\BACKUP.ZIP", {AddDiskSpan}), 0);
        const std::vector<std::string> volumes = FloppyVolumes("BACKUP.ZIP");
        ASSERT_EQ(volumes.size(), 2u);
        // A volume ends where its room ends, or a header before it when the header does not fit.
        EXPECT_LE(static_cast<int64_t>(volumes[0].size()), c.firstVolume);
        EXPECT_GT(static_cast<int64_t>(volumes[0].size()), c.firstVolume - 100);
        EXPECT_EQ(CheckSetStructure(volumes).size(), 20u);
    }
}

TEST_F(SpanWritingTest, CancelAtAnyPromptLeavesNoTemporaryFileAndTheSourcesUntouched) {
    MakeSources(30, 100000);
    const auto sources = Snapshot(src);
    for (const int cancelAt : {1, 2}) {
        SCOPED_TRACE(cancelAt);
        drives.reset();
        changer.reset();
        fs::remove_all(dir / "floppy");
        Floppies(4);
        int prompt = 0;
        h.ui.onBox = [&](const platform::ScriptedInteraction::Box& box) {
            const int disk = PromptedDisk(box.text);
            if (disk > 0 && ++prompt == cancelAt) {
                return static_cast<int>(IDCANCEL);
            }
            if (disk > 0) {
                changer->Insert("d" + std::to_string(disk));
            }
            return 0;
        };
        EXPECT_EQ(AddSources("A:\\BACKUP.ZIP", {AddDiskSpan}), msg::UserCanceled);
        EXPECT_EQ(h.zip.SuccessCount(), 0);
        EXPECT_TRUE(fs::is_empty(temp));
        EXPECT_TRUE(Snapshot(src) == sources);
    }

    // Nobody to ask: a floppy set needs a person.
    h.ui.boxes.clear();
    h.zip.SetUnattended(true);
    EXPECT_EQ(AddSources("A:\\BACKUP.ZIP", {AddDiskSpan}), msg::UnattendedSpanning);
    EXPECT_TRUE(h.ui.boxes.empty());
    EXPECT_TRUE(fs::is_empty(temp));
    h.zip.SetUnattended(false);

    // Files moved into the archive: cancelling keeps the temporary archive, their only copy, and
    // says where it is.
    h.ui.onBox = [](const platform::ScriptedInteraction::Box& box) {
        return PromptedDisk(box.text) > 0 ? static_cast<int>(IDCANCEL) : 0;
    };
    EXPECT_EQ(AddSources("A:\\BACKUP.ZIP", {AddDiskSpan, AddMove}), msg::UserCanceled);
    EXPECT_TRUE(fs::is_empty(src));
    const std::vector<fs::path> kept{fs::directory_iterator(temp), fs::directory_iterator()};
    ASSERT_EQ(kept.size(), 1u);
    const std::string keptLine = h.ui.boxes.back().text;
    EXPECT_TRUE(keptLine.starts_with("Temporary zipfile: C:\\") &&
                keptLine.ends_with(kept[0].filename().string()))
        << keptLine;
    EXPECT_NE(std::find(h.messages.begin(), h.messages.end(), std::make_pair(0, keptLine)), h.messages.end());
    std::string names;
    EXPECT_EQ(RunProgram({"unzip", "-Z1", kept[0].string()}, {}, {}, &names), 0);
    EXPECT_EQ(std::count(names.begin(), names.end(), '\n'), 30);
}

TEST_F(SpanWritingTest, AnEarlierDiskOfTheSetPutBackIsNeverWipedOrReused) {
    Floppies(3);
    WriteFile(changer->DiskFolder("d2") + "/OLD.TXT", "old file");
    MakeSources(20, 100000);
    h.zip.SetConfirmErase(false);
    bool putBack = false;
    h.ui.onBox = [&](const platform::ScriptedInteraction::Box& box) {
        const int disk = PromptedDisk(box.text);
        if (disk == 2 && !putBack) {
            putBack = true;  // the person puts the first disk back instead
            changer->Insert("d1");
        } else if (disk > 0) {
            changer->Insert("d" + std::to_string(disk));
        }
        return 0;
    };
    // Each disk is judged before it is wiped; action 1 goes on and allows the wipe. The folder of the
    // set is made on each disk.
    std::vector<std::pair<int32_t, TZipDiskStatus>> statuses;
    h.zip.OnStatusDisk = [&](TObject*, int32_t disk, const std::string& file, TZipDiskStatus status,
                             TZipDiskAction& action) {
        EXPECT_EQ(file, "A:\\SETS\\BACKUP.ZIP");
        statuses.emplace_back(disk, status);
        action = 1;
    };
    EXPECT_EQ(AddSources("A:\\SETS\\BACKUP.ZIP", {AddDiskSpanErase}), 0);
    // A disk without a label is shown as disk 1.
    EXPECT_EQ(statuses, (std::vector<std::pair<int32_t, TZipDiskStatus>>{{1, 1}, {1, 4}, {1, 2}}));
    EXPECT_FALSE(fs::exists(changer->DiskFolder("d2") + "/OLD.TXT"));
    EXPECT_EQ(CheckSetStructure(FloppyVolumes("SETS/BACKUP.ZIP")).size(), 20u);

    // Without a handler the warning offers another disk or the end, never the overwrite.
    drives.reset();
    changer.reset();
    fs::remove_all(dir / "floppy");
    Floppies(3);
    h.zip.OnStatusDisk = nullptr;
    putBack = false;
    EXPECT_EQ(AddSources("A:\\SETS\\BACKUP.ZIP", {AddDiskSpanErase}), 0);
    const auto warning = std::find_if(h.ui.boxes.begin(), h.ui.boxes.end(),
                                      [](const auto& box) { return box.text.starts_with("ATTENTION"); });
    ASSERT_NE(warning, h.ui.boxes.end());
    EXPECT_EQ(warning->text, "ATTENTION: This is previous disk no 1!!!");
    EXPECT_EQ(warning->flags, uint32_t{platform::MB_RETRYCANCEL | platform::MB_ICONSTOP});
    changer->Insert("d2");
    InsertWhatIsAskedFor(2);
    ExpectSetReadsBack("A:\\SETS\\BACKUP.ZIP");
}

TEST_F(SpanWritingTest, AFloppyFillingUpWhileWrittenAsksForTheNextDisk) {
    Floppies(4);
    MakeSources(20, 100000);
    InsertWhatIsAskedFor();
    bool filled = false;
    h.ui.onPendingEvents = [&] {
        const std::string volume = changer->DiskFolder("d2") + "/BACKUP.ZIP";
        if (!filled && changer->Inserted() == "d2" && fs::exists(volume) && fs::file_size(volume) > 100000) {
            filled = true;  // another program takes most of the disk
            WriteFile(changer->DiskFolder("d2") + "/OTHER.BIN", std::string(1000000, 'o'));
        }
    };
    EXPECT_EQ(AddSources("A:\\BACKUP.ZIP", {AddDiskSpan}), 0);
    EXPECT_TRUE(filled);
    h.ui.onPendingEvents = nullptr;
    const std::vector<std::string> volumes = FloppyVolumes("BACKUP.ZIP");
    ASSERT_EQ(volumes.size(), 3u);
    EXPECT_EQ(CheckSetStructure(volumes).size(), 20u);
    EXPECT_EQ(changer->UsedBytes("d2"), static_cast<uint64_t>(kFloppy));
    changer->Insert("d3");
    InsertWhatIsAskedFor(3);
    ExpectSetReadsBack("A:\\BACKUP.ZIP");
}

TEST_F(SpanWritingTest, WhatCanNeverFitAVolumeEndsTheWritingInsteadOfMakingPartsWithoutEnd) {
    MakeSources(2, 1000);
    const std::string longName = std::string(200, 'n') + ".txt";
    WriteFile(src + "/" + longName, "long name");
    h.zip.SetMaxVolumeSize(150);
    EXPECT_EQ(AddSources(dir / "tiny.zip", {AddDiskSpan}), msg::DiskNotEnoughSpace);
    // The local header that must stay together: its fixed part, the name and the exact-time block.
    const size_t header = zip::LocalFileHeader::kSize + longName.size() + zip::kExtendedModTimeBlockSize;
    EXPECT_NE(h.messages.back().second.find("A volume holds at most 150 bytes, " + std::to_string(header) +
                                            " must stay together"),
              std::string::npos)
        << h.messages.back().second;
    h.zip.SetMaxVolumeSize(0);
    h.zip.SetMinFreeVolumeSize(0);
    EXPECT_EQ(AddSources(dir / "tiny.zip", {AddDiskSpan}), msg::DiskNotEnoughSpace);
    EXPECT_NE(h.messages.back().second.find("MinFreeVolumeSize"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "tiny001.zip"));
    EXPECT_TRUE(fs::is_empty(temp));
}

TEST_F(SpanWritingTest, AShortWriteOnAHardDiskIsAWriteError) {
    WriteFile(dir / "source.zip", BuildZip({TestEntry("big.bin", std::string(400000, 'b'))}).bytes);
    TDozEngine& e = h.Engine();
    e.Options.MaxVolumeSize = 300000;
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 100000;
    void (*previous)(int) = signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    const int32_t result = e.WriteSpan(dir / "source.zip", dir / "set.zip");
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, previous);
    EXPECT_EQ(result, -7);
    EXPECT_EQ(h.messages.back().first, msg::OutputWriteError);
    EXPECT_FALSE(fs::exists(dir / "set001.zip"));
}

TEST_F(SpanWritingTest, AnOldFileKeepsItsBytesWhenTheDiskHasNoRoomAfterAll) {
    Floppies(1);
    const std::string disk = changer->DiskFolder("d1");
    WriteFile(disk + "/BACKUP.ZIP", "precious");
    WriteFile(disk + "/FILLER.BIN", std::string(kFloppy - 8 - 30000, 'f'));
    MakeSources(1, 1000);
    // Yes to replacing the old file, but the disk is too full even without it.
    h.ui.onBox = [](const platform::ScriptedInteraction::Box& box) {
        return static_cast<int>(box.text.starts_with("There is already") ? IDYES : IDCANCEL);
    };
    EXPECT_EQ(AddSources("A:\\BACKUP.ZIP", {AddDiskSpan}), msg::UserCanceled);
    EXPECT_EQ(h.ui.boxes.end()[-2].text, "This disk has not enough free space available");
    EXPECT_EQ(DiskFile("d1", "BACKUP.ZIP"), "precious");
}

TEST_F(SpanWritingTest, ALastPartThatCannotTakeItsNameIsAFailure) {
    MakeSources(4, 100000);
    fs::create_directories(dir / "taken.zip");
    h.zip.SetMaxVolumeSize(300000);
    h.zip.SetSpanOptions({spCompatName});
    EXPECT_EQ(AddSources(dir / "taken.zip", {AddDiskSpan}), msg::OutputCreateError);
    EXPECT_EQ(h.zip.SuccessCount(), 0);
    EXPECT_FALSE(fs::exists(dir / "taken.z01"));
    EXPECT_FALSE(fs::exists(dir / "taken.z02"));
    EXPECT_TRUE(fs::is_empty(temp));
}

// Sets written from one archive at many volume sizes join back into that very archive: entries known
// by their place in the directory (two names that differ in case only), headers far larger than a
// small buffer, the directory and the end record on whatever volume they land, one volume.
TEST_F(SpanWritingTest, SetsJoinBackIntoTheArchiveTheyWereWrittenFrom) {
    std::vector<TestEntry> entries = {TestEntry("README", "upper case"), TestEntry("readme", "lower case")};
    TestEntry large("large.txt", std::string(30000, 'l'), std::string(30000, 'c'));
    large.extra = "\x99\x99" + std::string("\x30\x75", 2) + std::string(30000, 'x');
    entries.push_back(large);
    for (int i = 0; i < 40; ++i) {
        entries.emplace_back("small/entry_" + std::to_string(i) + ".txt",
                             std::string(500 + i * 37, 'a' + i % 26));
    }
    // With 65536-byte volumes the local data ends 25 bytes before the end of the second one, so the
    // directory moves on to the third.
    const size_t padding = 2 * 65536 - 25 - (4 + BuildZip(entries).centralDirOffset + 30 + 7);
    entries.emplace_back("pad.bin", std::string(padding, 'p'));
    const std::string source = BuildZip(entries, std::string(2000, 'z')).bytes;
    WriteFile(dir / "source.zip", source);
    TDozEngine& e = h.Engine();
    for (const int32_t volumeSize : {0, 64001, 65536, 70007, 99999}) {
        SCOPED_TRACE(volumeSize);
        const std::string base = dir / ("set" + std::to_string(volumeSize));
        e.Options.MaxVolumeSize = volumeSize;
        ASSERT_EQ(e.WriteSpan(dir / "source.zip", base + ".zip"), 0);
        std::vector<std::string> volumes;
        for (int n = 1; fs::exists(base + std::to_string(1000 + n).substr(1) + ".zip"); ++n) {
            volumes.push_back(ReadFile(base + std::to_string(1000 + n).substr(1) + ".zip"));
        }
        EXPECT_EQ(CheckSetStructure(volumes).size(), entries.size());
        if (volumeSize == 0) {
            ASSERT_EQ(volumes.size(), 1u);
            EXPECT_EQ(volumes[0].size(), source.size() + 4);
        }
        if (volumeSize == 65536) {
            const auto end = zip::EndOfCentralDir::Read(
                zip::AsBytes(volumes.back())
                    .subspan(volumes.back().size() - zip::EndOfCentralDir::kSize - 2000));
            EXPECT_EQ(end->CentralDirDisk, 2);
            EXPECT_EQ(end->CentralDirOffset, 0u);
        }
        std::string joined = temp + "/";
        ASSERT_EQ(e.ReadSpan(base + std::to_string(1000 + volumes.size()).substr(1) + ".zip", joined), 0);
        const std::vector<fs::path> made{fs::directory_iterator(temp), fs::directory_iterator()};
        ASSERT_EQ(made.size(), 1u);
        EXPECT_TRUE(joined.ends_with(made[0].filename().string())) << joined;
        EXPECT_TRUE(ReadFile(made[0].string()) == source);
        fs::remove(made[0]);
    }
    EXPECT_TRUE(h.ui.boxes.empty());
}

TEST_F(SpanWritingTest, FloppiesArePreparedOnlyAsFarAsIsSafe) {
    Floppies(1);
    const std::string disk = changer->DiskFolder("d1");
    WriteFile(disk + "/A.TXT", "a");
    WriteFile(disk + "/SUB/B.TXT", "b");
    WriteFile(disk + "/KEEP/SOURCE.ZIP", "the archive being copied");
    WriteFile(dir / "outside/C.TXT", "outside the drive");
    fs::create_directory_symlink(dir / "outside", disk + "/LINK");
    std::string deep = disk;
    for (int level = 0; level < 40; ++level) {
        deep += "/D";
    }
    WriteFile(deep + "/DEEP.TXT", "deep");
    TDozEngine& e = h.Engine();
    e.SetDriveOf("A:\\BACKUP.ZIP");
    ASSERT_TRUE(e.CheckDrive());
    e.WorkFileName = "A:\\KEEP\\SOURCE.ZIP";
    e.Options.ConfirmErase = true;
    e.Options.SpanOptions = {};

    // Not confirmed: nothing changes.
    e.VolumeLabel = "PKBACK# 001";
    h.ui.boxAnswers = {IDNO};
    EXPECT_EQ(e.PrepareDisk(), -3);
    ASSERT_EQ(h.ui.boxes.size(), 1u);
    EXPECT_EQ(h.ui.boxes[0].text, "Erase A:\\");
    EXPECT_EQ(h.ui.boxes[0].caption, "Confirm");
    EXPECT_EQ(h.ui.boxes[0].flags,
              uint32_t{platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2});
    EXPECT_TRUE(fs::exists(disk + "/A.TXT"));
    EXPECT_EQ(changer->Label("d1"), "");

    // Confirmed: the files go, but not the archive being copied, nothing through the link and
    // nothing deeper than the limit; the label is cut to 11 characters.
    e.VolumeLabel = "LONGERLABEL12";
    h.ui.boxAnswers = {IDYES};
    EXPECT_EQ(e.PrepareDisk(), 0);
    EXPECT_EQ(changer->Label("d1"), "LONGERLABEL");
    EXPECT_FALSE(fs::exists(disk + "/A.TXT"));
    EXPECT_FALSE(fs::exists(disk + "/SUB"));
    EXPECT_EQ(ReadFile(disk + "/KEEP/SOURCE.ZIP"), "the archive being copied");
    EXPECT_EQ(ReadFile(dir / "outside/C.TXT"), "outside the drive");
    EXPECT_TRUE(fs::exists(deep + "/DEEP.TXT"));

    // An unformatted disk is formatted, not wiped; a formatted one is never formatted here.
    changer->Insert("fresh");
    e.VolumeLabel = "PKBACK# 002";
    EXPECT_EQ(e.PrepareDisk(), 0);
    EXPECT_TRUE(fs::is_directory(changer->DiskFolder("fresh")));
    EXPECT_EQ(changer->Label("fresh"), "PKBACK# 002");
    EXPECT_EQ(e.FormatFloppy("A:\\"), -3);
    EXPECT_EQ(e.FormatFloppy("C:\\"), -3);
    EXPECT_EQ(e.FormatFloppy("1:"), -3);
    EXPECT_EQ(h.ui.boxes.size(), 2u);

    // A fixed drive is never wiped.
    WriteFile(dir / "fixed/F.TXT", "f");
    e.EraseFloppy(dir / "fixed/");
    EXPECT_TRUE(fs::exists(dir / "fixed/F.TXT"));
}

TEST_F(SpanWritingTest, ASmallArchiveIsAOneVolumeSet) {
    Floppies(1);
    MakeSources(3, 1000);
    EXPECT_EQ(AddSources("A:\\SMALL.ZIP", {AddDiskSpan}), 0);
    EXPECT_TRUE(h.ui.boxes.empty());
    const std::vector<std::string> volumes = FloppyVolumes("SMALL.ZIP");
    ASSERT_EQ(volumes.size(), 1u);
    EXPECT_EQ(CheckSetStructure(volumes).size(), 3u);
    EXPECT_EQ(changer->Label("d1"), "PKBACK# 001");
    EXPECT_EQ(h.Engine().LastDiskNumber, 0);
    ExpectSetReadsBack("A:\\SMALL.ZIP");
    EXPECT_EQ(RunProgram({"unzip", "-tq", changer->DiskFolder("d1") + "/SMALL.ZIP"}), 0);
}

}  // namespace
}  // namespace ruvu::enginetest
