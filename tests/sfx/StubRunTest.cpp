// The native stub run as a person would run a self-extracting archive on this system: answers on
// standard input, the files compared with what unzip extracts, and every option, overwrite mode and
// start message style honoured; names and links in the way never lead outside the folder.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "engine/DozErozev.h"
#include "sfx/SfxHeader.h"
#include "sfx/VivEDI.h"
#include "tests/engine/EngineTestSupport.h"
#include "tests/libsupport/PeerTools.h"
#include "tests/libsupport/TempFolder.h"
#include "tests/sfx/SfxTestSupport.h"

namespace ruvu::sfxtest {
namespace {

namespace fs = std::filesystem;
using enginetest::ReadFile;
using enginetest::TempDir;
using enginetest::WriteFile;

// Every file below a folder: relative name and contents.
std::map<std::string, std::string> Tree(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& item : fs::recursive_directory_iterator(folder)) {
        const std::string name = fs::relative(item.path(), folder).string();
        files[name] = item.is_directory() ? "<dir>" : ReadFile(item.path().string());
    }
    return files;
}

// How an executable is made: ruvuzip's option letters, the overwrite mode, the start message and the
// command line.
struct Made {
    Made(std::string letters = {}, OvrOpts mode = OvrConfirm, std::string start = {}, std::string run = {})
        : options(std::move(letters)), overwrite(mode), message(std::move(start)), command(std::move(run)) {}

    std::string options;
    OvrOpts overwrite;
    std::string message;
    std::string command;
};

class StubRunTest : public ::testing::Test {
  protected:
    void SetUp() override {
        WriteFile(dir_ / "src/a.txt", "alma\n");
        WriteFile(dir_ / "src/big.txt", testsupport::SampleText(300000));
        WriteFile(dir_ / "src/sub/r.bin", testsupport::RandomBytes(5000));
        WriteFile(dir_ / "src/sub/árvíztűrő.txt", "tükörfúrógép");
        // In this order: a.txt is the first entry, big.txt the second.
        ASSERT_EQ(enginetest::RunProgram({"zip", "-qr", dir_ / "data.zip", "a.txt", "big.txt", "sub"},
                                         dir_ / "src"),
                  0);
        ASSERT_EQ(
            enginetest::RunProgram(
                {"zip", "-qr", "-P", "titok", dir_ / "secret.zip", "a.txt", "big.txt", "sub"}, dir_ / "src"),
            0);
    }

    // An executable of the archive with the settings, made through the component.
    std::string Make(const std::string& archive, const Made& setup, const std::string& stub = "ZEZIZEZ.ELF") {
        TDozErozev zip;
        zip.SetUnattended(true);
        zip.SetSFXPath(BesideProgram(stub));
        zip.SetSFXDefaultDir("out");
        zip.SetSFXMessage(setup.message);
        zip.SetSFXCommandLine(setup.command);
        zip.SetSFXOverWriteMode(setup.overwrite);
        SFXOpts options;
        for (const char letter : setup.options) {
            options.Include(letter == 'c'   ? SFXAskCmdLine
                            : letter == 'f' ? SFXAskFiles
                            : letter == 'h' ? SFXHideOverWriteBox
                            : letter == 'r' ? SFXAutoRun
                                            : SFXNoSuccessMsg);
        }
        zip.SetSFXOptions(options);
        zip.SetZipFileName(dir_ / archive);
        const std::string exe = dir_ / "run.exe";
        EXPECT_EQ(zip.ConvertSFX(exe), 0) << zip.ErrCode();
        return exe;
    }

    ProgramRun Run(const std::string& exe, std::string_view input) {
        return RunWithInput({exe}, dir_.Path(), input);
    }

    TempDir dir_;
};

TEST_F(StubRunTest, ExtractsWhatUnzipExtractsWithDatesAndPeersReadTheExecutable) {
    const std::string exe = Make("data.zip", {});
    EXPECT_TRUE(testsupport::UnzipTest(exe).Ok());
    EXPECT_TRUE(testsupport::SevenZipTest(exe).Ok());
    EXPECT_TRUE(testsupport::PythonZipTest(exe).Ok());
    const ProgramRun run = Run(exe, "");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("4 files extracted to " + dir_ / "out/"), std::string::npos) << run.output;
    ASSERT_TRUE(testsupport::UnzipExtract(dir_ / "data.zip", dir_ / "ref").Ok());
    EXPECT_EQ(Tree(dir_ / "out"), Tree(dir_ / "ref"));
    EXPECT_EQ(fs::last_write_time(dir_ / "out/sub/r.bin"), fs::last_write_time(dir_ / "ref/sub/r.bin"));

    // The password on standard input: a wrong one first.
    fs::remove_all(dir_ / "out");
    const ProgramRun secret = Run(Make("secret.zip", {"h"}), "\nrossz\ntitok\n");
    ASSERT_EQ(secret.status, 0) << secret.output;
    EXPECT_NE(secret.output.find("Wrong password"), std::string::npos);
    EXPECT_EQ(Tree(dir_ / "out"), Tree(dir_ / "ref"));

    // No password at all: nothing encrypted is written, and the run says so.
    fs::remove_all(dir_ / "out");
    const ProgramRun none = Run(dir_ / "run.exe", "\n");
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.output.find("Not extracted: a.txt: no password was given"), std::string::npos)
        << none.output;
    EXPECT_FALSE(fs::exists(dir_ / "out/a.txt"));
}

TEST_F(StubRunTest, OptionsOverwriteModesAndStartMessagesAreHonoured) {
    struct Case {
        std::string name;
        Made setup;
        std::string input;
        int status;
        std::vector<std::string> present;  // files below out/ afterwards (relative)
        std::vector<std::string> absent;
        std::string shown;     // a text the run writes
        std::string notShown;  // a text it must not write
    };
    const std::string ran = "echo ran > ran.txt";
    const Case cases[] = {
        {"choose files", {"f"}, "\n\n2\n", 0, {"big.txt"}, {"a.txt", "sub"}, "  2  big.txt", ""},
        {"overwrite box hidden", {"h"}, "\n", 0, {"a.txt"}, {}, "", "Existing files"},
        {"overwrite box shown", {}, "\n\n", 0, {"a.txt"}, {}, "Existing files", ""},
        {"run the command line", {"r", OvrConfirm, "", ran}, "", 0, {"ran.txt"}, {}, "", ""},
        {"command line declined",
         {"cr", OvrConfirm, "", ran},
         "\n\n-\n",
         0,
         {"a.txt"},
         {"ran.txt"},
         "Command",
         ""},
        {"command line asked and run",
         {"c", OvrConfirm, "", "echo >><x.txt"},
         "\n\n\n",
         0,
         {"x.txt"},
         {},
         "",
         ""},
        {"command line unanswered", {"c", OvrConfirm, "", ran}, "", 0, {"a.txt"}, {"ran.txt"}, "", ""},
        {"no success message", {"n"}, "", 0, {"a.txt"}, {}, "", "extracted to"},
        {"plain start message", {"", OvrConfirm, "Hello"}, "", 0, {"a.txt"}, {}, "Hello", ""},
        {"OK/Cancel message cancelled",
         {"", OvrConfirm, "\x01Go on?"},
         "cancel\n",
         2,
         {},
         {"a.txt"},
         "[OK/cancel]",
         ""},
        {"Yes/No message unanswered", {"", OvrConfirm, "\x02Go on?"}, "", 2, {}, {"a.txt"}, "[Yes/no]", ""},
        {"Yes/No message answered", {"", OvrConfirm, "\x02Go on?"}, "y\n", 0, {"a.txt"}, {}, "", ""},
    };
    for (const Case& c : cases) {
        fs::remove_all(dir_ / "out");
        const ProgramRun run = Run(Make("data.zip", c.setup), c.input);
        EXPECT_EQ(run.status, c.status) << c.name << "\n" << run.output;
        for (const std::string& file : c.present) {
            EXPECT_TRUE(fs::exists(dir_ / ("out/" + file))) << c.name << ": " << file << "\n" << run.output;
        }
        for (const std::string& file : c.absent) {
            EXPECT_FALSE(fs::exists(dir_ / ("out/" + file))) << c.name << ": " << file;
        }
        if (!c.shown.empty()) {
            EXPECT_NE(run.output.find(c.shown), std::string::npos) << c.name << "\n" << run.output;
        }
        if (!c.notShown.empty()) {
            EXPECT_EQ(run.output.find(c.notShown), std::string::npos) << c.name << "\n" << run.output;
        }
    }

    struct Overwrite {
        OvrOpts mode;
        std::string input;
        bool replaced;
    } const modes[] = {
        {OvrAlways, "", true},   {OvrNever, "", false},       {OvrConfirm, "\n\ny\n", true},
        {OvrConfirm, "", false}, {OvrConfirm, "\no\n", true},
    };
    for (const Overwrite& m : modes) {
        fs::remove_all(dir_ / "out");
        WriteFile(dir_ / "out/a.txt", "old");
        const ProgramRun run = Run(Make("data.zip", {"", m.mode}), m.input);
        EXPECT_EQ(run.status, 0) << run.output;
        EXPECT_EQ(ReadFile(dir_ / "out/a.txt"), m.replaced ? "alma\n" : "old") << m.mode << " " << m.input;
        EXPECT_EQ(ReadFile(dir_ / "out/sub/r.bin"), ReadFile(dir_ / "src/sub/r.bin"));
    }
}

TEST_F(StubRunTest, NamesAndLinksNeverLeadOutsideTheFolder) {
    const auto built = enginetest::BuildZip({{"../evil.txt", "e"},
                                             {"/abs.txt", "a"},
                                             {"C:\\drive.txt", "d"},
                                             {"ok/../../up.txt", "u"},
                                             {"link/inside.txt", "l"},
                                             {"fine.txt", "f"}});
    WriteFile(dir_ / "hostile.zip", built.bytes);
    fs::create_directories(dir_ / "elsewhere");
    fs::create_directories(dir_ / "out");
    fs::create_symlink(dir_ / "elsewhere", dir_ / "out/link");
    fs::create_symlink(dir_ / "elsewhere/fine.txt", dir_ / "out/fine.txt");
    const ProgramRun run = Run(Make("hostile.zip", {"h", OvrAlways}), "\n");
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("Not extracted: link/inside.txt"), std::string::npos) << run.output;
    for (const std::string name : {"evil.txt", "abs.txt", "drive.txt", "ok/up.txt"}) {
        EXPECT_TRUE(fs::exists(dir_ / ("out/" + name))) << name;
    }
    EXPECT_TRUE(fs::is_empty(dir_ / "elsewhere"));
    // The link in the way of a file is replaced, never written through.
    EXPECT_FALSE(fs::is_symlink(dir_ / "out/fine.txt"));
    EXPECT_EQ(ReadFile(dir_ / "out/fine.txt"), "f");
    EXPECT_FALSE(fs::exists(dir_ / "evil.txt"));
    EXPECT_FALSE(fs::exists(dir_ / "up.txt"));
}

TEST_F(StubRunTest, DetachedExecutableTakesTheDataFromTheArchiveBesideIt) {
    TCustomVivEDI sfx;
    sfx.SFXPath = BesideProgram("ZEZIZEZ.ELF");
    sfx.OptionsWord = sfx::kDetachedFlag | sfx::kHideOverWriteBox;
    sfx.DefaultDir = "out";
    sfx.SourceFile = dir_ / "data.zip";
    sfx.TargetFile = dir_ / "detached.exe";
    sfx.MakeSfx(false);
    ProgramRun run = Run(dir_ / "detached.exe", "");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(ReadFile(dir_ / "out/sub/árvíztűrő.txt"), "tükörfúrógép");

    fs::remove(dir_ / "data.zip");
    run = Run(dir_ / "detached.exe", "");
    EXPECT_EQ(run.status, 3);
    EXPECT_NE(run.output.find("DATA.ZIP"), std::string::npos) << run.output;
}

// The Windows stub's dialogs need a person, so it is not run here (nor under Wine): what it carries
// is checked instead.
TEST_F(StubRunTest, WindowsExecutablesAreReadByPeersAndGiveTheirArchiveAndIconBack) {
    if (!fs::exists(BesideProgram("ZEZIZEZ.BIN"))) {
        GTEST_SKIP() << "no mingw-w64 cross compiler: ZEZIZEZ.BIN was not built";
    }
    const std::string exe = Make("data.zip", {"n"}, "ZEZIZEZ.BIN");
    EXPECT_TRUE(testsupport::UnzipTest(exe).Ok());
    EXPECT_TRUE(testsupport::SevenZipTest(exe).Ok());
    EXPECT_TRUE(testsupport::PythonZipTest(exe).Ok());
    TDozErozev zip;
    zip.SetUnattended(true);
    zip.SetZipFileName(exe);
    ASSERT_EQ(zip.ConvertZIP(dir_ / "back.zip"), 0);
    EXPECT_EQ(ReadFile(dir_ / "back.zip"), ReadFile(dir_ / "data.zip"));
    EXPECT_EQ(zip.SFXOptions(), SFXOpts{SFXNoSuccessMsg});
    EXPECT_FALSE(zip.SFXIcon().empty());
}

}  // namespace
}  // namespace ruvu::sfxtest
