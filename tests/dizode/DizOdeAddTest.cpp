// Creating archives and adding to them: what is stored, under which names, how, and what peers make
// of the result.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "libs/common/ArchiveReader.h"
#include "libs/common/PathTools.h"
#include "tests/dizode/DizOdeFixture.h"
#include "zipformat/ZipConstants.h"

namespace ruvu::dizode::test {

using testsupport::PythonInfo;
using testsupport::PythonNames;
using testsupport::RandomBytes;
using testsupport::SampleText;

namespace {

bool Contains(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

// Fields of PythonInfo's line for one entry.
std::vector<std::string> InfoOf(const std::string& archive, const std::string& name) {
    for (const auto& line : PythonInfo(archive)) {
        std::vector<std::string> fields;
        size_t start = 0;
        for (size_t bar; (bar = line.find('|', start)) != std::string::npos; start = bar + 1) {
            fields.push_back(line.substr(start, bar - start));
        }
        fields.push_back(line.substr(start));
        if (!fields.empty() && fields[0] == name) {
            return fields;
        }
    }
    return {};
}

}  // namespace

TEST_F(DizOdeTest, RecursiveAddOfAFolderGivesAnArchiveEveryPeerExtractsByteForByte) {
    const std::string text = SampleText(300 * 1024);
    const std::string noise = RandomBytes(40 * 1024);
    tmp_.Write("src/a.txt", text);
    tmp_.Write("src/b.bin", noise);
    tmp_.Write("src/empty.txt", "");
    tmp_.Write("src/sub/c.txt", "c");
    tmp_.Write("src/sub/deep/d.txt", SampleText(5000, 7));
    tmp_.MakeDir("src/emptydir");
    chmod(tmp_.Host("src/b.bin").c_str(), 0750);

    auto params = Params();
    params.Spec(tmp_.Win("src") + "\\*.*", true);
    EXPECT_EQ(Run(params), 8);  // five files and three folders
    ExpectPeersAccept(Archive());

    const std::string base = libcommon::StoredPath(tmp_.Win("src")) + "/";
    const auto names = PythonNames(Archive());
    for (const char* name :
         {"a.txt", "b.bin", "empty.txt", "sub/", "sub/c.txt", "sub/deep/", "sub/deep/d.txt", "emptydir/"}) {
        EXPECT_TRUE(Contains(names, base + name)) << name;
    }
    for (const auto& extract : {testsupport::UnzipExtract(Archive(), tmp_.Host("u")),
                                testsupport::SevenZipExtract(Archive(), tmp_.Host("7")),
                                testsupport::PythonExtract(Archive(), tmp_.Host("p"))}) {
        ASSERT_TRUE(extract.Ok()) << extract.output;
    }
    for (const char* folder : {"u/", "7/", "p/"}) {
        EXPECT_EQ(ReadFileBytes(tmp_.Host(folder + base + "a.txt")), text) << folder;
        EXPECT_EQ(ReadFileBytes(tmp_.Host(folder + base + "b.bin")), noise) << folder;
        EXPECT_TRUE(std::filesystem::is_directory(tmp_.Host(folder + base + "emptydir"))) << folder;
    }

    // Made on Unix, mode bits above the DOS attributes; text deflated, noise stored.
    const auto b = InfoOf(Archive(), base + "b.bin");
    ASSERT_EQ(b.size(), 9u);
    EXPECT_EQ(b[2], "3");
    EXPECT_EQ(std::stoul(b[3]) >> 16, 0100750u);
    EXPECT_EQ(b[4], "0");
    const auto a = InfoOf(Archive(), base + "a.txt");
    EXPECT_EQ(a[4], "8");
    EXPECT_LT(std::stoul(a[6]), text.size() / 2);
    const auto dir = InfoOf(Archive(), base + "sub/");
    EXPECT_EQ(std::stoul(dir[3]) & 0x10, 0x10u);
}

TEST_F(DizOdeTest, StoredNamesFollowTheSpecJunkDirsAndRootFolder) {
    tmp_.Write("root/x/one.txt", "1");
    tmp_.Write("root/x/y/two.txt", "2");
    tmp_.Write("root/three.txt", "3");

    // Relative specs are taken from RootDir and keep their folder part; "." and ".." vanish.
    auto relative = Params("rel.zip");
    relative.RootDir(tmp_.Win("root")).Spec(".\\x\\..\\x\\*.txt", true).Spec("three.txt");
    EXPECT_EQ(Run(relative), 4);
    EXPECT_EQ(PythonNames(Archive("rel.zip")),
              (std::vector<std::string>{"x/one.txt", "x/y/", "x/y/two.txt", "three.txt"}));

    auto junk = Params("junk.zip");
    junk.Params().JunkDirsFlag = -1;
    junk.Spec(tmp_.Win("root") + "\\*.*", true);
    EXPECT_EQ(Run(junk), 3);
    auto names = PythonNames(Archive("junk.zip"));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"one.txt", "three.txt", "two.txt"}));

    // Junked names that collide keep the first file and report the second.
    tmp_.Write("root/x/three.txt", "another three");
    auto collide = Params("collide.zip");
    collide.Params().JunkDirsFlag = -1;
    collide.RootDir(tmp_.Win("root")).Spec("three.txt").Spec("x\\three.txt");
    EXPECT_EQ(Run(collide), 1);
    EXPECT_TRUE(callback_.HasMessage("Duplicate name in the archive, skipped: three.txt"));

    // 8.3 upper-case names on request.
    tmp_.Write("root/Long name.html", "8.3");
    auto dos = Params("dos.zip");
    dos.Params().ForceDosFlag = -1;
    dos.RootDir(tmp_.Win("root")).Spec("Long name.html");
    EXPECT_EQ(Run(dos), 1);
    EXPECT_EQ(PythonNames(Archive("dos.zip")), (std::vector<std::string>{"LONGNAME.HTM"}));

    // The archive never goes into itself, even when a spec covers its folder.
    auto self = Params("root/self.zip");
    self.RootDir(tmp_.Win("root")).Spec("*.*");
    EXPECT_EQ(Run(self), 2);
    EXPECT_EQ(Run(self), 2);
    EXPECT_FALSE(Contains(PythonNames(Archive("root/self.zip")), "self.zip"));

    auto noDirs = Params("nodirs.zip");
    noDirs.Params().NoDirEntriesFlag = -1;
    noDirs.RootDir(tmp_.Win("root")).Spec("x", true);
    EXPECT_EQ(Run(noDirs), 3);
    EXPECT_EQ(PythonNames(Archive("nodirs.zip")),
              (std::vector<std::string>{"x/one.txt", "x/three.txt", "x/y/two.txt"}));

    // Without a root folder, relative specs start in the current folder.
    char* previous = get_current_dir_name();
    ASSERT_EQ(chdir(tmp_.Host("root").c_str()), 0);
    auto current = Params("cur.zip");
    current.Spec("*.txt");
    const int32_t added = Run(current);
    ASSERT_EQ(chdir(previous), 0);
    free(previous);
    EXPECT_EQ(added, 1);
    EXPECT_EQ(PythonNames(Archive("cur.zip")), (std::vector<std::string>{"three.txt"}));
}

TEST_F(DizOdeTest, LevelsStoreSuffixesAndIncompressibleData) {
    tmp_.Write("in/text.txt", SampleText(100000));
    tmp_.Write("in/picture.PNG", SampleText(100000, 3));
    tmp_.Write("in/noise.dat", RandomBytes(100000));

    auto stored = Params("store.zip");
    stored.Level(0).RootDir(tmp_.Win("in")).Spec("*.*");
    EXPECT_EQ(Run(stored), 3);
    for (const char* name : {"text.txt", "picture.PNG", "noise.dat"}) {
        EXPECT_EQ(InfoOf(Archive("store.zip"), name).at(4), "0") << name;
    }

    auto deflated = Params("deflate.zip");
    deflated.Level(6).StoreSuffixes(".gif:.png:.zip").RootDir(tmp_.Win("in")).Spec("*.*");
    EXPECT_EQ(Run(deflated), 3);
    EXPECT_EQ(InfoOf(Archive("deflate.zip"), "text.txt").at(4), "8");
    EXPECT_EQ(InfoOf(Archive("deflate.zip"), "picture.PNG").at(4), "0");
    EXPECT_EQ(InfoOf(Archive("deflate.zip"), "noise.dat").at(4), "0");
    ExpectPeersAccept(Archive("deflate.zip"));
}

TEST_F(DizOdeTest, HungarianNamesComeBackTheSameFromEveryPeer) {
    const std::string folder = "Őszi ünnep";
    const std::string file = "árvíztűrő tükörfúrógép.txt";
    tmp_.Write("in/" + folder + "/" + file, "tartalom");
    tmp_.Write("in/plain.txt", "ascii");
    auto params = Params();
    params.RootDir(tmp_.Win("in")).Spec("*.*", true);
    EXPECT_EQ(Run(params), 3);
    ExpectPeersAccept(Archive());

    const std::string stored = folder + "/" + file;
    EXPECT_EQ(std::stoul(InfoOf(Archive(), stored).at(1)) & 0x800, 0x800u);
    EXPECT_EQ(std::stoul(InfoOf(Archive(), "plain.txt").at(1)) & 0x800, 0u);
    ASSERT_TRUE(testsupport::UnzipExtract(Archive(), tmp_.Host("u")).Ok());
    ASSERT_TRUE(testsupport::SevenZipExtract(Archive(), tmp_.Host("7")).Ok());
    ASSERT_TRUE(testsupport::PythonExtract(Archive(), tmp_.Host("p")).Ok());
    for (const char* out : {"u/", "7/", "p/"}) {
        EXPECT_EQ(ReadFileBytes(tmp_.Host(out + stored)), "tartalom") << out;
    }

    // OEM names on request: written in CP852 without bit 11, as an MS-DOS entry.
    auto oem = Params("oem.zip");
    oem.Params().CodePageCode = 2;
    oem.Params().NoDirEntriesFlag = -1;
    oem.RootDir(tmp_.Win("in")).Spec("*.*", true);
    EXPECT_EQ(Run(oem), 2);
    // Python reads names without bit 11 as CP437; taken back to bytes they must be CP852.
    const auto oemNames =
        testsupport::RunTool({"python3", "-c",
                              "import sys, zipfile\nfor n in zipfile.ZipFile(sys.argv[1]).namelist(): "
                              "print(n.encode('cp437').decode('cp852'))",
                              Archive("oem.zip")});
    EXPECT_NE(oemNames.output.find(stored), std::string::npos) << oemNames.output;
    libcommon::ArchiveReader reader;
    ASSERT_TRUE(reader.OpenHost(Archive("oem.zip"), zip::CodePageRule::Auto));
    const auto& header = reader.Entries().at(1).header;  // after plain.txt
    EXPECT_EQ(header.Flags & zip::kFlagUtf8, 0);
    EXPECT_EQ(header.HostSystem, zip::kHostMsDos);
}

TEST_F(DizOdeTest, AddingToAnArchiveReplacesByNameKeepsOrderCommentAndUntouchedBytes) {
    tmp_.Write("w/x.txt", SampleText(20000, 1));
    tmp_.Write("w/y.txt", "old y");
    tmp_.Write("w/z.txt", SampleText(20000, 2));
    ASSERT_TRUE(
        testsupport::RunTool({"zip", "-q", "-X", Archive(), "x.txt", "y.txt", "z.txt"}, tmp_.Host("w")).Ok());
    ASSERT_TRUE(testsupport::RunTool({"sh", "-c", "echo 'archive comment' | zip -q -z " + Archive()}).Ok());
    libcommon::ArchiveReader before;
    ASSERT_TRUE(before.OpenHost(Archive(), zip::CodePageRule::Auto));
    const auto xBefore = before.Entries()[0].header;
    before.Close();

    tmp_.Write("w/y.txt", "new y, longer than before");
    tmp_.Write("w/w.txt", "brand new");
    auto params = Params();
    params.Spec(tmp_.Win("w") + "\\Y.TXT").Spec(tmp_.Win("w") + "\\w.txt");
    params.Params().JunkDirsFlag = -1;
    EXPECT_EQ(Run(params), 2);
    ExpectPeersAccept(Archive());
    EXPECT_EQ(PythonNames(Archive()), (std::vector<std::string>{"x.txt", "y.txt", "z.txt", "w.txt"}));

    libcommon::ArchiveReader after;
    ASSERT_TRUE(after.OpenHost(Archive(), zip::CodePageRule::Auto));
    EXPECT_EQ(after.Comment(), "archive comment");
    EXPECT_EQ(after.Entries()[0].header.Serialize().substr(4, 38), xBefore.Serialize().substr(4, 38));
    after.Close();
    ASSERT_TRUE(testsupport::UnzipExtract(Archive(), tmp_.Host("out")).Ok());
    EXPECT_EQ(ReadFileBytes(tmp_.Host("out/y.txt")), "new y, longer than before");
    EXPECT_EQ(ReadFileBytes(tmp_.Host("out/z.txt")), SampleText(20000, 2));
}

TEST_F(DizOdeTest, ExclusionsHiddenFilesAndTheDateFilter) {
    const std::time_t old = 946684800;      // 2000-01-01
    const std::time_t recent = 1600000000;  // 2020-09-13
    tmp_.Write("d/keep.txt", "k", recent);
    tmp_.Write("d/skip.bak", "b", recent);
    tmp_.Write("d/tmp/inner.txt", "i", recent);
    tmp_.Write("d/.hidden", "h", recent);
    tmp_.Write("d/.hiddendir/file.txt", "h", recent);
    tmp_.Write("d/ancient.txt", "a", old);

    auto params = Params("ex.zip");
    params.Params().NoDirEntriesFlag = -1;
    params.RootDir(tmp_.Win("d")).Spec("*.*", true).Exclude("*.bak").Exclude(tmp_.Win("d") + "\\tmp\\*.*");
    EXPECT_EQ(Run(params), 2);
    auto names = PythonNames(Archive("ex.zip"));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"ancient.txt", "keep.txt"}));

    auto hidden = Params("hidden.zip");
    hidden.Params().SystemFilesFlag = -1;
    hidden.Params().NoDirEntriesFlag = -1;
    hidden.RootDir(tmp_.Win("d")).Spec("*.*", true).DateFilter("06 01 19");
    EXPECT_EQ(Run(hidden), 5);
    names = PythonNames(Archive("hidden.zip"));
    EXPECT_TRUE(Contains(names, ".hidden"));
    EXPECT_TRUE(Contains(names, ".hiddendir/file.txt"));
    EXPECT_FALSE(Contains(names, "ancient.txt"));
}

TEST_F(DizOdeTest, CallbacksComeInOrderAndMayRenameAndComment) {
    const std::string data = SampleText(100 * 1024);
    tmp_.Write("c/file.txt", data);
    callback_.newNames["file.txt"] = "docs\\renamed.txt";
    callback_.comments["docs/renamed.txt"] = "megjegyzés";
    auto params = Params();
    params.Params().VerboseFlag = -1;
    params.Params().JunkDirsFlag = -1;
    params.Spec(tmp_.Win("c") + "\\file.txt");
    EXPECT_EQ(Run(params), 1);

    std::vector<uint32_t> order;
    for (const auto& e : callback_.events) {
        if (order.empty() || order.back() != e.action) {
            order.push_back(e.action);
        }
        EXPECT_NE(e.isZip, 0);
    }
    EXPECT_EQ(order, (std::vector<uint32_t>{7, 5, 6, 12, 1, 2, 3, 4}));
    const auto name = callback_.Of(abi::kActionNewName).at(0);
    EXPECT_EQ(name.text, "file.txt");
    EXPECT_EQ(name.externalName, tmp_.Win("c") + "\\file.txt");
    EXPECT_EQ(callback_.Of(abi::kActionTotalCount).at(0).fileSize, 1);
    EXPECT_EQ(callback_.Of(abi::kActionTotalSize).at(0).fileSize, static_cast<int32_t>(data.size()));
    EXPECT_EQ(callback_.Of(abi::kActionItemStart).at(0).text, "docs/renamed.txt");
    int64_t read = 0;
    for (const auto& e : callback_.Of(abi::kActionItemProgress)) {
        read += e.fileSize;
    }
    EXPECT_EQ(read, static_cast<int64_t>(data.size()));
    EXPECT_EQ(callback_.Of(abi::kActionItemProgress).size(), 4u);  // three full 32 KiB blocks and the rest
    EXPECT_TRUE(callback_.HasMessage("  adding: docs/renamed.txt (deflated"));
    EXPECT_EQ(InfoOf(Archive(), "docs/renamed.txt").at(8), "megjegyzés");
}

TEST_F(DizOdeTest, MissingAndUnreadableSourcesAreReportedAndTheRestIsAdded) {
    tmp_.Write("m/good.txt", "good");
    ASSERT_EQ(symlink("/proc/self/mem", tmp_.Host("m/unreadable.bin").c_str()), 0);
    ASSERT_EQ(mkfifo(tmp_.Host("m/pipe").c_str(), 0600), 0);
    auto params = Params();
    params.Spec(tmp_.Win("m") + "\\*.*").Spec(tmp_.Win("m") + "\\missing.txt");
    params.Params().JunkDirsFlag = -1;
    EXPECT_EQ(Run(params), 1);
    EXPECT_EQ(PythonNames(Archive()), (std::vector<std::string>{"good.txt"}));
    EXPECT_TRUE(callback_.HasMessage("File not found: " + tmp_.Win("m") + "\\missing.txt"));
    EXPECT_TRUE(callback_.HasMessage("unreadable.bin"));
    EXPECT_TRUE(callback_.HasMessage("pipe"));
    EXPECT_EQ(callback_.WorstCode(), abi::kCodeReadError);
}

TEST_F(DizOdeTest, NothingToAddCreatesNoArchive) {
    tmp_.MakeDir("empty");
    auto params = Params();
    params.Spec(tmp_.Win("empty") + "\\*.txt");
    EXPECT_EQ(Run(params), 0);
    EXPECT_FALSE(tmp_.Exists("out.zip"));
    EXPECT_TRUE(callback_.HasMessage("Nothing to do"));
    EXPECT_EQ(callback_.WorstCode(), abi::kCodeNothingToDo);
}

TEST_F(DizOdeTest, AddingToASelfExtractingArchiveKeepsTheStubAndCountsItInOffsets) {
    // A stub and an empty archive whose directory offset counts the stub, as a new one is made.
    std::string stub = "MZ" + RandomBytes(3000, 9);
    std::string end(22, '\0');
    end[0] = 'P', end[1] = 'K', end[2] = 5, end[3] = 6;
    const uint32_t offset = static_cast<uint32_t>(stub.size());
    for (int i = 0; i < 4; ++i) {
        end[16 + i] = static_cast<char>(offset >> (8 * i));
    }
    tmp_.Write("new.exe", stub + end);
    tmp_.Write("s/one.txt", SampleText(5000));
    auto params = Params("new.exe");
    params.Params().JunkDirsFlag = -1;
    params.Spec(tmp_.Win("s") + "\\one.txt");
    EXPECT_EQ(Run(params), 1);
    const std::string bytes = ReadFileBytes(Archive("new.exe"));
    EXPECT_EQ(bytes.substr(0, stub.size()), stub);
    libcommon::ArchiveReader reader;
    ASSERT_TRUE(reader.OpenHost(Archive("new.exe"), zip::CodePageRule::Auto));
    EXPECT_EQ(reader.PrefixSize(), stub.size());
    EXPECT_EQ(reader.Entries().at(0).header.LocalHeaderOffset, stub.size());
    reader.Close();
    const auto python = testsupport::PythonZipTest(Archive("new.exe"));
    EXPECT_TRUE(python.Ok()) << python.output;
}

}  // namespace ruvu::dizode::test
