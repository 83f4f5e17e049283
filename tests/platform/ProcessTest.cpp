#include "platform/Process.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "PlatformTestSupport.h"
#include "platform/Drives.h"
#include "platform/WinPath.h"

namespace ruvu::platform {
namespace {

using test::ReadTextFile;
using test::ScopedDrives;
using test::TempFolder;

class ProcessTest : public ::testing::Test {
  protected:
    ProcessTest() : drives_("C=" + root_.Path()) {}

    void SetUp() override { ASSERT_TRUE(SetCurrentDirectory("C:\\")); }

    // The started program runs on its own; wait (up to ten seconds) until its file says what we expect.
    std::string AwaitFile(const std::string& hostPath, const std::string& expected) {
        std::string content;
        for (int i = 0; i < 1000 && content != expected; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            content = ReadTextFile(hostPath);
        }
        return content;
    }

    TempFolder root_;
    ScopedDrives drives_;
};

TEST(TickCount, CountsMilliseconds) {
    uint32_t start = GetTickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    uint32_t elapsed = GetTickCount() - start;
    EXPECT_GE(elapsed, 30u);
    EXPECT_LT(elapsed, 600000u);
}

TEST_F(ProcessTest, SearchPathLooksInTheCurrentFolderAndOnPath) {
    test::WriteTextFile(root_ / "Tool.Txt", "");
    EXPECT_EQ(SearchPath("TOOL.TXT"), "C:\\Tool.Txt");
    EXPECT_EQ(SearchPath("C:\\tool.txt"), "C:\\Tool.Txt");
    EXPECT_EQ(ExtractFileName(SearchPath("sh")), "sh");
    EXPECT_EQ(SearchPath("no-such-file-anywhere"), "");
    test::MakeFolders(root_ / "folder");
    EXPECT_EQ(SearchPath("folder"), "");  // files only
}

TEST_F(ProcessTest, WinExecStartsWithoutWaitingAndSplitsLikeWindows) {
    std::string out = root_ / "out.txt";
    std::string line = "sh -c \"printf '%s|' \\\"$@\\\" > '" + out +
                       "'\" sh plain \"two words\" back\\\\slash \"quote\\\"d\" \"\"";
    EXPECT_EQ(WinExec(line), 33u);
    EXPECT_EQ(AwaitFile(out, "plain|two words|back\\\\slash|quote\"d||"),
              "plain|two words|back\\\\slash|quote\"d||");
}

TEST_F(ProcessTest, WinExecFindsAnExeNameWithoutItsExtension) {
    std::string marker = root_ / "marker";
    EXPECT_EQ(WinExec("TOUCH.EXE \"" + marker + "\""), 33u);
    for (int i = 0; i < 1000 && !test::HostExists(marker); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(test::HostExists(marker));
}

TEST_F(ProcessTest, WinExecTellsNotFoundFromNotStarted) {
    EXPECT_EQ(WinExec("no-such-program-anywhere.exe arg"), 2u);
    EXPECT_EQ(WinExec(""), 2u);
    test::WriteTextFile(root_ / "plain.txt", "echo hi\n");
    chmod((root_ / "plain.txt").c_str(), 0644);
    EXPECT_EQ(WinExec("plain.txt"), 0u);
}

}  // namespace
}  // namespace ruvu::platform
