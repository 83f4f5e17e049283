#include "libs/common/PathTools.h"

#include "platform/Drives.h"
#include "platform/WinPath.h"
#include "zipformat/EntryPath.h"

namespace ruvu::libcommon {

namespace {
std::string Join(const std::vector<std::string>& parts, char separator) {
    std::string out;
    for (const auto& part : parts) {
        if (!out.empty()) {
            out.push_back(separator);
        }
        out += part;
    }
    return out;
}
}  // namespace

std::string StoredPath(std::string_view path, bool keepTrailingSlash) {
    std::string out = Join(zip::CleanComponents(path, nullptr, true), '/');
    if (keepTrailingSlash && !out.empty() && !path.empty() && platform::IsPathSeparator(path.back())) {
        out.push_back('/');
    }
    return out;
}

SafeName MakeSafeName(std::string_view entryName) {
    SafeName name;
    name.isFolder = !entryName.empty() && platform::IsPathSeparator(entryName.back());
    name.relative = Join(zip::CleanComponents(entryName, &name.unsafe), '\\');
    return name;
}

std::string FullPathFrom(std::string_view path, std::string_view baseFolder) {
    const bool rooted = !platform::ExtractFileDrive(path).empty() ||
                        (!path.empty() && platform::IsPathSeparator(path.front()));
    if (rooted || baseFolder.empty()) {
        return platform::ExpandFileName(path);
    }
    return platform::ExpandFileName(platform::JoinPath(baseFolder, path));
}

std::optional<std::string> HostPathOf(std::string_view windowsPath, platform::HostError* error) {
    return platform::ResolveHostPath(windowsPath, error);
}

}  // namespace ruvu::libcommon
