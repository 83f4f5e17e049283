#include "platform/Modules.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "PlatformTestSupport.h"
#include "platform/Drives.h"
#include "platform/WinPath.h"

namespace ruvu::platform {
namespace {

using test::ScopedDrives;
using test::TempFolder;

// Built beside the test program by the platform_test_module target.
constexpr const char* kModuleName = "PLATFORMTESTMOD.DLL";

class ModulesTest : public ::testing::Test {
  protected:
    ModulesTest() : drives_(std::nullopt) {}

    void SetUp() override {
        std::optional<std::string> host = ResolveHostPath(ProgramDir() + kModuleName);
        ASSERT_TRUE(host && test::HostExists(*host)) << "missing " << ProgramDir() << kModuleName;
        moduleHost_ = *host;
        ASSERT_TRUE(SetCurrentDirectory(*HostToWindowsPath(root_.Path())));
    }

    // Copies the test library into the current folder under another name.
    void CopyToCurrentFolder(const std::string& name) {
        std::filesystem::copy_file(moduleHost_, root_ / name);
    }

    static int CallAnswer(ModuleHandle module) {
        auto answer = reinterpret_cast<int (*)()>(GetProcAddress(module, "RuvuTestModuleAnswer"));
        return answer != nullptr ? answer() : -1;
    }

    TempFolder root_;
    ScopedDrives drives_;
    std::string moduleHost_;
};

TEST_F(ModulesTest, ProgramNameAndFolderAreWindowsPaths) {
    EXPECT_EQ(ExtractFileName(ProgramFileName()), "platform_tests");
    EXPECT_EQ(ProgramDir(), ExtractFilePath(ProgramFileName()));
    EXPECT_EQ(ProgramDir().back(), '\\');
    EXPECT_EQ(ProgramDir().substr(0, 3), "C:\\");
}

TEST_F(ModulesTest, ProgramFolderComesBeforeTheCurrentFolder) {
    CopyToCurrentFolder("PlatformTestMod.dll");
    ModuleHandle module = LoadLibrary("platformtestmod.dll");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(GetModuleFileName(module), ProgramDir() + kModuleName);
    EXPECT_EQ(CallAnswer(module), 42);
    EXPECT_TRUE(FreeLibrary(module));
    // A name without extension means a ".DLL".
    module = LoadLibrary("PlatformTestMod");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(GetModuleFileName(module), ProgramDir() + kModuleName);
    FreeLibrary(module);
}

TEST_F(ModulesTest, CurrentFolderComesNext) {
    CopyToCurrentFolder("CurDirMod.Dll");
    HostError error = HostError::None;
    ModuleHandle module = LoadLibrary("CURDIRMOD.DLL", &error);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(error, HostError::None);
    EXPECT_EQ(GetModuleFileName(module), GetCurrentDirectory() + "\\CurDirMod.Dll");
    EXPECT_EQ(CallAnswer(module), 42);
    FreeLibrary(module);
    // A name with a folder is taken as it is, case ignored.
    module = LoadLibrary(GetCurrentDirectory() + "\\curdirmod.dll");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(CallAnswer(module), 42);
    FreeLibrary(module);
}

TEST_F(ModulesTest, TheLoaderSearchesLast) {
    ModuleHandle module = LoadLibrary("libm.so.6");
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(ExtractFileName(GetModuleFileName(module)), "libm.so.6");
    EXPECT_NE(GetProcAddress(module, "cos"), nullptr);
    FreeLibrary(module);
}

TEST_F(ModulesTest, FailuresTellWhetherAFileWasFound) {
    HostError error = HostError::None;
    EXPECT_EQ(LoadLibrary("NO-SUCH-MODULE.DLL", &error), nullptr);
    EXPECT_EQ(error, HostError::ModNotFound);
    EXPECT_EQ(LoadLibrary("C:\\no\\such\\module.dll", &error), nullptr);
    EXPECT_EQ(error, HostError::ModNotFound);
    test::WriteTextFile(root_ / "Fake.dll", "not a library");
    EXPECT_EQ(LoadLibrary("FAKE.DLL", &error), nullptr);
    EXPECT_EQ(error, HostError::InvalidParameter);
    ModuleHandle module = LoadLibrary(kModuleName);
    ASSERT_NE(module, nullptr);
    EXPECT_EQ(GetProcAddress(module, "NoSuchEntry"), nullptr);
    FreeLibrary(module);
    EXPECT_FALSE(FreeLibrary(nullptr));
    EXPECT_EQ(GetProcAddress(nullptr, "x"), nullptr);
}

}  // namespace
}  // namespace ruvu::platform
