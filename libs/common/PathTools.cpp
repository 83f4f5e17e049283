#include "libs/common/PathTools.h"

#include "platform/Drives.h"
#include "platform/WinPath.h"

namespace ruvu::libcommon {

std::vector<std::string> CleanComponents(std::string_view path, bool* unsafe, bool resolveParents) {
    bool dropped = false;
    if (path.size() >= 2 && path[1] == ':' &&
        ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'))) {
        path.remove_prefix(2);
        dropped = true;
    }
    if (!path.empty() && platform::IsPathSeparator(path.front())) {
        dropped = true;
    }
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = start;
        while (end < path.size() && !platform::IsPathSeparator(path[end])) {
            ++end;
        }
        const std::string_view part = path.substr(start, end - start);
        if (part == "..") {
            if (resolveParents && !parts.empty()) {
                parts.pop_back();
            } else {
                dropped = true;
            }
        } else if (!part.empty() && part != ".") {
            parts.emplace_back(part);
        }
        start = end + 1;
    }
    if (unsafe != nullptr) {
        *unsafe = dropped;
    }
    return parts;
}

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
    std::string out = Join(CleanComponents(path, nullptr, true), '/');
    if (keepTrailingSlash && !out.empty() && !path.empty() && platform::IsPathSeparator(path.back())) {
        out.push_back('/');
    }
    return out;
}

SafeName MakeSafeName(std::string_view entryName) {
    SafeName name;
    name.isFolder = !entryName.empty() && platform::IsPathSeparator(entryName.back());
    name.relative = Join(CleanComponents(entryName, &name.unsafe), '\\');
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
