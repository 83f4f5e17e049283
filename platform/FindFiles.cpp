#include "platform/FindFiles.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <memory>

#include "platform/DosTime.h"
#include "platform/DriveState.h"
#include "platform/HostAttributes.h"
#include "platform/HostPaths.h"
#include "platform/TextCase.h"
#include "platform/WinPath.h"

namespace ruvu::platform {

namespace {

struct DirCloser {
    void operator()(DIR* d) const { closedir(d); }
};

// The characters of a UTF-8 text (a stray continuation byte counts as a character of its own).
std::vector<std::string_view> Characters(std::string_view text) {
    std::vector<std::string_view> characters;
    size_t i = 0;
    while (i < text.size()) {
        size_t end = i + 1;
        if (static_cast<unsigned char>(text[i]) >= 0xC0) {
            while (end < text.size() && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) {
                ++end;
            }
        }
        characters.push_back(text.substr(i, end - i));
        i = end;
    }
    return characters;
}

// "*" any run, "?" one character; the last "*" seen is where a mismatch backs up to.
bool Glob(std::string_view nameText, std::string_view maskText) {
    std::vector<std::string_view> name = Characters(nameText);
    std::vector<std::string_view> mask = Characters(maskText);
    size_t n = 0;
    size_t m = 0;
    size_t starMask = std::string_view::npos;
    size_t starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == "*") {
            starMask = m++;
            starName = n;
        } else if (m < mask.size() && (mask[m] == "?" || SameText(mask[m], name[n]))) {
            ++m;
            ++n;
        } else if (starMask != std::string_view::npos) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == "*") {
        ++m;
    }
    return m == mask.size();
}

}  // namespace

bool MatchesMask(std::string_view name, std::string_view mask) {
    if (mask.size() >= 2 && mask.substr(mask.size() - 2) == ".*") {
        // A trailing ".*" also matches names without an extension ("*.*" matches everything).
        return Glob(name, mask) || Glob(name, mask.substr(0, mask.size() - 2));
    }
    if (mask.size() >= 2 && mask.back() == '.' && mask != "..") {
        return name.find('.') == std::string_view::npos && Glob(name, mask.substr(0, mask.size() - 1));
    }
    return Glob(name, mask);
}

std::vector<FindEntry> FindFiles(std::string_view pattern, uint32_t attributeMask, HostError* error) {
    std::string folder = ExtractFilePath(pattern);
    std::string mask = ExtractFileName(pattern);
    if (mask.empty()) {
        detail::SetError(error, HostError::FileNotFound);
        return {};
    }
    std::optional<std::string> host = ResolveHostPath(folder.empty() ? std::string_view(".") : folder, error);
    if (!host) {
        return {};
    }
    std::unique_ptr<DIR, DirCloser> dir(opendir(host->c_str()));
    if (!dir) {
        detail::SetError(
            error, errno == ENOENT || errno == ENOTDIR ? HostError::PathNotFound : HostErrorFromErrno(errno));
        return {};
    }
    const uint32_t optionalKinds = faHidden | faSysFile | faDirectory;
    std::vector<FindEntry> entries;
    while (dirent* entry = readdir(dir.get())) {
        std::string_view name(entry->d_name);
        if (name == "." || name == ".." || !MatchesMask(name, mask)) {
            continue;
        }
        std::string path = detail::JoinHostPath(*host, name);
        struct stat st {};
        if (stat(path.c_str(), &st) != 0 && lstat(path.c_str(), &st) != 0) {
            continue;  // gone since it was listed
        }
        FindEntry found;
        found.attributes = detail::AttributesOf(path, st);
        if ((found.attributes & optionalKinds & ~attributeMask) != 0) {
            continue;
        }
        found.name = name;
        found.size = S_ISDIR(st.st_mode) ? 0 : static_cast<int64_t>(st.st_size);
        found.dosDateTime = UnixToDosDateTime(st.st_mtime);
        found.modifiedUnix = st.st_mtime;
        entries.push_back(std::move(found));
    }
    std::sort(entries.begin(), entries.end(),
              [](const FindEntry& a, const FindEntry& b) { return a.name < b.name; });
    detail::SetError(error, entries.empty() ? HostError::FileNotFound : HostError::None);
    return entries;
}

}  // namespace ruvu::platform
