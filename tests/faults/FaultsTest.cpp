// Faults met in real use, with real processes: two programs changing one archive at the same moment,
// a process killed at a random moment, and a disk that fills up, during add, delete, the comment write,
// a split and a join. Whatever happens, no entry is lost, the original stays byte-identical (or the
// operation completed), and no temporary file stays behind.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <random>
#include <set>
#include <thread>

#include "engine/DozErozev.h"
#include "platform/FileReplacement.h"
#include "splitter/FileSplitter.h"
#include "tests/engine/EngineTestSupport.h"

namespace ruvu::enginetest {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::set<std::string> FolderNames(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// Compressible bytes that still take the compressor some time.
std::string Payload(size_t size, uint32_t seed) {
    std::mt19937 random(seed);
    std::string text;
    text.reserve(size);
    while (text.size() < size) {
        text += "record " + std::to_string(random() % 100000) + " value " + std::to_string(random()) + "\n";
    }
    text.resize(size);
    return text;
}

// Runs work in a child process, which ends with work's result as its exit status. fileSizeLimit (bytes,
// 0 for none) makes every write beyond it fail as on a full disk.
pid_t StartChild(const std::function<int()>& work, rlim_t fileSizeLimit = 0, int startPipe = -1) {
    const pid_t pid = fork();
    if (pid != 0) {
        return pid;
    }
    if (fileSizeLimit != 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{fileSizeLimit, fileSizeLimit};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    if (startPipe >= 0) {
        char go = 0;
        (void)!read(startPipe, &go, 1);
    }
    _exit(work() & 0xFF);
}

// The exit status of a child, or 256 + the signal that ended it.
int Finish(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 256 + WTERMSIG(status);
}

// The archive's entry names as the component lists them.
std::set<std::string> EntryNames(const std::string& archive) {
    Harness h;
    h.Open(archive);
    const std::vector<std::string> names = h.Names();
    return {names.begin(), names.end()};
}

class FaultsTest : public ::testing::Test {
  protected:
    FaultsTest() {
        fs::create_directories(src);
        fs::create_directories(work);
        WriteFile(src + "/big.txt", Payload(6 << 20, 1));
        WriteFile(src + "/small.txt", "small\n");
        for (int i = 0; i < 10; ++i) {
            WriteFile(src + "/old" + std::to_string(i) + ".txt", "old entry " + std::to_string(i) + "\n");
        }
    }

    // Runs one operation of a fresh component on the archive; the result is its ErrCode.
    static int Add(const std::string& archive, const std::string& root, std::vector<std::string> specs) {
        Harness h;
        h.zip.SetUnattended(true);
        h.Open(archive);
        h.zip.SetRootDir(root);
        h.zip.SetAddOptions({AddDirNames});
        h.zip.FSpecArgs() = std::move(specs);
        return h.zip.Add();
    }
    static int Delete(const std::string& archive, std::vector<std::string> specs) {
        Harness h;
        h.zip.SetUnattended(true);
        h.Open(archive);
        h.zip.FSpecArgs() = std::move(specs);
        return h.zip.Delete();
    }
    static int Extract(const std::string& archive, const std::string& folder) {
        Harness h;
        h.zip.SetUnattended(true);
        h.Open(archive);
        h.zip.SetExtrBaseDir(folder);
        h.zip.SetExtrOptions({ExtrDirNames, ExtrForceDirs, ExtrOverWrite});
        // Nobody answers a password request (there is none to answer).
        h.zip.OnPasswordError = [](TObject*, bool, std::string&, const std::string&, uint32_t&,
                                   TPasswordButton& action) { action = pbCancel; };
        return h.zip.Extract();
    }
    static int SetComment(const std::string& archive, const std::string& comment) {
        Harness h;
        h.zip.SetUnattended(true);
        h.Open(archive);
        h.Engine().SetArchiveComment(comment);
        return h.zip.ErrCode();
    }

    TempDir dir;
    // Boxes of the splitter (a failed write) are answered, never waited for.
    platform::ScriptedInteraction ui;
    platform::ScopedInteraction installed{ui};
    const std::string src = dir / "src";
    const std::string work = dir / "work";
    const std::string archive = work + "/archive.zip";
};

TEST_F(FaultsTest, TwoWritersAtOnceNeverLoseAnEntry) {
    ASSERT_EQ(Add(archive, src, {"old*.txt"}), 0);
    std::set<std::string> expected = EntryNames(archive);
    constexpr int kTrials = 10;
    for (int trial = 0; trial < kTrials; ++trial) {
        const std::string mine = "new" + std::to_string(trial) + "a.txt";
        const std::string theirs = "new" + std::to_string(trial) + "b.txt";
        WriteFile(src + "/" + mine, mine);
        WriteFile(src + "/" + theirs, theirs);
        const bool deleting = trial % 2 == 1;
        const std::string doomed = "old" + std::to_string(trial) + ".txt";
        int start[2];
        ASSERT_EQ(pipe(start), 0);
        const pid_t first = StartChild([&] { return Add(archive, src, {mine}); }, 0, start[0]);
        const pid_t second = StartChild(
            [&] { return deleting ? Delete(archive, {doomed}) : Add(archive, src, {theirs}); }, 0, start[0]);
        (void)!write(start[1], "gg", 2);
        close(start[0]);
        close(start[1]);
        EXPECT_EQ(Finish(first), 0) << "trial " << trial;
        EXPECT_EQ(Finish(second), 0) << "trial " << trial;
        expected.insert(mine);
        if (deleting) {
            expected.erase(doomed);
        } else {
            expected.insert(theirs);
        }
        ASSERT_EQ(EntryNames(archive), expected) << "trial " << trial;
    }
    EXPECT_EQ(RunProgram({"unzip", "-tq", archive}), 0);
    EXPECT_EQ(FolderNames(work), std::set<std::string>{"archive.zip"});
}

// One operation that changes a file, how to put its file back as it was, and what it leaves behind.
struct Operation {
    std::string name;
    std::function<int()> run;
    std::string target;                 // the file it changes
    std::set<std::string> folderAfter;  // the names in the target's folder afterwards
    rlim_t fullDiskAt = 0;              // a file size limit it cannot finish under
};

class OperationFaultsTest : public FaultsTest {
  protected:
    OperationFaultsTest() {
        EXPECT_EQ(Add(archive, src, {"*.txt"}), 0);
        const auto size = static_cast<rlim_t>(fs::file_size(archive));
        splitter.SetSize(1457664);
        splitter.SetReduceFirstSizeBy(100000);
        splitter.SetFileName(archive);
        splitter.SetSplitFileName(dir / "pieces/BACKUP.SPL");
        fs::create_directories(dir / "pieces");
        EXPECT_TRUE(splitter.Split());
        WriteFile(work + "/restored.zip", "an older restore that must not be lost\n");
        const std::string more = src + "/more.txt";
        WriteFile(more, Payload(3 << 20, 2));
        operations = {
            {"add",
             [this, more] { return Add(archive, src, {more}); },
             archive,
             {"archive.zip", "restored.zip"},
             size + (64 << 10)},
            {"delete",
             [this] {
                 return Delete(archive, {"small.txt", "old*.txt"});
             },
             archive,
             {"archive.zip", "restored.zip"},
             size / 2},
            {"comment",
             [this] { return SetComment(archive, std::string(4000, 'c')); },
             archive,
             {"archive.zip", "restored.zip"},
             size / 2},
            {"join",
             [this] {
                 TFileSplitter joiner;
                 joiner.SetSplitFileName(dir / "pieces/BACKUP.SPL");
                 joiner.SetFileName(work + "/restored.zip");
                 return Succeeds([&] { return joiner.Join(); });
             },
             work + "/restored.zip",
             {"archive.zip", "restored.zip"},
             size / 2},
        };
    }

    // 0 when the splitter's work succeeded, 1 when it failed or raised.
    static int Succeeds(const std::function<bool()>& work) {
        try {
            return work() ? 0 : 1;
        } catch (const std::exception&) {
            return 1;
        }
    }

    // Puts every target back as it was before the operations.
    void Restore() {
        for (const auto& [file, bytes] : originals) {
            WriteFile(file, bytes);
        }
    }
    void Remember() {
        for (const Operation& op : operations) {
            originals[op.target] = ReadFile(op.target);
        }
    }

    TFileSplitter splitter;
    std::vector<Operation> operations;
    std::map<std::string, std::string> originals;
};

TEST_F(OperationFaultsTest, AKillAtAnyMomentLeavesTheOriginalOrTheResultAndNothingElse) {
    Remember();
    std::mt19937 random(20240611);
    constexpr int kKills = 6;
    for (const Operation& op : operations) {
        Restore();
        const Clock::time_point start = Clock::now();
        ASSERT_EQ(Finish(StartChild(op.run)), 0) << op.name;
        const auto duration = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
        const std::string result = ReadFile(op.target);
        ASSERT_NE(result, originals[op.target]) << op.name;
        for (int kill = 0; kill < kKills; ++kill) {
            Restore();
            const auto at = std::chrono::microseconds(random() % (duration.count() + 1));
            const pid_t child = StartChild(op.run);
            std::this_thread::sleep_for(at);
            ::kill(child, SIGKILL);
            Finish(child);
            // What a kill between naming the new file and its rename leaves, the next run clears.
            platform::ClearStaleReplacements(work);
            const std::string after = ReadFile(op.target);
            EXPECT_TRUE(after == originals[op.target] || after == result)
                << op.name << " killed after " << at.count() << " us changed the file half way";
            EXPECT_EQ(FolderNames(work), op.folderAfter)
                << op.name << " killed after " << at.count() << " us";
        }
    }
    // An extraction killed half way leaves whole files under their names and nothing else.
    Restore();
    const std::string out = dir / "out";
    const Clock::time_point start = Clock::now();
    ASSERT_EQ(Finish(StartChild([&] { return Extract(archive, out); })), 0);
    const auto duration = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start);
    for (int kill = 0; kill < kKills; ++kill) {
        fs::remove_all(out);
        const auto at = std::chrono::microseconds(random() % (duration.count() + 1));
        const pid_t child = StartChild([&] { return Extract(archive, out); });
        std::this_thread::sleep_for(at);
        ::kill(child, SIGKILL);
        Finish(child);
        for (const std::string& name : fs::exists(out) ? FolderNames(out) : std::set<std::string>{}) {
            EXPECT_EQ(ReadFile(out + "/" + name), ReadFile(src + "/" + name))
                << name << " after a kill at " << at.count() << " us";
        }
    }
    // A split killed half way leaves its pieces as far as they came, and its input untouched.
    const pid_t child = StartChild([this] { return Succeeds([this] { return splitter.Split(); }); });
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ::kill(child, SIGKILL);
    Finish(child);
    EXPECT_EQ(ReadFile(archive), originals[archive]);
    for (const std::string& name : FolderNames(dir / "pieces")) {
        EXPECT_TRUE(name.starts_with("BACKUP.")) << name;
    }
}

TEST_F(OperationFaultsTest, AFullDiskLeavesTheOriginalAndNothingElse) {
    Remember();
    for (const Operation& op : operations) {
        Restore();
        EXPECT_NE(Finish(StartChild(op.run, op.fullDiskAt)), 0) << op.name;
        EXPECT_EQ(ReadFile(op.target), originals[op.target]) << op.name;
        EXPECT_EQ(FolderNames(work), op.folderAfter) << op.name;
    }
    // A split that fills the disk says so and leaves its input as it was.
    Restore();
    fs::remove_all(dir / "pieces");
    fs::create_directories(dir / "pieces");
    EXPECT_NE(Finish(StartChild([this] { return Succeeds([this] { return splitter.Split(); }); }, 500000)),
              0);
    EXPECT_EQ(ReadFile(archive), originals[archive]);
}

}  // namespace
}  // namespace ruvu::enginetest
