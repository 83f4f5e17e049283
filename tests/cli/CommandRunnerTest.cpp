// The command language without a window: the tokenizer, every command through the real component and
// both run-time libraries, the floppy copy workflow on the virtual floppy changer, and the reading of
// the program's arguments.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/CommandRunner.h"
#include "app/ProgramArguments.h"
#include "app/Usage.h"
#include "platform/Drives.h"
#include "platform/Interaction.h"
#include "tests/app/AppTestSupport.h"
#include "tests/cli/CliFixture.h"
#include "tests/libsupport/PeerTools.h"

namespace ruvu::clitest {
namespace {

namespace fs = std::filesystem;
using testsupport::ReadFileBytes;

struct Cut {
    std::string token;
    std::string rest;
};

Cut Next(std::string line) {
    std::string token = "old";
    NextToken(line, token);
    return {token, line};
}

TEST(NextTokenTest, TakesAWordOrAQuotedTextOffTheFrontOfTheLine) {
    EXPECT_EQ(Next("").token, "");
    EXPECT_EQ(Next("   ").token, "");
    EXPECT_EQ(Next("  A ARCH F1").token, "A");
    EXPECT_EQ(Next("  A ARCH F1").rest, " ARCH F1");
    EXPECT_EQ(Next("WORD").rest, "");
    EXPECT_EQ(Next("\"MY ARCHIVE.ZIP\" -BC:\\OUT").token, "MY ARCHIVE.ZIP");
    EXPECT_EQ(Next("\"MY ARCHIVE.ZIP\" -BC:\\OUT").rest, " -BC:\\OUT");
    EXPECT_EQ(Next("\"NO CLOSING QUOTE").token, "NO CLOSING QUOTE");
    EXPECT_EQ(Next("\"NO CLOSING QUOTE").rest, "");
    EXPECT_EQ(Next("@\"MY LIST.TXT\" X").token, "@MY LIST.TXT");
    EXPECT_EQ(Next("-B\"C:\\MY OUT\" F").token, "-BC:\\MY OUT");
    EXPECT_EQ(Next("-B\"C:\\MY OUT").token, "-BC:\\MY OUT");
    EXPECT_EQ(Next("-BC:\\OUT F").token, "-BC:\\OUT");
    EXPECT_EQ(Next("\"\" F").token, "");
    EXPECT_EQ(Next("\"\" F").rest, " F");
}

TEST(NextTokenTest, KeepsEightyCharactersOfATokenAndTwoHundredOfTheRest) {
    const std::string longName(85, 'N');
    EXPECT_EQ(Next(longName + " X").token, longName.substr(0, 80));
    EXPECT_EQ(Next("\"" + longName + "\"").token, longName.substr(0, 80));
    // Accented letters are two bytes: the cut falls between characters, never inside one.
    std::string accented;
    for (int i = 0; i < 85; ++i) {
        accented += "é";
    }
    const Cut cut = Next(accented);
    EXPECT_EQ(cut.token.size(), 160u);
    EXPECT_EQ(cut.token, accented.substr(0, 160));

    const std::string rest(250, 'R');
    EXPECT_EQ(Next("A " + rest).rest, " " + rest.substr(0, 199));
}

TEST(CommandTextTest, UpperCasesAccentedLettersTooAndTrimsSpaces) {
    EXPECT_EQ(CommandText("  x my archive.zip -bc:\\out  "), "X MY ARCHIVE.ZIP -BC:\\OUT");
    EXPECT_EQ(CommandText("c árvíztűrő.zip"), "C ÁRVÍZTŰRŐ.ZIP");
    EXPECT_EQ(CommandText("\ta "), "\tA");
}

class CommandRunnerTest : public ::testing::Test {
  protected:
    CommandRunnerTest() { platform::SetCurrentDirectory("C:\\WORK"); }

    void Run(std::string_view line) { RunCommand(line, target_); }
    std::string Zip(std::string_view relative, const std::map<std::string, std::string>& files) {
        drives_.temp.MakeDir(fs::path("c/" + std::string(relative)).parent_path().string());
        return apptest::MakeZip(drives_.temp, "c/" + std::string(relative), files);
    }
    std::vector<std::string> BoxTexts() const { return clitest::BoxTexts(ui_); }

    DriveLayout drives_;
    WorkingDirectoryGuard cwd_;
    testsupport::ScopedDriveMap map_{drives_.DriveMap()};
    platform::ScriptedInteraction ui_;
    platform::ScopedInteraction installed_{ui_};
    TDozErozev component_;
    bool abortRun_ = false;
    int32_t exitStatus_ = 0;
    std::vector<std::string> memo_;
    int copyWindows_ = 0;
    CommandTarget target_{component_,
                          abortRun_,
                          exitStatus_,
                          [this] { memo_.push_back("<clear>"); },
                          [this](const std::string& line) { memo_.push_back(line); },
                          [this] {
                              ++copyWindows_;
                              return std::make_unique<RecordingBigCopyWindow>();
                          }};
};

TEST_F(CommandRunnerTest, AddStoresTheNamedFilesWithTheirFoldersAndClosesTheArchive) {
    drives_.WriteOnC("WORK/f1.txt", "one");
    drives_.WriteOnC("WORK/f2.txt", "two");
    drives_.WriteOnC("WORK/sub/f3.txt", "three");
    component_.SetExtrOptions({ExtrOverWrite});

    Run("a arch f1.txt -c sub\\f3.txt f2.txt");
    EXPECT_EQ(exitStatus_, 0);
    EXPECT_FALSE(abortRun_);
    EXPECT_EQ(UpperNames(drives_.OnC("WORK/ARCH.zip")),
              (std::set<std::string>{"F1.TXT", "F2.TXT", "SUB/F3.TXT"}));
    EXPECT_TRUE(testsupport::UnzipTest(drives_.OnC("WORK/ARCH.zip")).Ok());
    // The specifications stood in the message box, which was emptied before the add.
    EXPECT_EQ(memo_, (std::vector<std::string>{"<clear>", "F1.TXT", "SUB\\F3.TXT", "F2.TXT", "<clear>"}));
    EXPECT_TRUE(component_.AddOptions().Contains(AddDirNames));
    EXPECT_FALSE(component_.AddOptions().Contains(AddRecurseDirs));
    EXPECT_TRUE(component_.ExtrOptions().Empty());
    EXPECT_EQ(component_.ZipFileName(), "");
    EXPECT_TRUE(BoxTexts().empty());

    Run("A DEEP *.TXT");
    EXPECT_EQ(UpperNames(drives_.OnC("WORK/DEEP.zip")), (std::set<std::string>{"F1.TXT", "F2.TXT"}));
    Run("A DEEPER.ZIP *.TXT -R");
    EXPECT_EQ(UpperNames(drives_.OnC("WORK/DEEPER.ZIP")),
              (std::set<std::string>{"F1.TXT", "F2.TXT", "SUB/F3.TXT"}));
    EXPECT_EQ(exitStatus_, 0);
}

TEST_F(CommandRunnerTest, AccentedNamesAndCaptionsAreUpperCasedWholeAndStillFindTheirFiles) {
    drives_.WriteOnC("WORK/mentés.txt", "régi");
    Run("a tükör mentés.txt");
    EXPECT_EQ(exitStatus_, 0);
    EXPECT_EQ(UpperNames(drives_.OnC("WORK/TÜKÖR.zip")), (std::set<std::string>{"MENTÉS.TXT"}));

    drives_.CreateDisks(1);
    drives_.changer.Insert("1");
    Run("c tükör.zip a:\\mentés.spl");
    EXPECT_FALSE(abortRun_);
    EXPECT_EQ(drives_.DiskFiles("1"), (std::set<std::string>{"MENTÉS.SPL"}));
    ui_.fileDialogAnswers.push_back(std::nullopt);
    Run("c tükör.zip ? Darabolás");
    EXPECT_EQ(ui_.fileDialogs.back().request.title, "DARABOLÁS");
}

TEST_F(CommandRunnerTest, ExtractOverwritesWithOrWithoutFoldersIntoTheBaseFolder) {
    Zip("WORK/my archive.zip", {{"d1/a.txt", "alpha"}, {"b.txt", "beta"}, {"d1/c.txt", "gamma"}});
    drives_.temp.MakeDir("c/my out");
    drives_.WriteOnC("my out/d1/a.txt", "old alpha");

    Run("x \"my archive.zip\" -B\"c:\\my out\" -c");
    EXPECT_EQ(exitStatus_, 0);
    EXPECT_FALSE(abortRun_);
    EXPECT_EQ(ReadFileBytes(drives_.OnC("my out/d1/a.txt")), "alpha");
    EXPECT_EQ(ReadFileBytes(drives_.OnC("my out/b.txt")), "beta");
    EXPECT_EQ(component_.ExtrBaseDir(), "C:\\MY OUT");
    EXPECT_TRUE(ui_.overwritePrompts.empty());
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_EQ(component_.ZipFileName(), "");

    drives_.temp.MakeDir("c/flat");
    Run("E \"MY ARCHIVE.ZIP\" D1\\*.* -BC:\\FLAT");
    EXPECT_EQ(exitStatus_, 0);
    EXPECT_EQ(ReadFileBytes(drives_.OnC("flat/a.txt")), "alpha");
    EXPECT_EQ(ReadFileBytes(drives_.OnC("flat/c.txt")), "gamma");
    EXPECT_FALSE(std::filesystem::exists(drives_.OnC("flat/b.txt")));
    EXPECT_FALSE(std::filesystem::exists(drives_.OnC("flat/d1")));
    EXPECT_EQ(memo_.back(), "<clear>");
}

TEST_F(CommandRunnerTest, AMissingArchiveEndsTheLineWithStatusTwoAndAFailedTestWithItsCode) {
    for (const char* line : {"e missing", "x missing.zip -bc:\\", "t missing *.*"}) {
        abortRun_ = false;
        exitStatus_ = 0;
        Run(line);
        EXPECT_TRUE(abortRun_) << line;
        EXPECT_EQ(exitStatus_, 2) << line;
    }
    EXPECT_TRUE(BoxTexts().empty());
    EXPECT_TRUE(memo_.empty());

    const std::string archive = Zip("WORK/bad.zip", {{"x.txt", "some text that will be damaged"}});
    apptest::DamageFile(archive, {"some text that will be damaged"});
    abortRun_ = false;
    exitStatus_ = 0;
    Run("t bad");
    EXPECT_TRUE(abortRun_);
    EXPECT_NE(exitStatus_, 0);
    EXPECT_TRUE(std::filesystem::exists(archive));

    Zip("WORK/good.zip", {{"x.txt", "fine"}});
    Run("T GOOD");
    EXPECT_FALSE(abortRun_);
    EXPECT_EQ(exitStatus_, 0);
}

TEST_F(CommandRunnerTest, CdLosesOneTrailingBackslashAndAFolderThatCannotBeEnteredEscapes) {
    drives_.temp.MakeDir("c/TEMP/SUB");
    Run("cd c:\\temp\\");
    EXPECT_EQ(platform::GetCurrentDirectory(), "C:\\TEMP");
    Run("CD SUB");
    EXPECT_EQ(platform::GetCurrentDirectory(), "C:\\TEMP\\SUB");
    Run("CD C:\\");
    EXPECT_EQ(platform::GetCurrentDirectory(), "C:\\TEMP\\SUB");  // "C:" selects the drive only
    EXPECT_THROW(Run("CD C:\\NOWHERE"), std::runtime_error);
    EXPECT_EQ(platform::GetCurrentDirectory(), "C:\\TEMP\\SUB");
}

TEST_F(CommandRunnerTest, DDeletesAFileAndSaysNothingWhenItCannot) {
    const std::string file = drives_.WriteOnC("WORK/old.txt", "old");
    Run("d old.txt");
    EXPECT_FALSE(std::filesystem::exists(file));
    Run("D OLD.TXT");
    drives_.temp.MakeDir("c/WORK/folder");
    Run("D FOLDER");
    EXPECT_TRUE(std::filesystem::exists(drives_.OnC("WORK/folder")));
    EXPECT_FALSE(abortRun_);
    EXPECT_EQ(exitStatus_, 0);
    EXPECT_TRUE(BoxTexts().empty());
}

TEST_F(CommandRunnerTest, RGivesTheProgramALineOfAtMost79CharactersAndFailsWhenItCannotStart) {
    // Written under another name first: the test reads the file as soon as it exists.
    WriteScript(drives_.OnC("WORK/late.sh"),
                "exec >/dev/null 2>&1 </dev/null\necho \"$*\" > ARGS.NEW && mv ARGS.NEW ARGS.TXT\n");
    std::string words;
    for (int i = 0; i < 12; ++i) {
        words += " word" + std::to_string(i);
    }
    Run("r late.sh" + words);
    EXPECT_FALSE(abortRun_);
    ASSERT_TRUE(WaitForFile(drives_.OnC("WORK/ARGS.TXT")));

    std::string expected = CommandText("late.sh " + words).substr(0, 79);
    expected = expected.substr(expected.find(' ') + 2);  // "$*" joins the arguments with one space
    EXPECT_EQ(ReadFileBytes(drives_.OnC("WORK/ARGS.TXT")), expected + "\n");

    Run("R NO-SUCH-PROGRAM ARG");
    EXPECT_TRUE(abortRun_);
    EXPECT_EQ(exitStatus_, 1);
    EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"A program nem indítható: NO-SUCH-PROGRAM  ARG"}));
}

TEST_F(CommandRunnerTest, CAddsZipToADestinationWithoutDotAndAMissingSourceFails) {
    const std::string original = testsupport::RandomBytes(300000, 3);
    drives_.WriteOnC("WORK/backup.zip", original);
    drives_.temp.MakeDir("c/SAVE");
    Run("c backup.zip c:\\save\\copy Mentés");
    EXPECT_FALSE(abortRun_);
    EXPECT_EQ(ReadFileBytes(drives_.OnC("SAVE/COPY.zip")), original);
    EXPECT_EQ(copyWindows_, 1);

    Run("c nothing.zip c:\\save\\other.zip");
    EXPECT_TRUE(abortRun_);
    EXPECT_EQ(exitStatus_, 1);
    EXPECT_FALSE(std::filesystem::exists(drives_.OnC("SAVE/OTHER.ZIP")));
}

TEST_F(CommandRunnerTest, ACopyThePersonDeclinedFailsSoThatNoLaterLineActsOnIt) {
    drives_.WriteOnC("WORK/backup.zip", testsupport::RandomBytes(1600000, 4));
    ui_.fileDialogAnswers.push_back(std::nullopt);
    Run("c backup.zip ? Mentés");
    EXPECT_TRUE(abortRun_);
    EXPECT_EQ(exitStatus_, 1);
    ASSERT_EQ(ui_.fileDialogs.size(), 1u);
    EXPECT_TRUE(ui_.fileDialogs[0].save);

    // The second disk is refused: the split stops and the run must not go on.
    drives_.CreateDisks(2);
    int prompts = 0;
    ui_.onNextFloppy = [&](const platform::NextFloppyRequest&) -> std::optional<platform::NextFloppyAnswer> {
        drives_.changer.Insert(std::to_string(++prompts));
        if (prompts == 2) {
            return platform::NextFloppyAnswer{platform::IDABORT, true};
        }
        return std::nullopt;
    };
    abortRun_ = false;
    exitStatus_ = 0;
    Run("c backup.zip a:\\backup.spl Mentés");
    EXPECT_EQ(prompts, 2);
    EXPECT_TRUE(abortRun_);
    EXPECT_EQ(exitStatus_, 1);
    // The questions went to the interaction that was installed before, which is back in place.
    EXPECT_EQ(&platform::CurrentInteraction(), &ui_);
}

TEST_F(CommandRunnerTest, ABlankLineDoesNothingAndALineWithoutACommandFails) {
    drives_.WriteOnC("WORK/f1.txt", "one");
    Run("");
    Run("   ");
    EXPECT_FALSE(abortRun_);
    EXPECT_TRUE(BoxTexts().empty());
    for (const char* line : {"a", "CD", "cdx c:\\", "AA ARCH F1.TXT", "rem a arch f1.txt"}) {
        abortRun_ = false;
        exitStatus_ = 0;
        Run(line);
        EXPECT_TRUE(abortRun_) << line;
        EXPECT_EQ(exitStatus_, 1) << line;
        EXPECT_EQ(BoxTexts().back(), "Ismeretlen parancs: " + CommandText(line));
    }
    EXPECT_TRUE(memo_.empty());
    EXPECT_EQ(platform::GetCurrentDirectory(), "C:\\WORK");
    EXPECT_EQ(std::distance(fs::directory_iterator(drives_.OnC("WORK")), fs::directory_iterator()), 1);
}

TEST(ProgramArgumentsTest, TheFirstArgumentDecidesWhatIsOpenedAndWhatRuns) {
    using Args = std::vector<std::string>;
    EXPECT_EQ(ArchiveArgument(Args{}), std::nullopt);
    EXPECT_EQ(ArchiveArgument(Args{"x.zip"}), "x.zip");
    EXPECT_EQ(ArchiveArgument(Args{"A", "arch", "f1"}), "A");  // an upper-case word is a name first
    EXPECT_EQ(ArchiveArgument(Args{"a", "arch", "f1"}), std::nullopt);
    EXPECT_EQ(ArchiveArgument(Args{"@list"}), std::nullopt);
    EXPECT_EQ(ArchiveArgument(Args{"cd", "x"}), "cd");

    EXPECT_EQ(ArgumentRunKind(Args{}), ArgumentRun::None);
    EXPECT_EQ(ArgumentRunKind(Args{"x.zip"}), ArgumentRun::None);
    EXPECT_EQ(ArgumentRunKind(Args{"a"}), ArgumentRun::None);
    EXPECT_EQ(ArgumentRunKind(Args{"@list"}), ArgumentRun::ListFile);
    EXPECT_EQ(ArgumentRunKind(Args{"@list", "more"}), ArgumentRun::None);
    EXPECT_EQ(ArgumentRunKind(Args{"x.zip", "more"}), ArgumentRun::Commands);

    EXPECT_EQ(ListFileName("@list.txt"), "list.txt");
    EXPECT_EQ(ListFileName("@" + std::string(90, 'L')), std::string(80, 'L'));

    const std::string line = ArgumentCommandLine(Args{"x", "my archive.zip", "-Bc:\\out"});
    EXPECT_EQ(line, "x \"my archive.zip\" -Bc:\\out" + std::string(48, ' '));
    Args many;
    for (int i = 0; i < 60; ++i) {
        many.push_back(std::to_string(i));
    }
    EXPECT_TRUE(ArgumentCommandLine(many).ends_with(" 49 "));
}

TEST(ProgramArgumentsTest, ListFilesFloppyCommandsAndExitCodes) {
    EXPECT_EQ(ListFileLines("CD C:\\TEMP\\\r\n\r\nT A.ZIP\nD A.ZIP"),
              (std::vector<std::string>{"CD C:\\TEMP\\", "", "T A.ZIP", "D A.ZIP"}));
    EXPECT_EQ(ListFileLines("one\rtwo\n"), (std::vector<std::string>{"one", "two"}));
    EXPECT_TRUE(ListFileLines("").empty());
    EXPECT_EQ(ListFileLines("\xEF\xBB\xBF"
                            "CD C:\\TEMP"),
              std::vector<std::string>{"CD C:\\TEMP"});

    EXPECT_TRUE(IsSplitPiece("a:\\backup.Spl"));
    EXPECT_FALSE(IsSplitPiece("a:\\backup.spl.zip"));
    EXPECT_EQ(FloppyCommand("A:\\BACKUP.SPL", "C:\\MY PROG\\_RUVUVADU.TMP", "Beolvasás Floppy-ról"),
              "c A:\\BACKUP.SPL \"C:\\MY PROG\\_RUVUVADU.TMP\" Beolvasás Floppy-ról");
    // A path the command would cut names another file: no command at all.
    EXPECT_EQ(FloppyCommand("A:\\BACKUP.SPL", "C:\\" + std::string(80, 'D') + "\\_RUVUVADU.TMP", "x"),
              std::nullopt);

    EXPECT_EQ(ProcessExitCode(0), 0);
    EXPECT_EQ(ProcessExitCode(2), 2);
    EXPECT_EQ(ProcessExitCode(255), 255);
    EXPECT_EQ(ProcessExitCode(11008), 255);  // 11008 is 43 * 256: cut to eight bits it would read 0
    EXPECT_EQ(ProcessExitCode(-1), 255);
}

TEST(UsageTest, TheReadmeShowsTheUsageWordForWord) {
    std::ifstream readme(RUVU_SOURCE_DIR "/README.md", std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(readme)), {});
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.find(UsageText()), std::string::npos);
    EXPECT_TRUE(VersionText().starts_with("RuvuvADU "));
}

}  // namespace
}  // namespace ruvu::clitest
