#include "platform/TempFiles.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "platform/CodePage.h"
#include "platform/DriveState.h"
#include "platform/Drives.h"
#include "platform/HostPaths.h"
#include "platform/WinPath.h"

namespace ruvu::platform {

namespace {

constexpr uint32_t kLargestNumber = 0xFFFF;
constexpr size_t kPrefixCharacters = 3;

// Spreads processes that start at the same moment over different numbers.
uint32_t StartNumber() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    uint32_t mix = static_cast<uint32_t>(getpid()) * 2654435761u ^ static_cast<uint32_t>(now.tv_nsec / 1000) ^
                   static_cast<uint32_t>(now.tv_sec);
    uint32_t number = (mix ^ (mix >> 16)) & kLargestNumber;
    return number == 0 ? 1 : number;
}

}  // namespace

std::string GetTempPath() {
    const char* value = std::getenv("TMPDIR");
    std::string host = value != nullptr && value[0] == '/' ? detail::NormalizeHostPath(value) : "/tmp";
    return IncludeTrailingBackslash(detail::HostToWindowsPathOrRaw(host));
}

std::string WritableFolderOrUserCache(std::string_view folder, std::string_view program) {
    // Nothing below /usr is written while a program runs, not even by root: it belongs to the packages.
    std::optional<std::string> host = ResolveHostPath(folder);
    if (host && access(host->c_str(), W_OK) == 0 && !detail::IsInsideFolder(*host, "/usr")) {
        return IncludeTrailingBackslash(folder);
    }
    std::string base;
    if (const char* cache = std::getenv("XDG_CACHE_HOME"); cache != nullptr && cache[0] == '/') {
        base = cache;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') {
        base = detail::JoinHostPath(home, ".cache");
    } else {
        return IncludeTrailingBackslash(folder);
    }
    const std::string cacheFolder = detail::NormalizeHostPath(detail::JoinHostPath(base, program));
    std::error_code error;
    std::filesystem::create_directories(cacheFolder, error);
    if (!detail::IsHostFolder(cacheFolder) || access(cacheFolder.c_str(), W_OK) != 0) {
        return IncludeTrailingBackslash(folder);
    }
    return IncludeTrailingBackslash(detail::HostToWindowsPathOrRaw(cacheFolder));
}

std::string GetTempFileName(std::string_view folder, std::string_view prefix, HostError* error) {
    File file;
    return CreateTempFile(folder, prefix, ".TMP", file, error);
}

std::string CreateTempFile(std::string_view folder, std::string_view prefix, std::string_view extension,
                           File& file, HostError* error) {
    file.Close();
    for (std::string_view part : {prefix, extension}) {
        if (part.find('\0') != std::string_view::npos || part.find('\\') != std::string_view::npos ||
            part.find('/') != std::string_view::npos) {
            detail::SetError(error, HostError::InvalidName);
            return {};
        }
    }
    std::optional<detail::ResolvedPath> resolved = detail::Resolve(folder, error);
    if (!resolved) {
        return {};
    }
    std::string shortPrefix(Utf8Prefix(prefix, kPrefixCharacters));
    uint32_t number = StartNumber();
    for (uint32_t attempt = 0; attempt < kLargestNumber; ++attempt) {
        char digits[8];
        std::snprintf(digits, sizeof(digits), "%X", static_cast<unsigned>(number));
        std::string name = shortPrefix + digits + std::string(extension);
        file = File::OpenHost(detail::JoinHostPath(resolved->hostPath, name), Access::Write, Share::Exclusive,
                              Disposition::CreateNew);
        if (file.IsOpen()) {
            detail::SetError(error, HostError::None);
            return JoinPath(resolved->windowsPath, name);
        }
        if (file.Error() != HostError::FileExists) {
            detail::SetError(
                error, file.Error() == HostError::FileNotFound ? HostError::PathNotFound : file.Error());
            return {};
        }
        number = number == kLargestNumber ? 1 : number + 1;
    }
    detail::SetError(error, HostError::FileExists);
    return {};
}

}  // namespace ruvu::platform
