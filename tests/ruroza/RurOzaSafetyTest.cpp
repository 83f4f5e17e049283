// Bad input and hostile names: nothing is written outside the base folder, every broken or
// unsupported entry gets a message naming it while the rest is extracted, memory stays bounded, and
// a stopped job leaves neither half files nor damaged old ones.
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include <gmock/gmock.h>

#include "platform/Drives.h"
#include "platform/WinPath.h"
#include "tests/ruroza/RurOzaFixture.h"
#include "zipformat/ByteOrder.h"
#include "zipformat/EndOfCentralDir.h"

namespace ruvu::ruroza::test {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::UnorderedElementsAre;
using testsupport::SampleText;

using RurOzaSafetyTest = RurOzaTest;

// Names of everything directly in a host folder.
std::vector<std::string> Listing(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

// The peak resident memory of this process in KiB (VmHWM).
long PeakMemoryKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return 0;
}

TEST_F(RurOzaSafetyTest, UnsafeNamesStayInsideTheBaseFolder) {
    WriteZip("evil.zip", {CraftedEntry("../evil.txt", "1"), CraftedEntry("..\\evil2.txt", "2"),
                          CraftedEntry("/etc/x.txt", "3"), CraftedEntry("C:\\drive.txt", "4"),
                          CraftedEntry("a/../../b.txt", "5"), CraftedEntry("./dot.txt", "6"),
                          CraftedEntry(std::string("nul\0name.txt", 12), "7"), CraftedEntry("../", "")});
    tmp_.MakeDir("base/out");
    auto params = Params("evil.zip", "base/out");
    params.Params().VerboseFlag = -1;
    EXPECT_EQ(Run(params), 6);
    EXPECT_EQ(ReadFileBytes(tmp_.Host("base/out/evil.txt")), "1");
    EXPECT_EQ(ReadFileBytes(tmp_.Host("base/out/evil2.txt")), "2");
    EXPECT_EQ(ReadFileBytes(tmp_.Host("base/out/etc/x.txt")), "3");
    EXPECT_EQ(ReadFileBytes(tmp_.Host("base/out/drive.txt")), "4");
    EXPECT_EQ(ReadFileBytes(tmp_.Host("base/out/a/b.txt")), "5");
    EXPECT_EQ(ReadFileBytes(tmp_.Host("base/out/dot.txt")), "6");
    EXPECT_THAT(Listing(tmp_.Host("base")), ElementsAre("out"));
    EXPECT_THAT(Listing(tmp_.Path()), UnorderedElementsAre("evil.zip", "base"));
    EXPECT_TRUE(callback_.HasMessage("Unsafe name ..\\evil.txt written as evil.txt"));
    // The NUL name and the bare ".." folder cannot be written at all.
    EXPECT_THAT(SkipTypes(), ElementsAre(abi::stBadName, abi::stBadName));
}

// Names no host could hold are written under safe names inside the base folder, each rename told; a
// file and a folder of one name, and a name given twice, lose nothing silently.
TEST_F(RurOzaSafetyTest, NamesAreMadeSafeAndEveryRenameIsTold) {
    const std::string longName = std::string(300, 'a') + ".txt";
    const struct {
        std::string stored;
        std::string written;
    } names[] = {
        {"ctl\x01name.txt", "ctl_name.txt"},
        {"trail. ", "trail"},
        {"CON", "_CON"},
        {"nul.txt", "_nul.txt"},
        {"Com1.log", "_Com1.log"},
        {"sub/LPT9/x.txt", "sub/_LPT9/x.txt"},
        {longName, std::string(251, 'a') + ".txt"},
        {"D:\\drive.txt", "drive.txt"},
        {"../../up.txt", "up.txt"},
    };
    std::vector<CraftedEntry> entries;
    for (const auto& name : names) {
        entries.emplace_back(name.stored, "from " + name.stored);
    }
    entries.emplace_back("same", "a file");
    entries.emplace_back("same/inner.txt", "a file in a folder of the same name");
    entries.emplace_back("dup.txt", "first");
    entries.emplace_back("dup.txt", "second");
    WriteZip("names.zip", entries);
    EXPECT_EQ(Extract("names.zip"), static_cast<int32_t>(std::size(names)) + 2);
    for (const auto& name : names) {
        EXPECT_EQ(ReadFileBytes(tmp_.Host("out/" + name.written)), "from " + name.stored) << name.written;
        EXPECT_TRUE(callback_.HasMessage("Unsafe name " + platform::SlashesToBackslashes(name.stored) +
                                         " written as " + platform::SlashesToBackslashes(name.written)))
            << name.written;
    }
    EXPECT_THAT(Listing(tmp_.Path()), UnorderedElementsAre("names.zip", "out"));
    EXPECT_EQ(ReadFileBytes(tmp_.Host("out/same")), "a file");
    EXPECT_EQ(ReadFileBytes(tmp_.Host("out/dup.txt")), "first");
    EXPECT_THAT(SkippedNames(), ElementsAre("same\\inner.txt", "dup.txt"));
    EXPECT_THAT(SkipTypes(), ElementsAre(abi::stWriteError, abi::stNoOverwrite));
}

TEST_F(RurOzaSafetyTest, SymbolicLinksAreNeverWrittenThrough) {
    tmp_.MakeDir("outside");
    tmp_.Write("outside/target.txt", "precious");
    tmp_.MakeDir("out");
    ASSERT_EQ(symlink(tmp_.Host("outside").c_str(), tmp_.Host("out/escape").c_str()), 0);
    ASSERT_EQ(symlink(tmp_.Host("outside/target.txt").c_str(), tmp_.Host("out/file-link").c_str()), 0);
    // A link entry comes out as a plain file, so a later entry cannot go through it either.
    WriteZip("links.zip", {CraftedEntry("escape/x.txt", "through a folder link"),
                           CraftedEntry("file-link", "replaces the link, not its target"),
                           CraftedEntry("ln", "../outside").Stored().Mode(0120777),
                           CraftedEntry("ln/y.txt", "through an entry link"), CraftedEntry("ok.txt", "ok")});
    auto params = Params("links.zip");
    params.Params().OverwriteFlag = -1;
    EXPECT_EQ(Run(params), 3);
    EXPECT_THAT(Listing(tmp_.Host("outside")), ElementsAre("target.txt"));
    EXPECT_EQ(ReadFileBytes(tmp_.Host("outside/target.txt")), "precious");
    struct stat info {};
    ASSERT_EQ(lstat(tmp_.Host("out/file-link").c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_EQ(ReadFileBytes(tmp_.Host("out/file-link")), "replaces the link, not its target");
    EXPECT_EQ(ReadFileBytes(tmp_.Host("out/ln")), "../outside");
    EXPECT_THAT(SkippedNames(), ElementsAre("escape\\x.txt", "ln\\y.txt"));
    EXPECT_THAT(SkipTypes(), ElementsAre(abi::stBadName, abi::stWriteError));
}

// Folders stay open from one file to the next: one that is swapped for a link to elsewhere while the
// extraction runs is never written through.
TEST_F(RurOzaSafetyTest, FolderSwappedForALinkMidwayIsNeverWrittenThrough) {
    tmp_.MakeDir("outside");
    WriteZip("swap.zip", {CraftedEntry("a/one.txt", "one"), CraftedEntry("a/two.txt", "two"),
                          CraftedEntry("a/sub/three.txt", "three"), CraftedEntry("b/four.txt", "four")});
    bool swapped = false;
    callback_.onEvent = [&](const testsupport::CallbackEvent& e) {
        if (e.action == abi::kActionExtractName && e.text.find("two") != std::string::npos && !swapped) {
            swapped = rename(tmp_.Host("out/a").c_str(), tmp_.Host("out/moved").c_str()) == 0 &&
                      symlink(tmp_.Host("outside").c_str(), tmp_.Host("out/a").c_str()) == 0;
        }
    };
    Extract("swap.zip");
    callback_.onEvent = nullptr;
    ASSERT_TRUE(swapped);
    EXPECT_TRUE(Listing(tmp_.Host("outside")).empty());
    EXPECT_EQ(ReadFileBytes(tmp_.Host("out/moved/one.txt")), "one");
    EXPECT_EQ(ReadFileBytes(tmp_.Host("out/b/four.txt")), "four");
}

std::string LinkTarget(const std::string& path) {
    char target[4096];
    const ssize_t n = readlink(path.c_str(), target, sizeof target);
    return n < 0 ? std::string() : std::string(target, static_cast<size_t>(n));
}

// Links made on Unix come back as links, as unzip and bsdtar restore them, when their target taken from
// the link's own folder stays inside the extract folder; the others are written as files holding the
// target, with a message; and nothing is ever written through a link the archive made.
TEST_F(RurOzaSafetyTest, SymbolicLinksThatStayInsideAreRestoredAsLinks) {
    tmp_.Write("lib/libfoo.so.1.2.3", "the library");
    ASSERT_TRUE(Shell("ln -s libfoo.so.1.2.3 libfoo.so.1 && ln -s libfoo.so.1 libfoo.so && "
                      "zip -qy ../libs.zip libfoo.so.1.2.3 libfoo.so.1 libfoo.so",
                      tmp_.Host("lib"))
                    .Ok());
    EXPECT_EQ(Extract("libs.zip"), 3);
    EXPECT_EQ(LinkTarget(tmp_.Host("out/libfoo.so")), "libfoo.so.1");
    EXPECT_EQ(LinkTarget(tmp_.Host("out/libfoo.so.1")), "libfoo.so.1.2.3");
    EXPECT_EQ(ReadFileBytes(tmp_.Host("out/libfoo.so")), "the library");

    ClearOutput();
    WriteZip("mixed.zip", {CraftedEntry("sub/up", "..").Stored().Mode(0120777),
                           CraftedEntry("escape", "../outside").Stored().Mode(0120777),
                           CraftedEntry("absolute", "/etc/passwd").Stored().Mode(0120777),
                           CraftedEntry("sub/up/x.txt", "through the link"), CraftedEntry("ok.txt", "ok")});
    EXPECT_EQ(Extract("mixed.zip"), 4);
    EXPECT_EQ(LinkTarget(tmp_.Host("out/sub/up")), "..");
    EXPECT_EQ(ReadFileBytes(tmp_.Host("out/escape")), "../outside");
    EXPECT_EQ(ReadFileBytes(tmp_.Host("out/absolute")), "/etc/passwd");
    EXPECT_FALSE(tmp_.Exists("out/x.txt"));
    EXPECT_THAT(SkippedNames(), ElementsAre("sub\\up\\x.txt"));
    EXPECT_THAT(callback_.Messages(),
                ::testing::Contains(HasSubstr("escape leads outside the extract folder (../outside)")));
    EXPECT_TRUE(TemporaryFiles(tmp_.Host("out")).empty());
}

TEST_F(RurOzaSafetyTest, BrokenEntriesAreReportedOneByOneAndTheRestExtracted) {
    const std::string text = SampleText(1000, 4);
    WriteZip("broken.zip", {
                               CraftedEntry("garbage.txt", text).Bytes(std::string(200, '\xFF')),
                               CraftedEntry("short.txt", text).Size(10),
                               CraftedEntry("long.txt", text).Size(5000),
                               CraftedEntry("stored.txt", text).Stored().Size(999),
                               CraftedEntry("good.txt", "good"),
                               CraftedEntry("crc.txt", text).Crc(0x12345678),
                               CraftedEntry("beyond.txt", text).PackedSize(0x7FFFFFFF),
                           });
    callback_.crcAnswer = 0;  // the program does not keep a file with a CRC error
    EXPECT_EQ(Extract("broken.zip"), 1);
    EXPECT_THAT(Listing(tmp_.Host("out")), ElementsAre("good.txt"));
    EXPECT_THAT(SkippedNames(),
                ElementsAre("garbage.txt", "short.txt", "long.txt", "stored.txt", "crc.txt", "beyond.txt"));
    EXPECT_THAT(SkipTypes(), ElementsAre(abi::stDataError, abi::stDataError, abi::stDataError,
                                         abi::stDataError, abi::stCrcError, abi::stDataError));
    const auto problems = callback_.Problems();
    EXPECT_THAT(problems, ::testing::Contains(HasSubstr("garbage.txt: invalid compressed data")));
    EXPECT_THAT(problems,
                ::testing::Contains(HasSubstr("short.txt: the data is longer than the declared 10 bytes")));
    EXPECT_THAT(problems, ::testing::Contains(HasSubstr("crc.txt (found")));
    const auto crc = callback_.Of(abi::kActionCrcError);
    ASSERT_EQ(crc.size(), 1u);
    EXPECT_EQ(static_cast<uint32_t>(crc[0].fileSize), 0x12345678u);

    // Testing finds the same entries.
    ClearOutput();
    EXPECT_EQ(Test("broken.zip"), 1);
    EXPECT_EQ(SkippedNames().size(), 6u);
    EXPECT_NE(callback_.events.back().errorCode & 0xFF, 0);  // the closing line carries the error
}

// The parts of an archive of entries that BuildZip wrote without a comment: everything before the
// central directory, the central headers, and the end record.
struct ZipParts {
    std::string front;
    std::vector<std::string> central;
};
ZipParts SplitZip(const std::string& zip) {
    const auto* end = reinterpret_cast<const uint8_t*>(zip.data() + zip.size() - 22);
    const uint32_t at = zip::GetU32(end + 16);
    ZipParts parts{zip.substr(0, at), {}};
    for (size_t pos = at; pos < zip.size() - 22;) {
        const auto* h = reinterpret_cast<const uint8_t*>(zip.data() + pos);
        const size_t size = 46 + zip::GetU16(h + 28) + zip::GetU16(h + 30) + zip::GetU16(h + 32);
        parts.central.push_back(zip.substr(pos, size));
        pos += size;
    }
    return parts;
}
// The archive of front bytes and central headers, each pointing at its local header offset.
std::string JoinZip(const std::string& front, std::vector<std::string> central,
                    const std::vector<uint32_t>& offsets) {
    std::string zip = front;
    for (size_t i = 0; i < central.size(); ++i) {
        zip::PutU32(reinterpret_cast<uint8_t*>(central[i].data() + 42), offsets[i]);
        zip += central[i];
    }
    std::string end(22, '\0');
    auto* e = reinterpret_cast<uint8_t*>(end.data());
    zip::PutU32(e, zip::EndOfCentralDir::kSignature);
    zip::PutU16(e + 8, static_cast<uint16_t>(central.size()));
    zip::PutU16(e + 10, static_cast<uint16_t>(central.size()));
    zip::PutU32(e + 12, static_cast<uint32_t>(zip.size() - front.size()));
    zip::PutU32(e + 16, static_cast<uint32_t>(front.size()));
    return zip + end;
}

// Entries whose data overlap expand far beyond the archive: only the first of them is written.
TEST_F(RurOzaSafetyTest, OverlappingEntriesAreDamagedAndWrittenOnce) {
    // Twenty central headers naming one local entry of 4 MiB.
    const ZipParts one = SplitZip(BuildZip({CraftedEntry("copy00.bin", std::string(4 << 20, 'z'))}));
    std::vector<std::string> copies;
    for (int i = 0; i < 20; ++i) {
        std::string header = one.central[0];
        const std::string name = (i < 10 ? "copy0" : "copy") + std::to_string(i) + ".bin";
        header.replace(46, name.size(), name);
        copies.push_back(header);
    }
    tmp_.Write("copies.zip", JoinZip(one.front, copies, std::vector<uint32_t>(20, 0)));
    EXPECT_EQ(Extract("copies.zip"), 1);
    EXPECT_THAT(Listing(tmp_.Host("out")), ElementsAre("copy00.bin"));
    EXPECT_EQ(SkippedNames().size(), 19u);
    EXPECT_THAT(callback_.Problems(), ::testing::Contains(HasSubstr("copy19.bin (its data overlaps")));
    ClearOutput();
    EXPECT_EQ(Test("copies.zip"), 1);
    EXPECT_THAT(SkipTypes(), ::testing::Each(abi::stDataError));

    // One entry's stored data holds the next entry's local header: the outer one comes out whole.
    const ZipParts inner = SplitZip(BuildZip({CraftedEntry("inner.txt", "inner text")}));
    const ZipParts outer = SplitZip(BuildZip({CraftedEntry("outer.bin", inner.front).Stored()}));
    tmp_.Write("quoted.zip", JoinZip(outer.front, {outer.central[0], inner.central[0]},
                                     {0, static_cast<uint32_t>(30 + std::string("outer.bin").size())}));
    ClearOutput();
    EXPECT_EQ(Extract("quoted.zip"), 1);
    EXPECT_EQ(ReadFileBytes(tmp_.Host("out/outer.bin")), inner.front);
    EXPECT_THAT(SkippedNames(), ElementsAre("inner.txt"));
}

TEST_F(RurOzaSafetyTest, CrcErrorAnswerDecidesWhetherTheFileIsKept) {
    WriteZip("crc.zip", {CraftedEntry("crc.txt", "data").Crc(1)});
    callback_.crcAnswer = 1;
    EXPECT_EQ(Extract("crc.zip"), 0);  // kept, but not a success
    EXPECT_EQ(ReadFileBytes(tmp_.Host("out/crc.txt")), "data");
    EXPECT_TRUE(callback_.HasMessage("file kept"));
    EXPECT_EQ(callback_.WorstCode(), abi::kCodeBadData);

    // Without a handler the engine answers 2: keep the file, with a message.
    ClearOutput();
    callback_.crcAnswer.reset();
    EXPECT_EQ(Extract("crc.zip"), 0);
    EXPECT_EQ(ReadFileBytes(tmp_.Host("out/crc.txt")), "data");
}

TEST_F(RurOzaSafetyTest, TruncatedOrMissingArchivesGiveAClearMessage) {
    const std::string zip = BuildZip({CraftedEntry("a.txt", SampleText(5000, 1))});
    tmp_.Write("cut.zip", zip.substr(0, zip.size() / 2));
    tmp_.Write("cut-directory.zip", zip.substr(0, zip.size() - 30));
    for (const std::string archive : {"cut.zip", "cut-directory.zip", "missing.zip"}) {
        ClearOutput();
        EXPECT_EQ(Extract(archive), 0) << archive;
        EXPECT_EQ(callback_.WorstCode(), abi::kCodeNoArchive) << archive;
        ASSERT_FALSE(callback_.Problems().empty());
        EXPECT_THAT(callback_.Problems()[0], HasSubstr(archive));
        EXPECT_TRUE(Listing(tmp_.Host("out")).empty());
    }
}

TEST_F(RurOzaSafetyTest, ZipBombStopsAtTheDeclaredSize) {
    const std::string zeros(80u << 20, '\0');
    WriteZip("bomb.zip",
             {CraftedEntry("bomb.bin", zeros).Size(1000), CraftedEntry("small.bin", zeros).Size(4096)});
    EXPECT_EQ(Extract("bomb.zip"), 0);
    EXPECT_THAT(SkipTypes(), ElementsAre(abi::stDataError, abi::stDataError));
    EXPECT_THAT(callback_.Problems(), ::testing::Contains(HasSubstr("longer than the declared 1000 bytes")));
    EXPECT_TRUE(Listing(tmp_.Host("out")).empty());
}

TEST_F(RurOzaSafetyTest, LargeEntriesAreStreamedWithBoundedMemory) {
    // 80 MiB compress to a few hundred KiB: made by zip, so this process never holds them.
    ASSERT_TRUE(Shell("head -c 83886080 /dev/zero > zeros.bin && zip -q big.zip zeros.bin && rm zeros.bin",
                      tmp_.Path())
                    .Ok());
    const long before = PeakMemoryKiB();
    EXPECT_EQ(Extract("big.zip"), 1);
    const long growth = PeakMemoryKiB() - before;
    EXPECT_EQ(std::filesystem::file_size(tmp_.Host("out/zeros.bin")), 83886080u);
    // Far less than the entry: only fixed-size pieces were held.
    EXPECT_LT(growth, 32 * 1024) << "peak memory grew by " << growth << " KiB";
    EXPECT_EQ(callback_.Of(abi::kActionItemProgress).size(), 83886080u / 32768u);
}

TEST_F(RurOzaSafetyTest, UnsupportedEntriesAreSkippedByNameAndTheRestExtracted) {
    std::string zip64Extra("\x01\x00\x10\x00", 4);
    zip64Extra += std::string(16, '\0');
    // AES blocks: AE-2, 256-bit keys, the data imploded (method 6); and one of an unknown strength.
    const std::string aesImploded("\x01\x99\x07\x00\x02\x00\x41\x45\x03\x06\x00", 11);
    const std::string aesStrength9("\x01\x99\x07\x00\x02\x00\x41\x45\x09\x08\x00", 11);
    WriteZip(
        "odd.zip",
        {
            CraftedEntry("implode.bin", "x").Method(6),
            CraftedEntry("aes.bin", "x").Method(99).Flags(1),
            CraftedEntry("aes-implode.bin", "x").Method(99).Flags(1).Extra(aesImploded),
            CraftedEntry("aes-strength.bin", "x").Method(99).Flags(1).Extra(aesStrength9),
            CraftedEntry("strong.bin", "x").Flags(0x41),
            // Its size is left to a ZIP64 block too short to hold it.
            CraftedEntry("big.bin", "x").Size(0xFFFFFFFF).Extra(std::string("\x01\x00\x04\x00\0\0\0\0", 8)),
            CraftedEntry("fine.txt", "fine"),
            // A ZIP64 field beside complete 32-bit values changes nothing.
            CraftedEntry("extra64.txt", "complete").Extra(zip64Extra),
        });
    EXPECT_EQ(Extract("odd.zip"), 2);
    EXPECT_EQ(ReadFileBytes(tmp_.Host("out/fine.txt")), "fine");
    EXPECT_EQ(ReadFileBytes(tmp_.Host("out/extra64.txt")), "complete");
    EXPECT_THAT(SkippedNames(), ElementsAre("implode.bin", "aes.bin", "aes-implode.bin", "aes-strength.bin",
                                            "strong.bin", "big.bin"));
    EXPECT_THAT(SkipTypes(),
                ElementsAre(abi::stCompressionUnknown, abi::stUnsupported, abi::stCompressionUnknown,
                            abi::stUnsupported, abi::stUnsupported, abi::stDataError));
    EXPECT_THAT(callback_.Problems(), ::testing::Contains(HasSubstr("implode.bin: compression method 6")));
    EXPECT_THAT(callback_.Problems(),
                ::testing::Contains(HasSubstr("aes-implode.bin: compression method 6")));
    EXPECT_THAT(callback_.Problems(),
                ::testing::Contains(HasSubstr("big.bin (its ZIP64 extra block is too short)")));
    EXPECT_TRUE(callback_.Of(abi::kActionPassword).empty());
}

TEST_F(RurOzaSafetyTest, StoppingKeepsTheOldFileAndLeavesNoTemporaryFile) {
    WriteZip("a.zip", {CraftedEntry("a.txt", SampleText(300000, 1))});
    tmp_.Write("out/a.txt", "old contents");
    auto params = Params("a.zip");
    params.Params().OverwriteFlag = -1;
    callback_.stopAtProgress = 3;
    EXPECT_EQ(Run(params), abi::kResultCancelled);
    EXPECT_EQ(ReadFileBytes(tmp_.Host("out/a.txt")), "old contents");
    EXPECT_TRUE(TemporaryFiles(tmp_.Host("out")).empty());

    callback_.Clear();
    callback_.stopAtProgress = 0;
    callback_.stopAtAction = abi::kActionItemEnd;
    callback_.stopResult = abi::kCallbackHandlerException;
    auto failing = Params("a.zip");
    failing.Params().OverwriteFlag = -1;
    EXPECT_EQ(Run(failing), abi::kResultHandlerException);
    EXPECT_EQ(ReadFileBytes(tmp_.Host("out/a.txt")), "old contents");
    EXPECT_TRUE(TemporaryFiles(tmp_.Host("out")).empty());
}

TEST_F(RurOzaSafetyTest, AbortRequestAndReentryAreHonoured) {
    WriteZip("a.zip", {CraftedEntry("a.txt", SampleText(300000, 1)), CraftedEntry("b.txt", "b")});
    int32_t nested = 0;
    auto inner = Params("a.zip", "inner");
    callback_.onEvent = [&](const testsupport::CallbackEvent& e) {
        if (e.action == abi::kActionItemProgress && nested == 0) {
            nested = exec_(&inner.Build());
            EXPECT_EQ(exec_(nullptr), 0);
        }
    };
    EXPECT_EQ(Extract("a.zip"), abi::kResultAborted);
    EXPECT_EQ(nested, abi::kResultBusy);
    EXPECT_FALSE(tmp_.Exists("out/a.txt"));
    EXPECT_FALSE(tmp_.Exists("out/b.txt"));
    // The abort belonged to that job only.
    callback_.onEvent = nullptr;
    ClearOutput();
    EXPECT_EQ(Extract("a.zip"), 2);
}

TEST_F(RurOzaSafetyTest, RecordsWithoutUsableValuesAreRefused) {
    WriteZip("a.zip", {CraftedEntry("a.txt", "a")});
    testsupport::UnzParamsBuilder noName("", callback_.Handle(), callback_.CallerRef());
    EXPECT_EQ(exec_(&noName.Build()), abi::kResultBadRecord);
    EXPECT_EQ(callback_.WorstCode(), abi::kCodeBadParameters);

    // No folder given: the current folder.
    tmp_.MakeDir("here");
    const std::string previous = platform::GetCurrentDirectory();
    ASSERT_TRUE(platform::SetCurrentDirectory(tmp_.Win("here")));
    testsupport::UnzParamsBuilder current(tmp_.Win("a.zip"), callback_.Handle(), callback_.CallerRef());
    EXPECT_EQ(exec_(&current.Build()), 1);
    platform::SetCurrentDirectory(previous);
    EXPECT_EQ(ReadFileBytes(tmp_.Host("here/a.txt")), "a");
}

}  // namespace
}  // namespace ruvu::ruroza::test
