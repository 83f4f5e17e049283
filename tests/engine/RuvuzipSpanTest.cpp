// Spanned sets through ruvuzip as a person runs it: written onto part files and onto floppies of the
// virtual changer, the disk prompts answered on the terminal (the disk put into the changer, then
// Enter), then tested and extracted through the set's last part, byte for byte.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "tests/engine/SpanSetSupport.h"

namespace ruvu::enginetest {
namespace {

namespace fs = std::filesystem;

struct PromptedRun {
    int status = -1;
    std::string output;  // standard output and error together
};

constexpr int kMaxAnswers = 50;

// Runs argv in folder; each time a question waits for its answer ("...]: "), the disk its text asks
// for is put into the changer (lastDisk for the last one) and the default answer is given.
PromptedRun RunAnsweringDiskPrompts(const std::vector<std::string>& argv, const std::string& folder,
                                    platform::FloppyChanger& changer, int lastDisk) {
    int in[2];
    int out[2];
    if (pipe(in) != 0 || pipe(out) != 0) {
        ADD_FAILURE() << "no pipes";
        return {};
    }
    const pid_t child = fork();
    if (child == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(out[1], 2);
        close(in[1]);
        close(out[0]);
        if (chdir(folder.c_str()) != 0) {
            _exit(126);
        }
        ExecProgram(argv);
    }
    close(in[0]);
    close(out[1]);
    PromptedRun run;
    size_t answered = 0;
    int answers = 0;
    char buffer[4096];
    for (;;) {
        pollfd wait{out[0], POLLIN, 0};
        // A run that stops answering fails the test rather than hanging it.
        if (poll(&wait, 1, 60000) <= 0) {
            ADD_FAILURE() << "ruvuzip went quiet:\n" << run.output;
            kill(child, SIGKILL);
            break;
        }
        const ssize_t n = read(out[0], buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        run.output.append(buffer, static_cast<size_t>(n));
        for (size_t ask; (ask = run.output.find("]: ", answered)) != std::string::npos;) {
            const std::string question = run.output.substr(answered, ask - answered);
            const size_t please = question.find("Please insert");
            const int disk = please == std::string::npos ? -1 : PromptedDisk(question.substr(please));
            if (disk >= 0) {
                changer.Insert("d" + std::to_string(disk > 0 ? disk : lastDisk));
            }
            answered = ask + 3;
            // A question asked again and again fails the test rather than hanging it.
            if (++answers > kMaxAnswers || write(in[1], "\n", 1) != 1) {
                ADD_FAILURE() << "no end to the questions:\n" << run.output;
                kill(child, SIGKILL);
                break;
            }
        }
    }
    close(in[1]);
    close(out[0]);
    int status = 0;
    waitpid(child, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

class RuvuzipSpanTest : public SpanFixture {
  protected:
    void SetUp() override {
        if (!fs::exists(ruvuzip_)) {
            GTEST_SKIP() << "ruvuzip is not built in this configuration";
        }
    }

    // ruvuzip with the words, run in src with temp as its temporary folder; checks the exit status and
    // returns what it wrote.
    std::string Ruvuzip(std::vector<std::string> words, int lastDisk = 0) {
        words.insert(words.begin(), {"env", "TMPDIR=" + temp, ruvuzip_});
        if (!changer) {
            changer.emplace(dir / "floppy");  // hard disk sets ask for no disk
        }
        const PromptedRun run = RunAnsweringDiskPrompts(words, src, *changer, lastDisk);
        EXPECT_EQ(run.status, 0) << run.output;
        return run.output;
    }

    // The set, tested and extracted through its last part, gives back the sources.
    void ExpectReadBack(const std::string& last, int lastDisk = 0) {
        EXPECT_NE(Ruvuzip({"test", last}, lastDisk).find("success 4 errcode 0"), std::string::npos);
        const std::string out = dir / ("out" + std::to_string(++readBacks_));
        Ruvuzip({"extract", last, out}, lastDisk);
        for (const auto& file : fs::directory_iterator(src)) {
            EXPECT_TRUE(ReadFile(out + "/" + file.path().filename().string()) ==
                        ReadFile(file.path().string()))
                << file.path();
        }
    }

    const std::string ruvuzip_ = BesideProgram("ruvuzip");
    int readBacks_ = 0;
};

TEST_F(RuvuzipSpanTest, PartFilesNumberedAndCompatiblyNamed) {
    MakeSources(4, 200000);
    Ruvuzip({"add", dir / "set.zip", "-l", "0", "--span", "--volume-size", "300000", "*.*"});
    EXPECT_TRUE(fs::exists(dir / "set003.zip"));
    EXPECT_FALSE(fs::exists(dir / "set004.zip"));
    ExpectReadBack(dir / "set003.zip");

    Ruvuzip(
        {"add", dir / "compat.zip", "-l", "0", "--span", "--compat-names", "--volume-size", "300000", "*.*"});
    EXPECT_TRUE(fs::exists(dir / "compat.z02"));
    EXPECT_FALSE(fs::exists(dir / "compat.z03"));
    ExpectReadBack(dir / "compat.zip");
    EXPECT_TRUE(fs::is_empty(temp));
}

TEST_F(RuvuzipSpanTest, FloppiesWithTheDiskPromptsOnTheTerminal) {
    Floppies(3);
    MakeSources(4, 500000);
    const std::string output = Ruvuzip({"add", "A:\\BACKUP.ZIP", "-l", "0", "--span", "*.*"});
    EXPECT_NE(output.find("Please insert disk volume 2"), std::string::npos) << output;
    const std::vector<std::string> volumes = FloppyVolumes("BACKUP.ZIP");
    ASSERT_EQ(volumes.size(), 2u);
    EXPECT_EQ(CheckSetStructure(volumes).size(), 4u);
    EXPECT_EQ(changer->Label("d2"), "PKBACK# 002");

    changer->Insert("d1");
    ExpectReadBack("A:\\BACKUP.ZIP", 2);

    // The end of input cancels at the first prompt, and nothing more is asked or done.
    changer->Insert("d1");
    std::string cancelled;
    EXPECT_EQ(RunProgram({"sh", "-c", "exec \"$0\" \"$@\" 2>&1", "env", "TMPDIR=" + temp, ruvuzip_, "test",
                          "A:\\BACKUP.ZIP"},
                         src, "", &cancelled),
              1);
    const size_t prompt = cancelled.find("Please insert last disk");
    EXPECT_NE(prompt, std::string::npos) << cancelled;
    EXPECT_EQ(prompt, cancelled.rfind("Please insert last disk")) << cancelled;
    EXPECT_NE(cancelled.find("success 0 errcode 11007"), std::string::npos) << cancelled;
    EXPECT_TRUE(fs::is_empty(temp));
}

}  // namespace
}  // namespace ruvu::enginetest
