// The command-line mode through the real program, as a script or a person at a terminal starts it:
// no display, drive A a virtual floppy changer, drive C a fresh folder holding the program's own
// folder (C:\PROG) and the working folder (C:\WORK); exit statuses and files are checked.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/Usage.h"
#include "tests/app/AppTestSupport.h"
#include "tests/cli/CliFixture.h"
#include "tests/cli/ProgramRun.h"
#include "tests/libsupport/PeerTools.h"

namespace ruvu::clitest {
namespace {

namespace fs = std::filesystem;
using testsupport::RandomBytes;
using testsupport::ReadFileBytes;

class ProgramTest : public ::testing::Test {
  protected:
    std::map<std::string, std::string> Environment() const {
        return {{"RUVUVADU_DRIVES", drives_.DriveMap()}};
    }
    ProgramResult Run(const std::vector<std::string>& arguments) {
        return RunProgram(program_, arguments, Work(), Environment());
    }
    std::string Work(std::string_view relative = {}) const {
        return drives_.OnC("WORK") + (relative.empty() ? "" : "/" + std::string(relative));
    }
    std::string Zip(std::string_view relative, const std::map<std::string, std::string>& files) {
        drives_.temp.MakeDir(fs::path("c/" + std::string(relative)).parent_path().string());
        return apptest::MakeZip(drives_.temp, "c/" + std::string(relative), files);
    }
    // Answers each disk prompt of a run like a person: reads the request, puts that disk into the
    // drive, then presses Enter.
    void AnswerDiskPrompts(RunningProgram& running, int disks) {
        size_t from = 0;
        for (int disk = 1; disk <= disks; ++disk) {
            const std::optional<size_t> asked =
                running.WaitForError("Kérem a " + std::to_string(disk) + ".Lemezt", from);
            ASSERT_TRUE(asked) << running.Errors();
            const std::optional<size_t> prompt = running.WaitForError("[Rendben]: ", *asked);
            ASSERT_TRUE(prompt) << running.Errors();
            drives_.changer.Insert(std::to_string(disk));
            running.Answer("");
            from = *prompt;
        }
    }

    DriveLayout drives_;
    ProgramFolder program_{drives_.OnC("PROG")};
};

TEST_F(ProgramTest, AddMakesTheArchiveOfTheNamedFilesAndExitsZero) {
    drives_.WriteOnC("WORK/f1.txt", "first file");
    drives_.WriteOnC("WORK/f2.txt", "second file");
    const ProgramResult result = Run({"a", "arch", "f1.txt", "f2.txt"});
    EXPECT_EQ(result.status, 0) << result.errors;
    EXPECT_EQ(UpperNames(Work("ARCH.zip")), (std::set<std::string>{"F1.TXT", "F2.TXT"}));
    EXPECT_TRUE(testsupport::UnzipTest(Work("ARCH.zip")).Ok());
    EXPECT_EQ(result.errors, "");
}

TEST_F(ProgramTest, ExtractFromAQuotedArchiveNameKeepsTheFoldersUnderTheBaseFolder) {
    Zip("WORK/my archive.zip", {{"d1/a.txt", "alpha"}, {"d1/d2/b.txt", "beta"}, {"c.txt", "gamma"}});
    drives_.temp.MakeDir("c/out");
    const ProgramResult result = Run({"x", "my archive.zip", "-Bc:\\out"});
    EXPECT_EQ(result.status, 0) << result.errors;
    EXPECT_EQ(ReadFileBytes(drives_.OnC("out/d1/a.txt")), "alpha");
    EXPECT_EQ(ReadFileBytes(drives_.OnC("out/d1/d2/b.txt")), "beta");
    EXPECT_EQ(ReadFileBytes(drives_.OnC("out/c.txt")), "gamma");
    EXPECT_FALSE(fs::exists(Work("d1")));
}

TEST_F(ProgramTest, ExtractingAMissingArchiveExitsTwo) {
    const ProgramResult result = Run({"e", "missing"});
    EXPECT_EQ(result.status, 2) << result.errors;
    EXPECT_TRUE(fs::is_empty(Work()));
}

TEST_F(ProgramTest, AListFileDeletesTheArchiveOnlyAfterACleanTestAndThenItself) {
    Zip("TEMP/A.ZIP", {{"x.txt", "content"}});
    // Same name as the list file in the folder the list changes to: it must survive.
    drives_.WriteOnC("TEMP/LIST.TXT", "not the list file");
    // Written by a Windows editor: a byte order mark and CR LF line ends.
    drives_.WriteOnC("WORK/list.txt",
                     "\xEF\xBB\xBF"
                     "CD C:\\TEMP\\\r\n\r\nT A.ZIP\r\n   \r\nD A.ZIP\r\n");
    const ProgramResult result = Run({"@list.txt"});
    EXPECT_EQ(result.status, 0) << result.errors;
    EXPECT_FALSE(fs::exists(drives_.OnC("TEMP/A.ZIP")));
    EXPECT_FALSE(fs::exists(Work("list.txt")));
    EXPECT_EQ(ReadFileBytes(drives_.OnC("TEMP/LIST.TXT")), "not the list file");
}

TEST_F(ProgramTest, AFailingTestStopsTheListFile) {
    const std::string archive = Zip("TEMP/B.ZIP", {{"x.txt", "text that the test will find damaged"}});
    apptest::DamageFile(archive, {"text that the test will find damaged"});
    drives_.WriteOnC("WORK/list.txt", "cd c:\\temp\nt b.zip\nd b.zip\n");
    const ProgramResult result = Run({"@list.txt"});
    EXPECT_NE(result.status, 0);
    EXPECT_NE(result.status, 2);
    EXPECT_TRUE(fs::exists(archive));
    EXPECT_FALSE(fs::exists(Work("list.txt")));
    EXPECT_NE(result.errors.find("DLL hiba: "), std::string::npos) << result.errors;
}

TEST_F(ProgramTest, ATokenKeepsEightyCharactersAndALineTwoHundredAfterAToken) {
    const std::string longName(80, 'L');
    drives_.WriteOnC("WORK/" + longName, "long");
    ProgramResult result = Run({"a", "long.zip", longName + "IGNORED"});
    EXPECT_EQ(result.status, 0) << result.errors;
    EXPECT_EQ(UpperNames(Work("LONG.ZIP")), (std::set<std::string>{longName}));

    // " ARCHIVE1.ZIP" and seventeen " F000nn.TXT" fill the 200 characters after "A" exactly.
    std::vector<std::string> arguments = {"a", "archive1.zip"};
    std::set<std::string> kept;
    for (int i = 0; i < 25; ++i) {
        const std::string name = "F000" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".TXT";
        drives_.WriteOnC("WORK/" + name, name);
        arguments.push_back(name);
        if (i < 17) {
            kept.insert(name);
        }
    }
    result = Run(arguments);
    EXPECT_EQ(result.status, 0) << result.errors;
    EXPECT_EQ(UpperNames(Work("ARCHIVE1.ZIP")), kept);
}

TEST_F(ProgramTest, ASingleArchiveArgumentOpensTheWindowForNormalUse) {
    // Something that is no archive: the box that says so shows that it was opened at the start.
    drives_.WriteOnC("WORK/broken.zip", std::string(3000, 'x'));
    {
        RunningProgram running(
            program_, {"broken.zip"}, Work(),
            {{"RUVUVADU_DRIVES", drives_.DriveMap()}, {"DISPLAY", ":99"}, {"QT_QPA_PLATFORM", "offscreen"}});
        const std::optional<size_t> box = running.WaitForError("[OK]: ");
        ASSERT_TRUE(box) << running.Errors();
        running.Answer("");
        // With a display the window stays for the user: no closing timer ends the process.
        EXPECT_TRUE(running.StillRunningAfter(std::chrono::seconds(4))) << running.Errors();
    }

    // Without a display no one could use the window: the program says so and ends.
    const std::string archive = Zip("WORK/arch.zip", {{"x.txt", "content"}});
    const std::string before = ReadFileBytes(archive);
    const ProgramResult result = Run({"arch.zip"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.errors, NoDisplayText());
    EXPECT_EQ(ReadFileBytes(archive), before);
}

TEST_F(ProgramTest, ALoneLowerCaseCommandLetterDoesNothing) {
    drives_.WriteOnC("WORK/f1.txt", "one");
    const ProgramResult result = Run({"a"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.errors, NoDisplayText());
    EXPECT_EQ(std::distance(fs::directory_iterator(Work()), fs::directory_iterator()), 1);
}

TEST_F(ProgramTest, CopiesBetweenTwoHardDiskNames) {
    const std::string original = RandomBytes(500000, 5);
    drives_.WriteOnC("DATA/backup.zip", original);
    drives_.temp.MakeDir("c/SAVE");
    const ProgramResult result = Run({"c", "c:\\data\\backup.zip", "c:\\save\\copy.zip"});
    EXPECT_EQ(result.status, 0) << result.errors;
    EXPECT_EQ(ReadFileBytes(drives_.OnC("SAVE/COPY.ZIP")), original);
    EXPECT_EQ(ReadFileBytes(drives_.OnC("DATA/backup.zip")), original);
}

TEST_F(ProgramTest, AQuestionMarkAsksForTheNameOnTheTerminalAndNoAnswerCopiesNothing) {
    const std::string original = RandomBytes(100000, 10);
    drives_.WriteOnC("DATA/backup.zip", original);
    drives_.temp.MakeDir("c/SAVE");
    {
        RunningProgram running(program_, {"c", "?", "c:\\save\\copy.zip", "Mentés"}, Work(), Environment());
        ASSERT_TRUE(running.WaitForError("Fájlnév [")) << running.Errors();
        running.Answer("C:\\DATA\\BACKUP.ZIP");
        const ProgramResult result = running.Finish();
        EXPECT_EQ(result.status, 0) << result.errors;
    }
    EXPECT_EQ(ReadFileBytes(drives_.OnC("SAVE/COPY.ZIP")), original);

    const ProgramResult result = Run({"c", "c:\\data\\backup.zip", "?"});
    EXPECT_EQ(result.status, 1) << result.errors;
    EXPECT_NE(result.errors.find("Fájlnév ["), std::string::npos);
    EXPECT_EQ(std::distance(fs::directory_iterator(drives_.OnC("SAVE")), fs::directory_iterator()), 1);
}

TEST_F(ProgramTest, CopiesOntoThreeFloppiesAndBackAnsweringEachDiskPromptOnTheTerminal) {
    const std::string original = RandomBytes(3000000, 6);
    drives_.WriteOnC("DATA/backup.zip", original);
    drives_.CreateDisks(3);
    {
        RunningProgram running(program_, {"c", "c:\\data\\backup.zip", "a:\\backup.spl", "Mentés"}, Work(),
                               Environment());
        AnswerDiskPrompts(running, 3);
        const ProgramResult result = running.Finish();
        EXPECT_EQ(result.status, 0) << result.errors;
    }
    EXPECT_EQ(drives_.DiskFiles("1"), (std::set<std::string>{"BACKUP.SPL"}));
    EXPECT_EQ(drives_.DiskFiles("2"), (std::set<std::string>{"BACKUP.001"}));
    EXPECT_EQ(drives_.DiskFiles("3"), (std::set<std::string>{"BACKUP.002"}));

    drives_.changer.Insert("1");  // the first piece must be there when the command starts
    drives_.temp.MakeDir("c/BACK");
    {
        RunningProgram running(program_, {"c", "a:\\backup.spl", "c:\\back\\restored.zip", "Vissza"}, Work(),
                               Environment());
        AnswerDiskPrompts(running, 3);
        const ProgramResult result = running.Finish();
        EXPECT_EQ(result.status, 0) << result.errors;
    }
    EXPECT_EQ(ReadFileBytes(drives_.OnC("BACK/RESTORED.ZIP")), original);
}

TEST_F(ProgramTest, AFloppyCopyWithNoOneToAnswerStopsAndFails) {
    drives_.WriteOnC("DATA/backup.zip", RandomBytes(2000000, 7));
    drives_.CreateDisks(2);
    drives_.WriteOnC("WORK/list.txt", "c c:\\data\\backup.zip a:\\backup.spl\nd c:\\data\\backup.zip\n");
    const ProgramResult result = Run({"@list.txt"});
    EXPECT_EQ(result.status, 1) << result.errors;
    EXPECT_NE(result.errors.find("Kérem a 1.Lemezt"), std::string::npos);
    EXPECT_TRUE(fs::exists(drives_.OnC("DATA/backup.zip")));
    EXPECT_TRUE(drives_.DiskFiles("1").empty());
}

TEST_F(ProgramTest, RStartsAProgramWithoutWaitingForIt) {
    WriteScript(Work("late.sh"),
                "exec >/dev/null 2>&1 </dev/null\n"
                "i=0; while [ ! -e \"$1\" ] && [ $i -lt 600 ]; do sleep 0.1; i=$((i+1)); done\n"
                "touch \"$2\"\n");
    const ProgramResult result = Run({"r", "late.sh", "go", "done"});
    EXPECT_EQ(result.status, 0) << result.errors;
    // The program has ended while the one it started still waits for GO.
    EXPECT_FALSE(fs::exists(Work("DONE")));
    drives_.WriteOnC("WORK/GO", "");
    EXPECT_TRUE(WaitForFile(Work("DONE")));
}

TEST_F(ProgramTest, HelpVersionAndNoArgumentsWithoutADisplay) {
    ProgramResult result = Run({"--help"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, UsageText());
    result = Run({"--version"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, VersionText());
    result = Run({});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, "");
    EXPECT_EQ(result.errors, std::string(NoDisplayText()) + std::string(UsageText()));
}

TEST_F(ProgramTest, AMissingListFileOrAnErrorThatEndsTheRunIsNoSuccess) {
    ProgramResult result = Run({"@nothing.txt"});
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.errors, NoDisplayText());

    drives_.WriteOnC("WORK/keep.txt", "kept");
    drives_.WriteOnC("WORK/list.txt", "CD C:\\NOWHERE\nD KEEP.TXT\n");
    result = Run({"@list.txt"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.errors.find("NOWHERE"), std::string::npos) << result.errors;
    EXPECT_TRUE(fs::exists(Work("keep.txt")));
    EXPECT_TRUE(fs::exists(Work("list.txt")));
}

TEST_F(ProgramTest, ASplitPieceArgumentIsJoinedBesideTheProgramAndRemovedAtTheEnd) {
    const std::string archive = Zip("DATA/big.zip", {{"big.bin", RandomBytes(1600000, 8)}});
    drives_.CreateDisks(2);
    {
        RunningProgram running(program_, {"c", "c:\\data\\big.zip", "a:\\big.spl"}, Work(), Environment());
        AnswerDiskPrompts(running, 2);
        EXPECT_EQ(running.Finish().status, 0);
    }
    drives_.changer.Insert("1");
    RunningProgram running(program_, {"a:\\big.spl"}, Work(), Environment());
    AnswerDiskPrompts(running, 2);
    const ProgramResult result = running.Finish();
    EXPECT_EQ(result.status, 0) << result.errors;
    EXPECT_EQ(result.errors.find("DLL hiba"), std::string::npos) << result.errors;
    EXPECT_FALSE(fs::exists(drives_.OnC("PROG/_RUVUVADU.TMP")));
}

}  // namespace
}  // namespace ruvu::clitest
