// ruvuzip as a script meets it: --help and --version, the exit status of each outcome, and folder
// entries that carry empty folders through a round trip.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/libsupport/PeerTools.h"
#include "tests/libsupport/TempFolder.h"

namespace ruvu {
namespace {

namespace fs = std::filesystem;
using testsupport::RunTool;
using testsupport::TempFolder;
using testsupport::ToolResult;

std::string RuvuzipProgram() {
    return (fs::read_symlink("/proc/self/exe").parent_path() / "ruvuzip").string();
}

ToolResult Ruvuzip(const TempFolder& dir, std::vector<std::string> words) {
    words.insert(words.begin(), RuvuzipProgram());
    return RunTool(words, dir.Path());
}

TEST(RuvuzipTest, HelpNamesEveryCommandAndExitStatus) {
    TempFolder dir;
    const ToolResult help = Ruvuzip(dir, {"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* word :
         {"list ARCHIVE", "add ARCHIVE", "extract ARCHIVE", "test ARCHIVE", "delete ARCHIVE", "sfx ARCHIVE",
          "unsfx EXE", "-s  store folder entries", "Exit status:"}) {
        EXPECT_NE(help.output.find(word), std::string::npos) << word;
    }
    std::ifstream readme(RUVU_SOURCE_DIR "/README.md", std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(readme)), {});
    EXPECT_NE(text.find(help.output), std::string::npos) << "the README shows ruvuzip --help word for word";

    const ToolResult version = Ruvuzip(dir, {"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output.rfind("ruvuzip (RuvuvADU) ", 0), 0u) << version.output;
}

TEST(RuvuzipTest, ExitStatusTellsWhetherEveryEntryWasHandled) {
    TempFolder dir;
    dir.Write("in/a.txt", testsupport::SampleText(5000));
    dir.Write("in/b.txt", "bbb");
    ASSERT_TRUE(RunTool({"zip", "-qr", "plain.zip", "in"}, dir.Path()).Ok());
    ASSERT_TRUE(RunTool({"zip", "-q", "-P", "secret", "locked.zip", "in/a.txt"}, dir.Path()).Ok());
    ASSERT_TRUE(RunTool({"zip", "-q", "-0", "damaged.zip", "in/b.txt"}, dir.Path()).Ok());
    {
        // b.txt is stored: one of its bytes changed fails its CRC.
        std::string bytes = testsupport::ReadFileBytes(dir.Host("damaged.zip"));
        bytes[bytes.find("bbb")] = 'x';
        dir.Write("damaged.zip", bytes);
    }
    struct Case {
        std::vector<std::string> words;
        int status;
        bool warnsOfPasswords;
    };
    const Case cases[] = {
        {{"test", "plain.zip"}, 0, false},
        {{"extract", "plain.zip", "out", "-d"}, 0, false},
        {{"extract", "plain.zip", "out", "-d"}, 3, false},  // the files exist now and are kept
        {{"extract", "plain.zip", "out", "-d", "-o"}, 0, false},
        {{"test", "locked.zip"}, 3, true},
        {{"extract", "locked.zip", "open", "-p", "secret"}, 0, false},
        {{"test", "damaged.zip"}, 1, false},
        {{"list", "missing.zip"}, 1, false},
        {{"test", "missing.zip"}, 1, false},
        {{"extract", "plain.zip"}, 2, false},
        {{"unknown", "plain.zip"}, 2, false},
    };
    for (const Case& c : cases) {
        const ToolResult run = Ruvuzip(dir, c.words);
        const std::string what = c.words[0] + " " + c.words[1] + " (" + std::to_string(&c - cases) + ")";
        EXPECT_EQ(run.status, c.status) << what << "\n" << run.output;
        EXPECT_EQ(run.output.find("10502:") != std::string::npos, c.warnsOfPasswords) << what << "\n"
                                                                                      << run.output;
    }
    EXPECT_EQ(testsupport::ReadFileBytes(dir.Host("open/a.txt")), testsupport::SampleText(5000));
}

TEST(RuvuzipTest, FolderEntriesCarryEmptyFoldersThroughARoundTrip) {
    TempFolder dir;
    dir.Write("tree/a.txt", "a");
    dir.MakeDir("tree/empty/deeper");
    ASSERT_EQ(Ruvuzip(dir, {"add", "with.zip", "-r", "-d", "-s", "tree"}).status, 0);
    ASSERT_EQ(Ruvuzip(dir, {"add", "without.zip", "-r", "-d", "tree"}).status, 0);
    const ToolResult peer = RunTool({"unzip", "-Z1", "with.zip"}, dir.Path());
    EXPECT_NE(peer.output.find("tree/empty/deeper/"), std::string::npos) << peer.output;

    ASSERT_EQ(Ruvuzip(dir, {"extract", "with.zip", "back", "-d"}).status, 0);
    EXPECT_TRUE(fs::is_directory(dir.Host("back/tree/empty/deeper")));
    EXPECT_EQ(testsupport::ReadFileBytes(dir.Host("back/tree/a.txt")), "a");
    ASSERT_EQ(Ruvuzip(dir, {"extract", "without.zip", "plain", "-d"}).status, 0);
    EXPECT_FALSE(fs::exists(dir.Host("plain/tree/empty")));
}

}  // namespace
}  // namespace ruvu
