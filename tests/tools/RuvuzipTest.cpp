// ruvuzip as a script meets it: --help and --version, the exit status of each outcome, folder
// entries that carry empty folders through a round trip, and exact times across time zones.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/DosTime.h"
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

// A program run in a time zone.
ToolResult RunIn(const char* zone, const TempFolder& dir, std::vector<std::string> words) {
    words.insert(words.begin(), {"env", std::string("TZ=") + zone});
    return RunTool(words, dir.Path());
}

// The MS-DOS date and time of a moment in a time zone, as ruvuzip list writes it.
std::string DosTimeIn(const char* zone, std::time_t time) {
    const char* current = std::getenv("TZ");
    const std::optional<std::string> saved = current ? std::optional<std::string>(current) : std::nullopt;
    setenv("TZ", zone, 1);
    tzset();
    char text[9];
    std::snprintf(text, sizeof text, "%08x", platform::UnixToDosDateTime(time));
    saved ? setenv("TZ", saved->c_str(), 1) : unsetenv("TZ");
    tzset();
    return text;
}

// The fields of the line ruvuzip list writes for an entry.
std::vector<std::string> ListedFields(const std::string& listing, const std::string& name) {
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, '\t');) {
            fields.push_back(cell);
        }
        if (!fields.empty() && fields[0] == name) {
            return fields;
        }
    }
    return {};
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

// An archive made in Tokyo shows and extracts its files' times right in New York: ours through the
// exact time it writes beside the MS-DOS time (which unzip takes too), a peer's through the one it
// writes. A time beyond 32 bits keeps the MS-DOS time alone.
TEST(RuvuzipTest, ExactTimesHoldInAnotherTimeZone) {
    constexpr const char* kTokyo = "Asia/Tokyo";
    constexpr const char* kNewYork = "America/New_York";
    const std::time_t kTime = 1700000001;  // an odd second, which MS-DOS times cannot hold
    const std::time_t kLater = kTime + 3600;
    TempFolder dir;
    dir.Write("in/now.txt", testsupport::SampleText(4000), kTime);
    dir.Write("in/later.txt", testsupport::SampleText(3000, 2), kLater);
    dir.Write("in/far.txt", "2100", 4102444801);
    const std::string ruvuzip = RuvuzipProgram();
    ASSERT_EQ(RunIn(kTokyo, dir, {ruvuzip, "add", "ours.zip", "-d", "in/now.txt", "in/far.txt"}).status, 0);
    // A second add rewrites the archive, copying the entries already there.
    ASSERT_EQ(RunIn(kTokyo, dir, {ruvuzip, "add", "ours.zip", "-d", "in/later.txt"}).status, 0);
    ASSERT_TRUE(RunIn(kTokyo, dir, {"zip", "-q", "peer.zip", "in/now.txt"}).Ok());
    ASSERT_TRUE(RunIn(kTokyo, dir, {"zip", "-q", "-Z", "bzip2", "peer.zip", "in/later.txt"}).Ok());

    // The blocks as a peer parses them: flags and time, in the local and the central header.
    const char* blocks = R"(
import struct, sys, zipfile
def times(extra):
    found, at = [], 0
    while at + 4 <= len(extra):
        block, length = struct.unpack_from('<HH', extra, at)
        if block == 0x5455:
            found.append((extra[at + 4], struct.unpack_from('<i', extra, at + 5)[0], length))
        at += 4 + length
    return found
data = open(sys.argv[1], 'rb').read()
for info in zipfile.ZipFile(sys.argv[1]).infolist():
    o = info.header_offset
    n, e = struct.unpack_from('<HH', data, o + 26)
    print(info.filename, times(data[o + 30 + n:o + 30 + n + e]), times(info.extra))
)";
    const ToolResult parsed = RunTool({"python3", "-c", blocks, dir.Host("ours.zip")});
    ASSERT_TRUE(parsed.Ok()) << parsed.output;
    EXPECT_EQ(parsed.output,
              "in/now.txt [(1, 1700000001, 5)] [(1, 1700000001, 5)]\n"
              "in/far.txt [] []\n"
              "in/later.txt [(1, 1700003601, 5)] [(1, 1700003601, 5)]\n");
    EXPECT_TRUE(testsupport::UnzipTest(dir.Host("ours.zip")).Ok());

    ASSERT_EQ(RunIn(kNewYork, dir, {ruvuzip, "extract", "ours.zip", "ours", "-d"}).status, 0);
    ASSERT_TRUE(RunIn(kNewYork, dir, {"unzip", "-q", "ours.zip", "-d", "unzip"}).Ok());
    ASSERT_EQ(RunIn(kNewYork, dir, {ruvuzip, "extract", "peer.zip", "peer", "-d"}).status, 0);
    for (const char* path : {"ours/in/now.txt", "unzip/in/now.txt", "peer/in/now.txt"}) {
        struct stat st {};
        ASSERT_EQ(stat(dir.Host(path).c_str(), &st), 0) << path;
        EXPECT_EQ(st.st_mtime, kTime) << path;
    }

    for (const char* archive : {"ours.zip", "peer.zip"}) {
        const ToolResult listed = RunIn(kNewYork, dir, {ruvuzip, "list", archive});
        ASSERT_EQ(listed.status, 0) << listed.output;
        const auto now = ListedFields(listed.output, "in\\now.txt");
        const auto later = ListedFields(listed.output, "in\\later.txt");
        ASSERT_EQ(now.size(), 5u) << listed.output;
        EXPECT_EQ(now[4], DosTimeIn(kNewYork, kTime)) << archive;
        ASSERT_GE(later.size(), 5u) << listed.output;
        EXPECT_EQ(later[4], DosTimeIn(kNewYork, kLater)) << archive;
        // Only the entry zip compressed with bzip2 names its method.
        EXPECT_EQ(later.size() == 6 ? later[5] : "", archive == std::string("peer.zip") ? "BZip2" : "")
            << archive;
    }
}

}  // namespace
}  // namespace ruvu
