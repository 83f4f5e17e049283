#include "platform/TempFiles.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <set>

#include "PlatformTestSupport.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/WinPath.h"

namespace ruvu::platform {
namespace {

using test::ScopedDrives;
using test::ScopedEnv;
using test::TempFolder;

class TempFilesTest : public ::testing::Test {
  protected:
    TempFilesTest() : drives_("C=" + root_.Path()) {}

    TempFolder root_;
    ScopedDrives drives_;
};

TEST_F(TempFilesTest, TempPathIsTmpdirAsAWindowsPath) {
    test::MakeFolders(root_ / "Temp");
    {
        ScopedEnv tmp("TMPDIR", root_ / "Temp/");
        EXPECT_EQ(GetTempPath(), "C:\\Temp\\");
    }
    ScopedDrives whole(std::nullopt);
    ScopedEnv tmp("TMPDIR", std::nullopt);
    EXPECT_EQ(GetTempPath(), "C:\\tmp\\");
}

TEST_F(TempFilesTest, NamesArePrefixHexAndTmpAndCreatedEmpty) {
    std::string first = GetTempFileName("C:\\", "ZIPPER");
    std::string second = GetTempFileName("c:\\", "ZIPPER");
    std::regex shape(R"(C:\\ZIP[0-9A-F]{1,4}\.TMP)");
    EXPECT_TRUE(std::regex_match(first, shape)) << first;
    EXPECT_TRUE(std::regex_match(second, shape)) << second;
    EXPECT_NE(first, second);
    EXPECT_EQ(GetFileSize(first), 0);
    std::string accented = ExtractFileName(GetTempFileName("C:\\", "\xc3\x81RV\xc3\x8dZ"));
    EXPECT_TRUE(std::regex_match(accented, std::regex("\xc3\x81RV[0-9A-F]{1,4}\\.TMP"))) << accented;
    HostError error = HostError::None;
    EXPECT_EQ(GetTempFileName("C:\\missing", "ZIP", &error), "");
    EXPECT_EQ(error, HostError::PathNotFound);
}

TEST_F(TempFilesTest, AProgramFolderThatMayNotBeWrittenFallsBackToTheUserCache) {
    test::MakeFolders(root_ / "Prog");
    test::MakeFolders(root_ / "ReadOnly");
    std::filesystem::permissions(root_ / "ReadOnly", std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    ScopedEnv cache("XDG_CACHE_HOME", root_ / "cache");
    ScopedEnv home("HOME", root_ / "home");
    EXPECT_EQ(WritableFolderOrUserCache("C:\\Prog", "ruvuvadu"), "C:\\Prog\\");
    EXPECT_EQ(WritableFolderOrUserCache("C:\\Gone\\", "ruvuvadu"), "C:\\cache\\ruvuvadu\\");
    EXPECT_TRUE(DirectoryExists("C:\\cache\\ruvuvadu"));
    if (geteuid() != 0) {  // root may write anywhere
        EXPECT_EQ(WritableFolderOrUserCache("C:\\ReadOnly\\", "ruvuvadu"), "C:\\cache\\ruvuvadu\\");
    }
    {
        ScopedEnv relative("XDG_CACHE_HOME", "cache");  // not absolute: ignored, as the XDG rules say
        EXPECT_EQ(WritableFolderOrUserCache("C:\\Gone\\", "ruvuvadu"), "C:\\home\\.cache\\ruvuvadu\\");
        ScopedEnv noHome("HOME", std::nullopt);
        EXPECT_EQ(WritableFolderOrUserCache("C:\\Gone\\", "ruvuvadu"), "C:\\Gone\\");
    }
    ScopedDrives whole(std::nullopt);
    const std::string fallback = WritableFolderOrUserCache("C:\\usr\\lib\\", "ruvuvadu");
    EXPECT_EQ(fallback.substr(fallback.size() - 16), "\\cache\\ruvuvadu\\") << fallback;
}

TEST_F(TempFilesTest, NamesStayUniqueWhenProcessesAskAtOnce) {
    constexpr int kProcesses = 3;
    constexpr int kNamesEach = 150;
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(fds[0]);
            for (int i = 0; i < kNamesEach; ++i) {
                std::string name = GetTempFileName("C:\\", "RUV") + "\n";
                (void)!write(fds[1], name.data(), name.size());
            }
            _exit(0);
        }
        children.push_back(child);
    }
    close(fds[1]);
    std::string all;
    char buffer[4096];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof(buffer))) > 0) {
        all.append(buffer, static_cast<size_t>(n));
    }
    close(fds[0]);
    for (pid_t child : children) {
        waitpid(child, nullptr, 0);
    }
    std::set<std::string> names;
    size_t start = 0;
    for (size_t end; (end = all.find('\n', start)) != std::string::npos; start = end + 1) {
        std::string name = all.substr(start, end - start);
        EXPECT_FALSE(name.empty());
        names.insert(name);
    }
    EXPECT_EQ(names.size(), static_cast<size_t>(kProcesses * kNamesEach));
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(root_.Path())) {
        ++files;
    }
    EXPECT_EQ(files, names.size());
}

}  // namespace
}  // namespace ruvu::platform
