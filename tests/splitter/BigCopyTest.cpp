#include "splitter/BigCopyUnit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <set>

#include "platform/DateFormat.h"
#include "platform/Drives.h"
#include "splitter/SplitterError.h"
#include "tests/splitter/SplitterFixture.h"

namespace ruvu {
namespace {

namespace fs = std::filesystem;
using platform::IDABORT;
using platform::IDOK;
using platform::NextFloppyAnswer;
using testsupport::RandomBytes;
using testsupport::ReadFileBytes;

constexpr std::string_view kBox = "|x";    // erase box shown and ticked
constexpr std::string_view kNoBox = "|-";  // erase box hidden

class BigCopyTest : public test::SplitterFixture {
  protected:
    void Run(std::string_view source, std::string_view dest) {
        BigCopy(source, dest, "Darabolás", abortRun_, window_);
    }
    // Each disk prompt as "request|total|x" (box shown and ticked), "|o" (shown, unticked) or "|-".
    std::vector<std::string> Prompts() const {
        std::vector<std::string> prompts;
        for (const platform::NextFloppyRequest& request : ui_.nextFloppyRequests) {
            EXPECT_EQ(request.caption, "RuvuvADU");
            std::string box = !request.eraseBoxShown ? "|-" : request.eraseBoxChecked ? "|x" : "|o";
            prompts.push_back(request.request + "|" + request.total + box);
        }
        return prompts;
    }
    std::set<std::string> DiskFiles(std::string_view disk) const {
        std::set<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(changer_.DiskFolder(disk))) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }
    uintmax_t SizeOnDisk(std::string_view disk, std::string_view name) const {
        return fs::file_size(OnDisk(disk, name));
    }
    void StartOver() {
        ui_.nextFloppyRequests.clear();
        ui_.boxes.clear();
        prompts_ = 0;
        window_ = RecordingBigCopyWindow();
    }

    bool abortRun_ = false;
    RecordingBigCopyWindow window_;
};

std::string Prompt(int disk, std::string_view total, std::string_view box) {
    return "Kérem a " + std::to_string(disk) + ".Lemezt|" + std::string(total) + std::string(box);
}

TEST_F(BigCopyTest, ABackupGoesOntoThreeWipedFloppiesWithItsCompanionAndComesBackByteForByte) {
    const std::string original = RandomBytes(3000000, 11);
    const std::string companion = "Heti mentés\r\nkészült: hétfő\r\n";
    WriteOnC("MENTES/BACKUP.ZIP", original);
    WriteOnC("MENTES/BACKUP.inf", companion);
    CreateDisks(3);
    changer_.SetLabel("1", "REGI");
    root_.Write("a/disks/2/OLD.TXT", std::string(100000, 'o'));
    root_.Write("a/disks/2/SUB/DEEP/X.TXT", "deep");
    root_.Write("a/disks/3/.keep/NOTE", "a folder the wipe leaves alone");
    InsertNextDiskAtEachPrompt();

    Run("C:\\MENTES\\BACKUP.ZIP", "A:\\BACKUP.SPL");
    EXPECT_FALSE(abortRun_);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Üzenet: Másolás Floppy-ra kész."});
    EXPECT_EQ(Prompts(),
              (std::vector<std::string>{Prompt(1, "(összesen 3)", kBox), Prompt(2, "(összesen 3)", kBox),
                                        Prompt(3, "(összesen 3)", kBox)}));
    EXPECT_EQ(DiskFiles("1"), (std::set<std::string>{"BACKUP.SPL", "BACKUP.inf"}));
    EXPECT_EQ(DiskFiles("2"), (std::set<std::string>{"BACKUP.001"}));
    EXPECT_EQ(DiskFiles("3"), (std::set<std::string>{".keep", "BACKUP.002", "BACKUP.inf"}));
    EXPECT_EQ(SizeOnDisk("1", "BACKUP.SPL"), 1357664u);
    EXPECT_EQ(SizeOnDisk("2", "BACKUP.001"), 1457664u);
    EXPECT_EQ(SizeOnDisk("3", "BACKUP.002"), 184704u);
    EXPECT_EQ(ReadFileBytes(OnDisk("1", "BACKUP.inf")), companion);
    EXPECT_EQ(changer_.Label("1"), "REGI");
    EXPECT_EQ(changer_.Label("2"), "");

    EXPECT_EQ(window_.caption, "Darabolás");
    EXPECT_EQ(window_.showCalls, 1);
    EXPECT_EQ(window_.closeCalls, 1);
    EXPECT_EQ(window_.hourglass, (std::vector<bool>{true, false}));
    EXPECT_EQ(window_.diskMaximums, (std::vector<int>{3, 3, 3}));
    EXPECT_EQ(window_.diskPositions, (std::vector<int>{0, 0, 1, 2}));
    EXPECT_EQ(window_.piecePercents.front(), 0);
    EXPECT_EQ(std::count(window_.piecePercents.begin(), window_.piecePercents.end(), 100), 3);

    StartOver();
    changer_.Insert("1");  // the first piece is chosen with the disk in the drive
    Run("A:\\BACKUP.SPL", "C:\\MENTES\\RESTORED.ZIP");
    EXPECT_FALSE(abortRun_);
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Üzenet: Beolvasás Floppy-ról kész."});
    EXPECT_EQ(Prompts(), (std::vector<std::string>{Prompt(1, "", kNoBox), Prompt(2, "(összesen 3)", kNoBox),
                                                   Prompt(3, "(összesen 3)", kNoBox)}));
    EXPECT_EQ(ReadFileBytes(OnC("MENTES/RESTORED.ZIP")), original);
    EXPECT_EQ(ReadFileBytes(OnC("MENTES/RESTORED.inf")), companion);
    EXPECT_EQ(DiskFiles("2"), (std::set<std::string>{"BACKUP.001"}));  // joining wipes nothing
}

TEST_F(BigCopyTest, ALowerCaseDestinationWithoutExtensionGetsSplAndTheBoxCanBeUnticked) {
    const std::string original = RandomBytes(1500000, 12);
    WriteOnC("BACKUP.ZIP", original);
    CreateDisks(2);
    root_.Write("a/disks/1/OLD.TXT", "wiped");
    root_.Write("a/disks/2/KEEP.TXT", "kept, the box was unticked");
    InsertNextDiskAtEachPrompt();
    ui_.nextFloppyAnswers = {NextFloppyAnswer{IDOK, true}, NextFloppyAnswer{IDOK, false}};

    Run("C:\\BACKUP.ZIP", "a:\\backup");
    EXPECT_FALSE(abortRun_);
    EXPECT_EQ(Prompts(),
              (std::vector<std::string>{Prompt(1, "(összesen 2)", kBox), Prompt(2, "(összesen 2)", kBox)}));
    EXPECT_EQ(DiskFiles("1"), (std::set<std::string>{"backup.spl"}));
    EXPECT_EQ(DiskFiles("2"), (std::set<std::string>{"KEEP.TXT", "backup.001"}));
    EXPECT_EQ(ReadFileBytes(OnDisk("1", "backup.spl")).substr(32) + ReadFileBytes(OnDisk("2", "backup.001")),
              original);
}

TEST_F(BigCopyTest, OnTheHardDiskTheFileIsCopiedWithZipAddedAfterAskingAboutTheCompanion) {
    const std::string original = RandomBytes(300000, 13);
    WriteOnC("BACKUP.ZIP", original);
    WriteOnC("BACKUP.inf", "új leírás");
    WriteOnC("COPY.inf", "régi leírás");

    ui_.overwriteAnswers = {false};
    Run("C:\\BACKUP.ZIP", "C:\\COPY");
    ASSERT_EQ(ui_.overwritePrompts.size(), 1u);
    EXPECT_EQ(ui_.overwritePrompts[0].caption, "Darabolás");
    EXPECT_EQ(ui_.overwritePrompts[0].firstText, "új leírás");
    EXPECT_EQ(ui_.overwritePrompts[0].secondText, "régi leírás");
    EXPECT_FALSE(fs::exists(OnC("COPY.zip")));
    EXPECT_FALSE(abortRun_);

    ui_.overwriteAnswers = {true};
    Run("C:\\BACKUP.ZIP", "C:\\COPY");
    EXPECT_EQ(ReadFileBytes(OnC("COPY.zip")), original);
    EXPECT_EQ(ReadFileBytes(OnC("COPY.inf")), "új leírás");
    EXPECT_FALSE(abortRun_);
    EXPECT_TRUE(ui_.nextFloppyRequests.empty());

    // Onto itself: the copy fails and the file stays whole; the companion is already in place.
    Run("C:\\BACKUP.ZIP", "C:\\backup.zip");
    EXPECT_TRUE(abortRun_);
    EXPECT_EQ(ReadFileBytes(OnC("BACKUP.ZIP")), original);
    EXPECT_EQ(ui_.overwritePrompts.size(), 2u);

    Run("C:\\NONE.ZIP", "C:\\OUT");
    EXPECT_EQ(Boxes(), (std::vector<std::string>{
                           "Hiba 02: Fatális hiba másolás közben C:\\BACKUP.ZIP->C:\\backup.zip",
                           "Hiba 02: Fatális hiba másolás közben C:\\NONE.ZIP->C:\\OUT.zip",
                       }));
}

TEST_F(BigCopyTest, CancellingADiskStopsASplitWithoutFailingAndAJoinWithAFailureBothSayingSo) {
    const std::string original = RandomBytes(3000000, 14);
    WriteOnC("BACKUP.ZIP", original);
    CreateDisks(3);
    root_.Write("a/disks/2/KEEP.TXT", "kept");
    InsertNextDiskAtEachPrompt();
    ui_.nextFloppyAnswers = {NextFloppyAnswer{IDOK, true}, NextFloppyAnswer{IDABORT, true}};
    Run("C:\\BACKUP.ZIP", "A:\\BACKUP.SPL");
    EXPECT_FALSE(abortRun_);
    EXPECT_EQ(Prompts().size(), 2u);
    EXPECT_EQ(DiskFiles("1"), (std::set<std::string>{"BACKUP.SPL"}));
    EXPECT_EQ(DiskFiles("2"), (std::set<std::string>{"KEEP.TXT"}));  // not wiped after the cancel
    EXPECT_EQ(Boxes(),
              std::vector<std::string>{"Üzenet: Másolás Floppy-ra megszakítva, a mentés nem teljes."});

    StartOver();
    Run("C:\\BACKUP.ZIP", "A:\\BACKUP.SPL");
    ASSERT_FALSE(abortRun_);
    StartOver();
    WriteOnC("RESTORED.ZIP", "the previous restore");
    changer_.Insert("1");
    InsertNextDiskAtEachPrompt();
    ui_.nextFloppyAnswers = {NextFloppyAnswer{IDOK, false}, NextFloppyAnswer{IDABORT, false}};
    Run("A:\\BACKUP.SPL", "C:\\RESTORED.ZIP");
    EXPECT_TRUE(abortRun_);
    EXPECT_EQ(Prompts().size(), 2u);
    EXPECT_EQ(ReadFileBytes(OnC("RESTORED.ZIP")), "the previous restore");
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Üzenet: Beolvasás Floppy-ról megszakítva."});

    // A wrong disk: the third where the second is asked for.
    StartOver();
    abortRun_ = false;
    changer_.Insert("1");
    ui_.onNextFloppy = [this](const platform::NextFloppyRequest&) -> std::optional<NextFloppyAnswer> {
        changer_.Insert(++prompts_ == 1 ? "1" : "3");
        return std::nullopt;
    };
    Run("A:\\BACKUP.SPL", "C:\\RESTORED.ZIP");
    EXPECT_TRUE(abortRun_);
    EXPECT_EQ(ReadFileBytes(OnC("RESTORED.ZIP")), "the previous restore");
    EXPECT_EQ(Boxes(), std::vector<std::string>{"Hibaüzenet: Hiba: fájl nem található: A:\\BACKUP.001"});
}

// "Rendben" with the disk of an earlier piece still in the drive neither wipes nor writes over it: the
// person is told and asked for another disk. Another backup's pieces of the same names are no reason.
TEST_F(BigCopyTest, TheDiskOfAnEarlierPieceIsNeverWipedOrWrittenOver) {
    const std::string original = RandomBytes(3000000, 13);
    WriteOnC("BACKUP.ZIP", original);
    CreateDisks(3);
    root_.Write("a/disks/3/BACKUP.SPL", "yesterday's first piece");
    root_.Write("a/disks/3/BACKUP.001", std::string(1457664, 'y'));
    const std::vector<std::string> inserted = {"1", "1", "2", "2", "1", "3"};
    ui_.onNextFloppy = [&](const platform::NextFloppyRequest&) -> std::optional<NextFloppyAnswer> {
        changer_.Insert(inserted.at(static_cast<size_t>(prompts_++)));
        return std::nullopt;
    };
    Run("C:\\BACKUP.ZIP", "A:\\BACKUP.SPL");
    EXPECT_FALSE(abortRun_);
    const std::string again = "Üzenet: Ezen a lemezen a mentés ";
    const std::string other = ". darabja van. Kérem tegyen be egy másik lemezt!";
    EXPECT_EQ(Boxes(), (std::vector<std::string>{again + "1" + other, again + "2" + other,
                                                 again + "1" + other, "Üzenet: Másolás Floppy-ra kész."}));
    EXPECT_EQ(Prompts(),
              (std::vector<std::string>{Prompt(1, "(összesen 3)", kBox), Prompt(2, "(összesen 3)", kBox),
                                        Prompt(2, "(összesen 3)", kBox), Prompt(3, "(összesen 3)", kBox),
                                        Prompt(3, "(összesen 3)", kBox), Prompt(3, "(összesen 3)", kBox)}));
    EXPECT_EQ(DiskFiles("3"), (std::set<std::string>{"BACKUP.002"}));

    StartOver();
    changer_.Insert("1");
    InsertNextDiskAtEachPrompt();
    Run("A:\\BACKUP.SPL", "C:\\RESTORED.ZIP");
    EXPECT_FALSE(abortRun_);
    EXPECT_EQ(ReadFileBytes(OnC("RESTORED.ZIP")), original);

    // A piece of that name that cannot be this set's (here an empty one) stops the join with a word.
    StartOver();
    changer_.Insert("1");
    changer_.CreateDisk("4");
    root_.Write("a/disks/4/BACKUP.002", "");
    const std::vector<std::string> wrong = {"1", "2", "4"};
    ui_.onNextFloppy = [&](const platform::NextFloppyRequest&) -> std::optional<NextFloppyAnswer> {
        changer_.Insert(wrong.at(static_cast<size_t>(prompts_++)));
        return std::nullopt;
    };
    Run("A:\\BACKUP.SPL", "C:\\RESTORED.ZIP");
    EXPECT_TRUE(abortRun_);
    EXPECT_EQ(Boxes(),
              std::vector<std::string>{
                  "Hibaüzenet: Hiba: rossz lemez, a(z) A:\\BACKUP.002 nem ennek a mentésnek a darabja."});
    EXPECT_EQ(ReadFileBytes(OnC("RESTORED.ZIP")), original);
}

TEST_F(BigCopyTest, FileDialogsProposeTodaysDateAndLeaveTheShortDateFormatChanged) {
    platform::SetShortDateFormat("dd.mm.yyyy");
    const std::string original = RandomBytes(1000, 15);
    WriteOnC("BACKUP.ZIP", original);
    char today[16];
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(today, sizeof today, "%Y-%m-%d", &local);

    Run("?", "?");  // both cancelled: the save dialog is asked all the same
    ASSERT_EQ(ui_.fileDialogs.size(), 2u);
    EXPECT_FALSE(ui_.fileDialogs[0].save);
    EXPECT_EQ(ui_.fileDialogs[0].request.title, "Darabolás");
    EXPECT_EQ(ui_.fileDialogs[0].request.filter,
              "Floppy-s mentések|*.spl|Merevlemezes mentések|*.zip|Minden fájl|*.*");
    EXPECT_EQ(ui_.fileDialogs[0].request.defaultExt, "spl");
    EXPECT_TRUE(ui_.fileDialogs[1].save);
    EXPECT_EQ(ui_.fileDialogs[1].request.filter,
              "Floppy Mentések|*.spl|Merevlemezes mentések|*.zip|Minden fájl|*.*");
    EXPECT_EQ(ui_.fileDialogs[1].request.fileName, today);
    EXPECT_EQ(platform::ShortDateFormat(), "yyyy/mm/dd");
    EXPECT_FALSE(abortRun_);

    // A companion named after the cancelled destination exists, yet nothing is asked or copied.
    WriteOnC("BACKUP.inf", "leírás");
    WriteOnC("?.inf", "a file named after the question mark");
    ui_.fileDialogAnswers = {std::string("C:\\BACKUP.ZIP"), std::nullopt};
    Run("?", "?");
    EXPECT_TRUE(ui_.overwritePrompts.empty());
    EXPECT_FALSE(abortRun_);

    ui_.fileDialogAnswers = {std::string("C:\\BACKUP.ZIP"), "C:\\" + std::string(today)};
    Run("?", "?");
    EXPECT_EQ(ReadFileBytes(OnC(std::string(today) + ".zip")), original);
    EXPECT_EQ(ReadFileBytes(OnC(std::string(today) + ".inf")), "leírás");
    EXPECT_FALSE(abortRun_);
}

TEST_F(BigCopyTest, CompanionNamesEndAtTheFirstDotOfThePath) {
    EXPECT_EQ(CompanionInfName("C:\\MY.DIR\\BACKUP.ZIP"), "C:\\MY.inf");
    EXPECT_EQ(CompanionInfName("A:\\BACKUP"), "A:\\BACKUP.inf");
    EXPECT_EQ(CompanionInfName("a:\\backup.spl"), "a:\\backup.inf");
}

TEST_F(BigCopyTest, EraseFilesRemovesMatchingFilesAndWholeFoldersButNotDotFolders) {
    WriteOnC("W/A.TXT", "a");
    WriteOnC("W/B.DAT", "b");
    WriteOnC("W/SUB/C.TXT", "c");
    WriteOnC("W/SUB/INNER/D.TXT", "d");
    WriteOnC("W/.cache/E.TXT", "e");
    WriteOnC("SINGLE.TXT", "s");
    EraseFiles("C:\\single.txt");
    EXPECT_FALSE(fs::exists(OnC("SINGLE.TXT")));
    EraseFiles("C:\\W\\*.TXT");
    EXPECT_FALSE(fs::exists(OnC("W/A.TXT")));
    EXPECT_TRUE(fs::exists(OnC("W/B.DAT")));
    EXPECT_TRUE(fs::exists(OnC("W/SUB/C.TXT")));
    EraseFiles("C:\\W\\*.*");
    EXPECT_FALSE(fs::exists(OnC("W/B.DAT")));
    EXPECT_FALSE(fs::exists(OnC("W/SUB")));
    EXPECT_TRUE(fs::exists(OnC("W/.cache/E.TXT")));

    int64_t counter = 5;
    WriteOnC("BIG.TXT", std::string(45000, 'x'));
    EXPECT_TRUE(CopyFileCounted("C:\\BIG.TXT", "C:\\COPY.TXT", counter));
    EXPECT_EQ(counter, 45005);
    EXPECT_EQ(ui_.pendingEventCalls, 3);  // one per block of 20000 bytes
    EXPECT_EQ(ReadFileBytes(OnC("COPY.TXT")), std::string(45000, 'x'));
    EXPECT_FALSE(CopyFileCounted("C:\\NONE.TXT", "C:\\COPY.TXT", counter));
    EXPECT_FALSE(CopyFileCounted("C:\\BIG.TXT", "C:\\big.txt", counter));  // onto itself
    EXPECT_EQ(ReadFileBytes(OnC("BIG.TXT")), std::string(45000, 'x'));
    // A copy that fails half way (the disk is full) leaves the destination it would replace.
    CreateDisks(1);
    changer_.Insert("1");
    WriteOnC("HUGE.TXT", std::string(1500000, 'h'));
    const std::string old = root_.Write("a.txt", std::string(1000, 'o'));
    fs::copy_file(old, OnDisk("1", "COPY.TXT"));
    EXPECT_FALSE(CopyFileCounted("C:\\HUGE.TXT", "A:\\COPY.TXT", counter));
    EXPECT_EQ(ReadFileBytes(OnDisk("1", "COPY.TXT")), std::string(1000, 'o'));
    EXPECT_EQ(std::distance(fs::directory_iterator(changer_.DiskFolder("1")), fs::directory_iterator()), 1);
}

TEST_F(BigCopyTest, ADriveAMappedToAFixedFolderIsNeverWiped) {
    const std::string fixedA = root_.MakeDir("fixed-a");
    root_.Write("fixed-a/PRIVATE.TXT", "never erased");
    testsupport::ScopedDriveMap fixed("A=" + fixedA + ";C=" + root_.Host("c"));
    platform::SetCurrentDirectory("C:\\");
    WriteOnC("BACKUP.ZIP", RandomBytes(1000, 16));

    Run("C:\\BACKUP.ZIP", "A:\\BACKUP.SPL");
    EXPECT_FALSE(abortRun_);
    EXPECT_EQ(Prompts(), (std::vector<std::string>{Prompt(1, "(összesen 1)", kNoBox)}));
    EXPECT_TRUE(fs::exists(fixedA + "/PRIVATE.TXT"));
    EXPECT_TRUE(fs::exists(fixedA + "/BACKUP.SPL"));
}

TEST_F(BigCopyTest, AnErrorOfTheSplitterPassesOnAfterTheWindowIsClosed) {
    CreateDisks(1);
    root_.Write("a/disks/1/BAD.SPL", "too short");
    changer_.Insert("1");
    EXPECT_THROW(Run("A:\\BAD.SPL", "C:\\OUT.ZIP"), EFileSplitter);
    EXPECT_EQ(window_.closeCalls, 1);
    EXPECT_EQ(window_.hourglass.back(), false);
    EXPECT_FALSE(fs::exists(OnC("OUT.ZIP")));
}

}  // namespace
}  // namespace ruvu
