#include "platform/WinPath.h"

#include <algorithm>

namespace ruvu::platform {

namespace {

bool IsDriveColonAt(std::string_view path, size_t pos) {
    return pos == 1 && path.size() >= 2 && path[1] == ':' &&
           ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
}

// Position of the last separator or drive colon, or npos.
size_t LastDelimiter(std::string_view path) {
    for (size_t i = path.size(); i-- > 0;) {
        if (IsPathSeparator(path[i]) || (path[i] == ':' && IsDriveColonAt(path, i))) {
            return i;
        }
    }
    return std::string_view::npos;
}

// Position of the extension's dot inside the file-name part, or npos.
size_t ExtensionDot(std::string_view path) {
    size_t nameStart = LastDelimiter(path);
    nameStart = nameStart == std::string_view::npos ? 0 : nameStart + 1;
    size_t dot = path.rfind('.');
    return dot != std::string_view::npos && dot >= nameStart ? dot : std::string_view::npos;
}

char UpperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::string SlashesToBackslashes(std::string_view path) {
    std::string result(path);
    std::replace(result.begin(), result.end(), '/', '\\');
    return result;
}

std::string BackslashesToSlashes(std::string_view path) {
    std::string result(path);
    std::replace(result.begin(), result.end(), '\\', '/');
    return result;
}

std::string IncludeTrailingBackslash(std::string_view path) {
    std::string result(path);
    if (!result.empty() && !IsPathSeparator(result.back())) {
        result += '\\';
    }
    return result;
}

std::string ExcludeTrailingBackslash(std::string_view path) {
    std::string result(path);
    bool isRoot = result.size() == 1 || (result.size() == 3 && IsDriveColonAt(result, 1));
    if (!result.empty() && IsPathSeparator(result.back()) && !isRoot) {
        result.pop_back();
    }
    return result;
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    if (folder.empty()) {
        return std::string(name);
    }
    if (name.empty()) {
        return std::string(folder);
    }
    if (folder.size() == 2 && IsDriveColonAt(folder, 1)) {
        return std::string(folder) + std::string(name);
    }
    while (!folder.empty() && IsPathSeparator(folder.back())) {
        folder.remove_suffix(1);
    }
    while (!name.empty() && IsPathSeparator(name.front())) {
        name.remove_prefix(1);
    }
    std::string result(folder);
    result += '\\';
    result += name;
    return result;
}

std::string ExtractFileDrive(std::string_view path) {
    return IsDriveColonAt(path, 1) ? std::string(path.substr(0, 2)) : std::string();
}

std::string ExtractFilePath(std::string_view path) {
    size_t pos = LastDelimiter(path);
    return pos == std::string_view::npos ? std::string() : std::string(path.substr(0, pos + 1));
}

std::string ExtractFileDir(std::string_view path) {
    std::string dir = ExtractFilePath(path);
    // Keeps "\" and "C:\" (roots) and "C:" (a drive's current folder) as they are.
    if (dir.size() > 1 && IsPathSeparator(dir.back()) && !IsPathSeparator(dir[dir.size() - 2]) &&
        dir[dir.size() - 2] != ':') {
        dir.pop_back();
    }
    return dir;
}

std::string ExtractFileName(std::string_view path) {
    size_t pos = LastDelimiter(path);
    return std::string(pos == std::string_view::npos ? path : path.substr(pos + 1));
}

std::string ExtractFileExt(std::string_view path) {
    size_t dot = ExtensionDot(path);
    return dot == std::string_view::npos ? std::string() : std::string(path.substr(dot));
}

std::string ChangeFileExt(std::string_view path, std::string_view ext) {
    size_t dot = ExtensionDot(path);
    std::string result(dot == std::string_view::npos ? path : path.substr(0, dot));
    result += ext;
    return result;
}

std::string UpperCaseAscii(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), UpperAscii);
    return result;
}

std::string LowerCaseAscii(std::string_view text) {
    std::string result(text);
    std::transform(result.begin(), result.end(), result.begin(), LowerAscii);
    return result;
}

bool SameTextAscii(std::string_view a, std::string_view b) {
    return CompareTextAscii(a, b) == 0;
}

int CompareTextAscii(std::string_view a, std::string_view b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        auto ca = static_cast<unsigned char>(UpperAscii(a[i]));
        auto cb = static_cast<unsigned char>(UpperAscii(b[i]));
        if (ca != cb) {
            return ca < cb ? -1 : 1;
        }
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace ruvu::platform
