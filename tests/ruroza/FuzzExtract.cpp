// Feeds arbitrary bytes to RUROZA.DLL as an archive, testing it and extracting it into a fresh folder:
// nothing may crash, hang, run out of memory or land outside that folder. The library is loaded the
// way the program loads it, from the fuzzer's own folder.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "abi/LibraryEntry.h"
#include "platform/Drives.h"
#include "platform/Handles.h"
#include "platform/Modules.h"

namespace {

ruvu::abi::UnzExecFunction gExec = nullptr;
std::filesystem::path gFolder;

// The working folder goes when the fuzzer ends.
struct FolderCleanup {
    ~FolderCleanup() {
        std::error_code ignored;
        if (!gFolder.empty()) {
            std::filesystem::remove_all(gFolder, ignored);
        }
    }
} gCleanup;

// Runs one job over the archive; texts go through the handle table as the engine passes them.
void RunJob(const std::string& archive, const std::string& outFolder, bool test) {
    std::string password = "fuzz";
    ruvu::platform::ScopedHandle archiveText(const_cast<char*>(archive.c_str()));
    ruvu::platform::ScopedHandle folderText(const_cast<char*>(outFolder.c_str()));
    ruvu::platform::ScopedHandle passwordText(password.data());
    ruvu::abi::UnzParams params{};
    params.Version = ruvu::abi::kLibraryVersion;
    params.Flag28 = -1;
    params.ZipFileNameText = archiveText.Get();
    params.PasswordText = passwordText.Get();
    params.ExtractDirText = test ? 0 : folderText.Get();
    params.TestFlag = test ? -1 : 0;
    params.DirNamesFlag = -1;
    params.OverwriteFlag = -1;
    params.SpecMarker = ruvu::abi::kSpecMarker;
    gExec(&params);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const auto module = ruvu::platform::LoadLibrary(ruvu::abi::kUnzLibraryFile);
    gExec = reinterpret_cast<ruvu::abi::UnzExecFunction>(
        ruvu::platform::GetProcAddress(module, ruvu::abi::kUnzExecName));
    if (gExec == nullptr) {
        std::abort();
    }
    std::string pattern = (std::filesystem::temp_directory_path() / "ruroza-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        std::abort();
    }
    gFolder = pattern;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto archive = gFolder / "in.zip";
    const auto out = gFolder / "base" / "out";
    std::filesystem::create_directories(out);
    std::ofstream(archive, std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    const auto windowsArchive = ruvu::platform::HostToWindowsPath(archive.string());
    const auto windowsOut = ruvu::platform::HostToWindowsPath(out.string());
    if (windowsArchive && windowsOut) {
        RunJob(*windowsArchive, *windowsOut, true);
        RunJob(*windowsArchive, *windowsOut, false);
    }
    // Whatever the archive held, only the extract folder may have grown.
    for (const auto& entry : std::filesystem::directory_iterator(gFolder / "base")) {
        if (entry.path() != out) {
            std::abort();
        }
    }
    std::filesystem::remove_all(gFolder / "base");
    return 0;
}
