#include "platform/FileReplacement.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>

#include "PlatformTestSupport.h"

namespace ruvu::platform {
namespace {

namespace fs = std::filesystem;
using test::ReadTextFile;
using test::TempFolder;
using test::WriteTextFile;

std::set<std::string> Names(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

bool WriteAll(File& file, std::string_view text) {
    return file.Write(text.data(), text.size()) == static_cast<int64_t>(text.size());
}

// Replaces a host file's content; returns the error (None on success).
HostError Replace(const std::string& host, std::string_view content, const ReplacementOptions& options = {}) {
    FileReplacement replacement = FileReplacement::BeginHost(host, options);
    if (!replacement.IsOpen()) {
        return replacement.Error();
    }
    if (!WriteAll(replacement.Out(), content) || !replacement.Commit()) {
        return replacement.Error() == HostError::None ? HostError::GenFailure : replacement.Error();
    }
    return HostError::None;
}

TEST(FileReplacementTest, ReplacesWhereLinksLeadKeepingModeAndOwnerAndLeavesNothingElse) {
    TempFolder dir;
    test::MakeFolders(dir / "data");
    WriteTextFile(dir / "data/real.bin", "old content");
    chmod((dir / "data/real.bin").c_str(), 0640);
    const bool root = geteuid() == 0;
    if (root) {
        ASSERT_EQ(chown((dir / "data/real.bin").c_str(), 4242, 4343), 0);
    }
    fs::create_symlink("data/real.bin", dir / "link.bin");

    ASSERT_EQ(Replace(dir / "link.bin", "new content"), HostError::None);
    EXPECT_TRUE(fs::is_symlink(dir / "link.bin"));
    EXPECT_EQ(ReadTextFile(dir / "data/real.bin"), "new content");
    struct stat st {};
    ASSERT_EQ(stat((dir / "data/real.bin").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(st.st_uid, 4242u);
        EXPECT_EQ(st.st_gid, 4343u);
    }
    EXPECT_EQ(Names(dir.Path()), (std::set<std::string>{"data", "link.bin"}));
    EXPECT_EQ(Names(dir / "data"), (std::set<std::string>{"real.bin"}));

    // A new file, and one given up half way: nothing but the finished file is ever seen.
    ASSERT_EQ(Replace(dir / "data/new.bin", "fresh"), HostError::None);
    EXPECT_EQ(ReadTextFile(dir / "data/new.bin"), "fresh");
    {
        FileReplacement abandoned = FileReplacement::BeginHost(dir / "data/new.bin");
        ASSERT_TRUE(abandoned.IsOpen());
        EXPECT_TRUE(WriteAll(abandoned.Out(), "never seen"));
    }
    EXPECT_EQ(ReadTextFile(dir / "data/new.bin"), "fresh");
    EXPECT_EQ(Names(dir / "data"), (std::set<std::string>{"new.bin", "real.bin"}));
}

TEST(FileReplacementTest, RefusesWhatItWasToldToKeep) {
    TempFolder dir;
    WriteTextFile(dir / "ro.zip", "read only");
    chmod((dir / "ro.zip").c_str(), 0444);
    WriteTextFile(dir / "there.txt", "there");
    test::MakeFolders(dir / "folder");
    ReplacementOptions readOnly;
    readOnly.refuseReadOnly = true;
    readOnly.exclusive = true;
    ReplacementOptions noReplace;
    noReplace.replaceExisting = false;
    const struct {
        std::string target;
        ReplacementOptions options;
        HostError expected;
    } cases[] = {
        {dir / "ro.zip", readOnly, HostError::AccessDenied},
        {dir / "there.txt", noReplace, HostError::FileExists},
        {dir / "folder", {}, HostError::AccessDenied},
        {dir / "missing/x.txt", {}, HostError::PathNotFound},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Replace(c.target, "changed", c.options), c.expected) << c.target;
    }
    EXPECT_EQ(ReadTextFile(dir / "ro.zip"), "read only");
    EXPECT_EQ(ReadTextFile(dir / "there.txt"), "there");
    EXPECT_EQ(Names(dir.Path()), (std::set<std::string>{"folder", "ro.zip", "there.txt"}));
}

// A caller that just found no target (and keeps its folder open) has the new file linked in under the
// target's name; whatever appeared under that name meanwhile is replaced or kept as told, a link
// never written through, and no temporary name is left.
TEST(FileReplacementTest, TargetThatAppearsAfterBeginIsReplacedOrKeptAsTold) {
    TempFolder dir;
    test::MakeFolders(dir / "out");
    WriteTextFile(dir / "outside.txt", "precious");
    ReplacementOptions keep;
    keep.replaceExisting = false;
    const struct {
        const char* appears;  // "", "file" or "link"
        bool replace;
        HostError expected;
        const char* content;  // of out/x.txt afterwards
    } cases[] = {
        {"", true, HostError::None, "new"},
        {"file", true, HostError::None, "new"},
        {"file", false, HostError::FileExists, "theirs"},
        {"link", true, HostError::None, "new"},
    };
    for (const auto& c : cases) {
        const std::string target = dir / "out/x.txt";
        fs::remove(target);
        Fd folder(open((dir / "out").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        ReplacementOptions options = c.replace ? ReplacementOptions{} : keep;
        options.borrowFolder = true;
        options.targetMissing = true;
        FileReplacement replacement = FileReplacement::BeginAt(folder.Get(), "x.txt", options);
        ASSERT_TRUE(replacement.IsOpen());
        ASSERT_TRUE(WriteAll(replacement.Out(), "new"));
        if (std::string_view(c.appears) == "file") {
            WriteTextFile(target, "theirs");
        } else if (std::string_view(c.appears) == "link") {
            fs::create_symlink(dir / "outside.txt", target);
        }
        EXPECT_EQ(replacement.Commit() ? HostError::None : replacement.Error(), c.expected) << c.appears;
        EXPECT_FALSE(fs::is_symlink(target)) << c.appears;
        EXPECT_EQ(ReadTextFile(target), c.content) << c.appears;
        EXPECT_EQ(Names(dir / "out"), (std::set<std::string>{"x.txt"})) << c.appears;
    }
    EXPECT_EQ(ReadTextFile(dir / "outside.txt"), "precious");
}

// Read-modify-replace of a counter file by many processes at once, the file missing at the start:
// every increment must survive.
TEST(FileReplacementTest, ConcurrentWritersWaitForEachOtherAndLoseNothing) {
    TempFolder dir;
    const std::string counter = dir / "counter.txt";
    constexpr int kProcesses = 6;
    constexpr int kRounds = 15;
    for (int p = 0; p < kProcesses; ++p) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ReplacementOptions options;
            options.exclusive = true;
            options.durable = false;
            for (int i = 0; i < kRounds; ++i) {
                FileReplacement r = FileReplacement::BeginHost(counter, options);
                const std::string text = ReadTextFile(counter);
                const std::string next = std::to_string((text.empty() ? 0 : std::stoi(text)) + 1);
                if (!r.IsOpen() || !WriteAll(r.Out(), next) || !r.Commit()) {
                    _exit(1);
                }
            }
            _exit(0);
        }
    }
    int failures = 0;
    for (int p = 0; p < kProcesses; ++p) {
        int status = 0;
        wait(&status);
        failures += WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 0 : 1;
    }
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(ReadTextFile(counter), std::to_string(kProcesses * kRounds));
    EXPECT_EQ(Names(dir.Path()), std::set<std::string>{"counter.txt"});

    // A writer that may not wait gives up with a clear error while the first one holds the file.
    ReplacementOptions options;
    options.exclusive = true;
    FileReplacement first = FileReplacement::BeginHost(counter, options);
    ASSERT_TRUE(first.IsOpen());
    options.lockWait = std::chrono::milliseconds(0);
    EXPECT_EQ(Replace(counter, "lost", options), HostError::SharingViolation);
    int waits = 0;
    options.lockWait = std::chrono::seconds(30);
    options.onWait = [&](std::chrono::milliseconds) { return ++waits < 3; };
    EXPECT_EQ(Replace(counter, "lost", options), HostError::LockViolation);
    EXPECT_EQ(waits, 3);
}

TEST(FileReplacementTest, KilledWriterLeavesNothingAndStaleFilesAreCleared) {
    TempFolder dir;
    WriteTextFile(dir / "target.bin", "original");
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        FileReplacement r = FileReplacement::BeginHost(dir / "target.bin");
        WriteAll(r.Out(), std::string(1 << 20, 'x'));
        (void)!write(ready[1], "r", 1);
        pause();
        _exit(0);
    }
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    close(ready[0]);
    close(ready[1]);
    EXPECT_EQ(ReadTextFile(dir / "target.bin"), "original");
    EXPECT_EQ(Names(dir.Path()), std::set<std::string>{"target.bin"});

    // Named temporary files, as a file system without unnamed ones gets: an unlocked one is a killed
    // writer's and goes; a live (locked) one stays, and so does a file that is not ours.
    const std::string stale = ".~ruvu0123456789abcdef.tmp";
    const std::string live = ".~ruvufedcba9876543210.tmp";
    for (const std::string& name : {stale, live, std::string(".~ruvu-not-ours.tmp")}) {
        WriteTextFile(dir / name, "partial");
    }
    const int holder = open((dir / live).c_str(), O_RDWR);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_start = (off_t(1) << 62) + 16;
    lock.l_len = 1;
    ASSERT_EQ(fcntl(holder, F_OFD_SETLK, &lock), 0);
    ClearStaleReplacements(dir.Path());
    close(holder);
    EXPECT_EQ(Names(dir.Path()), (std::set<std::string>{".~ruvu-not-ours.tmp", live, "target.bin"}));
}

}  // namespace
}  // namespace ruvu::platform
