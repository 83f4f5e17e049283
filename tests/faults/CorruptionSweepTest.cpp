// Every fixture archive and archives made by the peer tools (every compression method, both
// encryptions), corrupted in thousands of seeded ways (bit flips, truncations, length fields set to
// their extremes, central entries duplicated), are listed, tested and extracted by the component with
// the real libraries: no crash, no hang, bounded memory, nothing written outside the extract folder,
// and every failure a message and a non-zero ErrCode.
//
// The cases run in a child process that reports each case it starts, so a case that hangs is killed
// and named, a crash names its case, and the child's peak memory is measured. RUVU_SWEEP_CASES sets
// the number of cases (default below), RUVU_SWEEP_SEED the first seed.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>

#include "engine/DozErozev.h"
#include "tests/engine/EngineTestSupport.h"
#include "zipformat/ByteOrder.h"
#include "zipformat/CentralDirHeader.h"
#include "zipformat/DataDescriptor.h"
#include "zipformat/EndOfCentralDir.h"
#include "zipformat/LocalFileHeader.h"
#include "zipformat/Zip64EndRecord.h"
#include "zipformat/Zip64Locator.h"

namespace ruvu::enginetest {
namespace {

namespace fs = std::filesystem;

constexpr int kDefaultCases = 3000;
constexpr int kCaseSeconds = 20;  // far beyond any case; only a hang takes this long
#if defined(__SANITIZE_ADDRESS__)
constexpr long kMemoryLimitKiB = 1536 * 1024;  // the sanitizer's shadow memory comes on top
#else
constexpr long kMemoryLimitKiB = 384 * 1024;
#endif

int EnvInt(const char* name, int fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? std::atoi(value) : fallback;
}

// Positions of every occurrence of a four-byte signature.
std::vector<size_t> Find(const std::string& bytes, uint32_t signature) {
    std::vector<size_t> found;
    for (size_t pos = 0; pos + 4 <= bytes.size(); ++pos) {
        if (zip::GetU32(reinterpret_cast<const uint8_t*>(bytes.data() + pos)) == signature) {
            found.push_back(pos);
        }
    }
    return found;
}

// One of the fields a parser trusts: sizes, lengths, counts and offsets of the zip records.
void SetLengthField(std::string& bytes, std::mt19937& random) {
    struct Field {
        uint32_t signature;
        std::vector<std::pair<size_t, size_t>> fields;  // offset, width
    };
    static const Field records[] = {
        {zip::LocalFileHeader::kSignature, {{18, 4}, {22, 4}, {26, 2}, {28, 2}, {8, 2}, {6, 2}}},
        {zip::CentralDirHeader::kSignature,
         {{20, 4}, {24, 4}, {28, 2}, {30, 2}, {32, 2}, {42, 4}, {10, 2}, {34, 2}, {38, 4}}},
        {zip::EndOfCentralDir::kSignature, {{8, 2}, {10, 2}, {12, 4}, {16, 4}, {20, 2}, {4, 2}, {6, 2}}},
        {zip::Zip64EndRecord::kSignature, {{24, 8}, {32, 8}, {40, 8}, {48, 8}}},
        {zip::Zip64Locator::kSignature, {{8, 8}, {4, 4}}},
        {zip::DataDescriptor::kSignature, {{8, 4}, {12, 4}}},
    };
    const Field& record = records[random() % std::size(records)];
    const std::vector<size_t> found = Find(bytes, record.signature);
    if (found.empty()) {
        return;
    }
    const size_t at = found[random() % found.size()];
    const auto [offset, width] = record.fields[random() % record.fields.size()];
    if (at + offset + width > bytes.size()) {
        return;
    }
    auto* p = reinterpret_cast<uint8_t*>(bytes.data() + at + offset);
    const uint64_t choices[] = {0,
                                1,
                                0xFFFF,
                                0xFFFFFFFF,
                                0xFFFFFFFFFFFFFFFF,
                                random() % 64,
                                random(),
                                static_cast<uint64_t>(bytes.size()),
                                static_cast<uint64_t>(at)};
    const uint64_t value = choices[random() % std::size(choices)];
    if (width == 2) {
        zip::PutU16(p, static_cast<uint16_t>(value));
    } else if (width == 4) {
        zip::PutU32(p, static_cast<uint32_t>(value));
    } else {
        zip::PutU64(p, value);
    }
}

// A central header inserted again after itself, with the counts and size of the end record raised.
void DuplicateCentralEntry(std::string& bytes, std::mt19937& random) {
    const std::vector<size_t> central = Find(bytes, zip::CentralDirHeader::kSignature);
    const std::vector<size_t> ends = Find(bytes, zip::EndOfCentralDir::kSignature);
    if (central.empty() || ends.empty() || ends.back() + 22 > bytes.size()) {
        return;
    }
    const size_t at = central[random() % central.size()];
    const auto* h = reinterpret_cast<const uint8_t*>(bytes.data() + at);
    if (at + 46 > bytes.size()) {
        return;
    }
    const size_t size = 46 + zip::GetU16(h + 28) + zip::GetU16(h + 30) + zip::GetU16(h + 32);
    if (at + size > ends.back()) {
        return;
    }
    const std::string header = bytes.substr(at, size);
    const int copies = 1 + static_cast<int>(random() % 3);
    for (int i = 0; i < copies; ++i) {
        bytes.insert(at + size, header);
    }
    auto* end = reinterpret_cast<uint8_t*>(bytes.data() + ends.back() + size * copies);
    zip::PutU16(end + 8, static_cast<uint16_t>(zip::GetU16(end + 8) + copies));
    zip::PutU16(end + 10, static_cast<uint16_t>(zip::GetU16(end + 10) + copies));
    zip::PutU32(end + 12, static_cast<uint32_t>(zip::GetU32(end + 12) + size * copies));
}

// A few seeded corruptions of an archive. Most leave the end record findable, so that the listing
// succeeds and the entries themselves are put to the test.
std::string Mutate(std::string bytes, std::mt19937& random) {
    const int rounds = 1 + static_cast<int>(random() % 2);
    for (int round = 0; round < rounds && !bytes.empty(); ++round) {
        const uint32_t kind = random() % 10;
        if (kind < 3) {
            for (int flips = 1 + static_cast<int>(random() % 8); flips > 0; --flips) {
                bytes[random() % bytes.size()] ^= static_cast<char>(1u << (random() % 8));
            }
        } else if (kind < 7) {
            SetLengthField(bytes, random);
        } else if (kind < 9) {
            DuplicateCentralEntry(bytes, random);
        } else {
            bytes.resize(random() % bytes.size());
        }
    }
    return bytes;
}

bool IsFolder(const ZipDirEntry& entry) {
    return (!entry.FileName.empty() && entry.FileName.back() == '\\') ||
           (entry.ExternalAttributes & 0x10) != 0;
}

std::set<std::string> Names(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// Lists, tests and extracts one archive; returns what went wrong, empty when every rule held.
std::string RunCase(const std::string& bytes, const std::string& folder) {
    const std::string archive = folder + "/in.zip";
    const std::string out = folder + "/base/out";
    WriteFile(archive, bytes);
    fs::create_directories(out);
    Harness h;
    h.zip.SetUnattended(true);
    h.zip.SetPassword("secret");  // the encrypted seeds' password: their data is decoded too
    h.zip.OnPasswordError = [](TObject*, bool, std::string&, const std::string&, uint32_t&,
                               TPasswordButton& action) { action = pbCancel; };
    h.Open(archive);
    std::string problem;
    // A file entry that was not done is a failure: it must have been said, with a non-zero code.
    const auto check = [&](const char* what) {
        int files = 0;
        for (const ZipDirEntry& entry : h.zip.Entries()) {
            files += IsFolder(entry) ? 0 : 1;
        }
        const bool told =
            std::any_of(h.messages.begin(), h.messages.end(), [](const auto& m) { return m.first != 0; });
        if (h.zip.SuccessCount() < files && (h.zip.ErrCode() == 0 || !told)) {
            problem += std::string(what) + ": " + std::to_string(files - h.zip.SuccessCount()) +
                       " file(s) not done without an error; ";
        }
        h.messages.clear();
    };
    h.messages.clear();
    h.zip.SetExtrOptions({ExtrTest});
    h.zip.Extract();
    check("test");
    h.zip.SetExtrBaseDir(out);
    h.zip.SetExtrOptions({ExtrDirNames, ExtrOverWrite});
    h.zip.Extract();
    check("extract");
    if (Names(folder) != std::set<std::string>{"base", "in.zip"} ||
        Names(folder + "/base") != std::set<std::string>{"out"}) {
        problem += "something was written outside the extract folder; ";
    }
    fs::remove_all(folder + "/base");
    return problem;
}

class CorruptionSweepTest : public ::testing::Test {
  protected:
    // The fixtures and archives of every peer tool, over a small tree of files.
    std::vector<std::string> Seeds() {
        std::vector<std::string> seeds;
        for (const char* sub : {"extract", "zipdir"}) {
            for (const auto& entry :
                 fs::directory_iterator(fs::path(RUVU_SOURCE_DIR) / "tests/data/fuzz" / sub)) {
                seeds.push_back(ReadFile(entry.path().string()));
            }
        }
        const std::string tree = dir / "tree";
        fs::create_directories(tree + "/sub/deep");
        std::string text;
        for (int i = 0; i < 150; ++i) {
            text += "line " + std::to_string(i) + " of a text\n";
        }
        WriteFile(tree + "/a.txt", text);
        WriteFile(tree + "/sub/b.bin", std::string(1500, '\x7f') + text.substr(0, 500));
        WriteFile(tree + "/sub/deep/empty.txt", "");
        const std::vector<std::vector<std::string>> makers = {
            {"zip", "-qr", "../zip.zip", "."},
            {"zip", "-qr0", "../stored.zip", "."},
            {"zip", "-qr", "-P", "secret", "../encrypted.zip", "."},
            {"7z", "a", "-tzip", "-bd", "../7z.zip", "."},
            {"7z", "a", "-tzip", "-bd", "-mm=Deflate64", "../7z-deflate64.zip", "."},
            {"7z", "a", "-tzip", "-bd", "-mm=BZip2", "../7z-bzip2.zip", "."},
            {"7z", "a", "-tzip", "-bd", "-mm=LZMA", "../7z-lzma.zip", "."},
            {"7z", "a", "-tzip", "-bd", "-mem=AES256", "-psecret", "../7z-aes.zip", "."},
            {"bsdtar", "-a", "-cf", "../bsdtar.zip", "."},
            {"python3", "-c",
             "import zipfile, sys\n"
             "with open('../python.zip', 'wb') as raw:\n"
             "  class W:\n"
             "    def write(self, b): return raw.write(b)\n"
             "    def flush(self): pass\n"
             "  with zipfile.ZipFile(W(), 'w', zipfile.ZIP_DEFLATED) as z:\n"
             "    z.comment = b'streamed, with data descriptors'\n"
             "    for n in ['a.txt', 'sub/b.bin', 'sub/deep/empty.txt']: z.write(n)\n"},
        };
        for (const auto& argv : makers) {
            EXPECT_EQ(RunProgram(argv, tree), 0) << argv.front();
        }
        for (const char* name : {"zip.zip", "stored.zip", "encrypted.zip", "7z.zip", "7z-deflate64.zip",
                                 "7z-bzip2.zip", "7z-lzma.zip", "7z-aes.zip", "bsdtar.zip", "python.zip"}) {
            seeds.push_back(ReadFile(dir / name));
        }
        return seeds;
    }

    TempDir dir;
};

TEST_F(CorruptionSweepTest, CorruptedArchivesNeverCrashHangOrWriteOutsideAndEveryFailureIsTold) {
    const std::vector<std::string> seeds = Seeds();
    ASSERT_GE(seeds.size(), 20u);
    const int cases = EnvInt("RUVU_SWEEP_CASES", kDefaultCases);
    const int firstSeed = EnvInt("RUVU_SWEEP_SEED", 1);
    const std::string work = dir / "case";
    const std::string report = dir / "report.txt";
    fs::create_directories(work);
    int progress[2];
    ASSERT_EQ(pipe(progress), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(progress[0]);
        std::ofstream failures(report);
        for (int i = 0; i < cases; ++i) {
            (void)!write(progress[1], &i, sizeof i);
            std::mt19937 random(static_cast<uint32_t>(firstSeed + i));
            const std::string bytes = Mutate(seeds[static_cast<size_t>(i) % seeds.size()], random);
            const std::string problem = RunCase(bytes, work);
            if (!problem.empty()) {
                failures << "seed " << firstSeed + i << ": " << problem << std::endl;
            }
        }
        failures.close();
        _exit(0);
    }
    close(progress[1]);
    int current = -1;
    bool hung = false;
    for (;;) {
        pollfd wait{progress[0], POLLIN, 0};
        if (poll(&wait, 1, kCaseSeconds * 1000) == 0) {
            hung = true;
            kill(child, SIGKILL);
            break;
        }
        int index = 0;
        if (read(progress[0], &index, sizeof index) != static_cast<ssize_t>(sizeof index)) {
            break;
        }
        current = index;
    }
    close(progress[0]);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    EXPECT_FALSE(hung) << "seed " << firstSeed + current << " did not finish in " << kCaseSeconds << " s";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "the sweep stopped at seed " << firstSeed + current << " (status " << status << ")";
    EXPECT_EQ(current, cases - 1);
    EXPECT_LT(usage.ru_maxrss, kMemoryLimitKiB);
    EXPECT_EQ(ReadFile(report), "");
}

}  // namespace
}  // namespace ruvu::enginetest
