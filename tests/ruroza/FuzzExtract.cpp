// Feeds arbitrary bytes to RUROZA.DLL as an archive, testing it and extracting it into a fresh folder:
// nothing may crash, hang, run out of memory or land outside that folder. The library is loaded the
// way the program loads it, from the fuzzer's own folder.
//
// An input that starts with kRecipeMagic is not an archive but the recipe of a one-entry archive, so
// that the fuzzer works on the compressed data of every method directly: the method (16 bits), the
// flags (16 bits), the declared size (24 bits), the length of an extra field (8 bits), that extra
// field, then the stored data.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "abi/LibraryEntry.h"
#include "platform/Drives.h"
#include "platform/Handles.h"
#include "platform/Modules.h"
#include "zipformat/CentralDirHeader.h"
#include "zipformat/EndOfCentralDir.h"
#include "zipformat/LocalFileHeader.h"

namespace {

constexpr std::string_view kRecipeMagic = "RVMD";
constexpr size_t kRecipeHeaderSize = kRecipeMagic.size() + 2 + 2 + 3 + 1;

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

// The archive a recipe describes (see the top of the file); the input itself when it is none.
std::string ArchiveOf(std::string_view input) {
    if (input.size() < kRecipeHeaderSize || input.substr(0, kRecipeMagic.size()) != kRecipeMagic) {
        return std::string(input);
    }
    const auto* p = reinterpret_cast<const uint8_t*>(input.data()) + kRecipeMagic.size();
    ruvu::zip::CentralDirEntry central;
    central.VersionNeeded = 20;
    central.Method = ruvu::zip::GetU16(p);
    central.Flags = ruvu::zip::GetU16(p + 2);
    central.UncompressedSize = ruvu::zip::GetU32(p + 4) & 0xFFFFFF;
    const std::string_view rest = input.substr(kRecipeHeaderSize);
    const std::string_view extra = rest.substr(0, std::min<size_t>(p[7], rest.size()));
    const std::string_view stored = rest.substr(extra.size());
    central.CompressedSize = static_cast<uint32_t>(stored.size());
    central.Name = "entry.bin";
    central.Extra = extra;
    ruvu::zip::LocalFileEntry local;
    local.VersionNeeded = central.VersionNeeded;
    local.Flags = central.Flags;
    local.Method = central.Method;
    local.CompressedSize = central.CompressedSize;
    local.UncompressedSize = central.UncompressedSize;
    local.Name = central.Name;
    local.Extra = central.Extra;
    std::string archive = local.Serialize();
    archive += stored;
    ruvu::zip::EndOfCentralDir end;
    end.EntriesThisDisk = end.TotalEntries = 1;
    end.CentralDirOffset = static_cast<uint32_t>(archive.size());
    const std::string directory = central.Serialize();
    end.CentralDirSize = static_cast<uint32_t>(directory.size());
    archive += directory;
    end.AppendTo(archive);
    return archive;
}

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
    const std::string bytes = ArchiveOf({reinterpret_cast<const char*>(data), size});
    std::ofstream(archive, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
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
