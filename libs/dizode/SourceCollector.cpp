#include "libs/dizode/SourceCollector.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

#include "libs/common/PathTools.h"
#include "libs/common/SpecMatch.h"
#include "platform/DosTime.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/FindFiles.h"
#include "platform/WinPath.h"

namespace ruvu::dizode {

namespace {

// Deep enough for any real tree; stops runaway recursion through bind mounts.
constexpr int kMaxDepth = 256;

bool IsAllMask(const std::string& mask) {
    return mask == "*" || mask == "*.*";
}

struct DirCloser {
    void operator()(DIR* dir) const { closedir(dir); }
};

std::string JoinStored(const std::string& dir, const std::string& name) {
    return dir.empty() ? name : dir + "/" + name;
}

std::string HostJoin(const std::string& dir, const std::string& name) {
    return dir == "/" ? "/" + name : dir + "/" + name;
}

SourceFile FileSource(std::string windowsPath, std::string hostPath, std::string stored,
                      const struct stat& st) {
    SourceFile item;
    item.windowsPath = std::move(windowsPath);
    item.hostPath = std::move(hostPath);
    item.storedName = std::move(stored);
    item.size = st.st_size;
    item.dosDateTime = platform::UnixToDosDateTime(st.st_mtime);
    item.mtime = st.st_mtime;
    item.mode = st.st_mode;
    return item;
}

}  // namespace

struct SourceCollector::Walk {
    const SpecItem* spec = nullptr;
    std::string mask;
    bool recurse = false;
    // Folder entries of folders without a match are dropped unless every file is wanted.
    bool keepEmptyFolders = false;
};

SourceCollector::SourceCollector(const JobOptions& options, Reporter& reporter, std::string archiveHostPath)
    : options_(options), reporter_(reporter), archiveHostPath_(std::move(archiveHostPath)) {
    struct stat st {};
    if (!archiveHostPath_.empty() && stat(archiveHostPath_.c_str(), &st) == 0) {
        archiveExists_ = true;
        archiveDevice_ = st.st_dev;
        archiveInode_ = st.st_ino;
    }
}

bool SourceCollector::Skip(std::string_view text, abi::LibraryCode code) {
    ++skipped_;
    return reporter_.Problem(text, code);
}

bool SourceCollector::IsArchive(const struct stat& st) const {
    return archiveExists_ && st.st_dev == archiveDevice_ && st.st_ino == archiveInode_;
}

bool SourceCollector::Collect(std::vector<SourceFile>& out) {
    for (const SpecItem& spec : options_.specs) {
        if (!spec.spec.empty() && !CollectSpec(spec, out)) {
            return false;
        }
    }
    return true;
}

std::string SourceCollector::StoredFor(const std::string& storedDir, const std::string& name) const {
    std::string stored = options_.junkDirs ? name : JoinStored(storedDir, name);
    return options_.forceDos ? DosName(stored) : stored;
}

bool SourceCollector::Excluded(const std::string& name, const std::string& windowsPath,
                               const std::string& storedName) const {
    for (const std::string& pattern : options_.excludes) {
        const bool hasFolder = pattern.find_first_of("\\/") != std::string::npos;
        if (!hasFolder && libcommon::MatchSpec(pattern, name)) {
            return true;
        }
        if (hasFolder &&
            (libcommon::MatchSpec(libcommon::FullPathFrom(pattern, options_.rootDir), windowsPath) ||
             libcommon::MatchSpec(pattern, storedName))) {
            return true;
        }
    }
    return false;
}

bool SourceCollector::AddItem(SourceFile item, const SpecItem& spec, std::vector<SourceFile>& out) {
    if (!item.isDirectory) {
        if (options_.fromDate && item.dosDateTime < *options_.fromDate) {
            return reporter_.Trace("  skipping (older than the date filter): " + item.windowsPath) && false;
        }
        if (options_.archiveOnly &&
            (platform::GetFileAttributes(item.windowsPath) & platform::faArchive) == 0) {
            return reporter_.Trace("  skipping (archive bit clear): " + item.windowsPath) && false;
        }
    }
    const auto [taken, inserted] = seen_.emplace(libcommon::FoldName(item.storedName), item.hostPath);
    if (!inserted) {
        // The same file named twice is harmless; two files under one name would lose one of them.
        if (taken->second != item.hostPath) {
            Skip("Duplicate name in the archive, skipped: " + item.storedName + " (" + item.windowsPath + ")",
                 abi::kCodeWarning);
        }
        return false;
    }
    item.encrypt = spec.encrypt && !item.isDirectory;
    item.password = spec.password;
    out.push_back(std::move(item));
    return true;
}

bool SourceCollector::CollectSpec(const SpecItem& spec, std::vector<SourceFile>& out) {
    const std::string full = libcommon::FullPathFrom(spec.spec, options_.rootDir);
    if (full.empty()) {
        return Skip("Invalid file specification: " + spec.spec, abi::kCodeWarning);
    }
    const std::string folderGiven = platform::ExtractFilePath(spec.spec);
    if (libcommon::HasWildcards(folderGiven)) {
        return Skip("Wildcards are not allowed in folder names: " + spec.spec, abi::kCodeWarning);
    }
    Walk walk;
    walk.spec = &spec;
    walk.recurse = spec.recurse;
    std::string windowsDir;
    std::string storedDir = libcommon::StoredPath(folderGiven);
    const size_t before = out.size();
    if (libcommon::HasWildcards(platform::ExtractFileName(spec.spec))) {
        walk.mask = platform::ExtractFileName(spec.spec);
        windowsDir = platform::ExcludeTrailingBackslash(platform::ExtractFilePath(full));
    } else {
        const auto host = libcommon::HostPathOf(full);
        struct stat st {};
        if (!host || stat(host->c_str(), &st) != 0) {
            return Skip("File not found: " + spec.spec, abi::kCodeWarning);
        }
        if (!S_ISDIR(st.st_mode)) {
            if (!S_ISREG(st.st_mode)) {
                return Skip("Not a regular file, skipped: " + spec.spec, abi::kCodeWarning);
            }
            const std::string name = platform::ExtractFileName(*host);
            SourceFile item = FileSource(full, *host, StoredFor(storedDir, name), st);
            if (*host == archiveHostPath_ || IsArchive(st)) {
                return Skip("The archive cannot be added to itself: " + spec.spec, abi::kCodeWarning);
            }
            AddItem(std::move(item), spec, out);
            return true;
        }
        // A folder stands for its contents, and gets an entry of its own.
        walk.mask = "*";
        windowsDir = platform::ExcludeTrailingBackslash(full);
        storedDir = libcommon::StoredPath(spec.spec);
        if (!options_.noDirEntries && !options_.junkDirs && !storedDir.empty()) {
            SourceFile folder;
            folder.windowsPath = windowsDir;
            folder.hostPath = *host;
            folder.storedName = (options_.forceDos ? DosName(storedDir) : storedDir) + "/";
            folder.isDirectory = true;
            folder.dosDateTime = platform::UnixToDosDateTime(st.st_mtime);
            folder.mtime = st.st_mtime;
            folder.mode = st.st_mode;
            AddItem(std::move(folder), spec, out);
        }
    }
    walk.keepEmptyFolders = IsAllMask(walk.mask) && !options_.fromDate && !options_.archiveOnly;
    const auto hostDir = libcommon::HostPathOf(windowsDir.empty() ? full : windowsDir);
    struct stat st {};
    if (!hostDir || stat(hostDir->c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return Skip("Folder not found: " + spec.spec, abi::kCodeWarning);
    }
    const int found = WalkFolder(walk, *hostDir, windowsDir, storedDir, out, 0);
    if (found < 0) {
        return false;
    }
    if (out.size() == before) {
        return Skip("No files match: " + spec.spec, abi::kCodeWarning);
    }
    return true;
}

void SourceCollector::CollectForEntries(const std::vector<std::string>& entryNames, const SpecItem& spec,
                                        std::vector<SourceFile>& out) {
    const auto source = [&](const std::string& stored, const std::string& windowsPath,
                            const std::string& host) {
        struct stat st {};
        if (stat(host.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || host == archiveHostPath_ ||
            IsArchive(st)) {
            return false;
        }
        SourceFile item = FileSource(windowsPath, host, stored, st);
        item.encrypt = spec.encrypt;
        item.password = spec.password;
        out.push_back(std::move(item));
        return true;
    };
    std::unordered_map<std::string, std::string> missing;  // folded name -> stored name
    for (const std::string& stored : entryNames) {
        if (stored.empty() || stored.back() == '/') {
            continue;
        }
        const std::string relative = libcommon::StoredPath(stored);
        const std::string full =
            libcommon::FullPathFrom(platform::SlashesToBackslashes(relative), options_.rootDir);
        const auto host = libcommon::HostPathOf(full);
        if ((!host || !source(stored, full, *host)) && relative.find('/') == std::string::npos) {
            missing.emplace(libcommon::FoldName(relative), stored);
        }
    }
    if (missing.empty()) {
        return;
    }
    const std::string root = options_.rootDir.empty() ? platform::GetCurrentDirectory() : options_.rootDir;
    const auto hostRoot = libcommon::HostPathOf(root);
    if (!hostRoot) {
        return;
    }
    std::unordered_map<std::string, std::string> found;
    FindByName(*hostRoot, missing, found, 0);
    for (const auto& [folded, host] : found) {
        const auto windowsPath = platform::HostToWindowsPath(host);
        if (windowsPath) {
            source(missing.at(folded), *windowsPath, host);
        }
    }
}

void SourceCollector::FindByName(const std::string& hostDir,
                                 const std::unordered_map<std::string, std::string>& wanted,
                                 std::unordered_map<std::string, std::string>& found, int depth) const {
    std::unique_ptr<DIR, DirCloser> dir(opendir(hostDir.c_str()));
    if (!dir) {
        return;
    }
    std::vector<std::string> names;
    while (const dirent* entry = readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name != "." && name != ".." && (name.front() != '.' || options_.systemFiles)) {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    std::vector<std::string> folders;
    for (const std::string& name : names) {
        struct stat st {};
        if (fstatat(dirfd(dir.get()), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            folders.push_back(name);
        } else if (const auto it = wanted.find(libcommon::FoldName(name)); it != wanted.end()) {
            found.emplace(it->first, HostJoin(hostDir, name));
        }
    }
    for (const std::string& name : folders) {
        if (found.size() == wanted.size() || depth >= kMaxDepth) {
            return;
        }
        FindByName(HostJoin(hostDir, name), wanted, found, depth + 1);
    }
}

int SourceCollector::WalkFolder(const Walk& walk, const std::string& hostDir, const std::string& windowsDir,
                                const std::string& storedDir, std::vector<SourceFile>& out, int depth) {
    std::unique_ptr<DIR, DirCloser> dir(opendir(hostDir.c_str()));
    if (!dir) {
        return Skip("Folder could not be read, skipped: " + windowsDir, abi::kCodeReadError) ? 0 : -1;
    }
    std::vector<std::string> names;
    while (const dirent* entry = readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.push_back(name);
        }
    }
    std::sort(names.begin(), names.end());
    const int fd = dirfd(dir.get());
    int added = 0;
    std::vector<std::pair<std::string, struct stat>> folders;
    for (const std::string& name : names) {
        if (name.front() == '.' && !options_.systemFiles) {
            continue;
        }
        struct stat link {};
        struct stat st {};
        if (fstatat(fd, name.c_str(), &link, AT_SYMLINK_NOFOLLOW) != 0) {
            continue;
        }
        const std::string windowsPath = platform::JoinPath(windowsDir, name);
        const std::string hostPath = HostJoin(hostDir, name);
        if (fstatat(fd, name.c_str(), &st, 0) != 0) {
            if (!Skip("File could not be read, skipped: " + windowsPath, abi::kCodeReadError)) {
                return -1;
            }
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            // Linked folders are not followed: they can lead in circles.
            if (walk.recurse && !S_ISLNK(link.st_mode)) {
                folders.emplace_back(name, st);
            }
            continue;
        }
        if (!platform::MatchesMask(name, walk.mask)) {
            continue;
        }
        const std::string stored = StoredFor(storedDir, name);
        if (Excluded(name, windowsPath, stored) || hostPath == archiveHostPath_ || IsArchive(st)) {
            continue;
        }
        if (!S_ISREG(st.st_mode)) {
            if (!Skip("Not a regular file, skipped: " + windowsPath, abi::kCodeWarning)) {
                return -1;
            }
            continue;
        }
        SourceFile item = FileSource(windowsPath, hostPath, stored, st);
        if (AddItem(std::move(item), *walk.spec, out)) {
            ++added;
        }
    }
    if (depth >= kMaxDepth) {
        return added;
    }
    for (const auto& [name, st] : folders) {
        const std::string windowsPath = platform::JoinPath(windowsDir, name);
        const std::string storedFolder = JoinStored(storedDir, name);
        if (Excluded(name, windowsPath, storedFolder)) {
            continue;
        }
        const size_t folderIndex = out.size();
        bool folderEntry = false;
        if (!options_.noDirEntries && !options_.junkDirs) {
            SourceFile folder;
            folder.windowsPath = windowsPath;
            folder.hostPath = HostJoin(hostDir, name);
            folder.storedName = (options_.forceDos ? DosName(storedFolder) : storedFolder) + "/";
            folder.isDirectory = true;
            folder.dosDateTime = platform::UnixToDosDateTime(st.st_mtime);
            folder.mtime = st.st_mtime;
            folder.mode = st.st_mode;
            folderEntry = AddItem(std::move(folder), *walk.spec, out);
        }
        const int below =
            WalkFolder(walk, HostJoin(hostDir, name), windowsPath, storedFolder, out, depth + 1);
        if (below < 0) {
            return -1;
        }
        if (folderEntry && below == 0 && !walk.keepEmptyFolders) {
            seen_.erase(libcommon::FoldName(out[folderIndex].storedName));
            out.erase(out.begin() + static_cast<std::ptrdiff_t>(folderIndex));
            folderEntry = false;
        }
        added += below + (folderEntry ? 1 : 0);
    }
    return added;
}

std::string DosName(const std::string& storedName) {
    std::string out;
    size_t start = 0;
    while (start < storedName.size()) {
        size_t end = storedName.find('/', start);
        const bool last = end == std::string::npos;
        if (last) {
            end = storedName.size();
        }
        std::string part = storedName.substr(start, end - start);
        std::string base = part;
        std::string ext;
        const size_t dot = part.rfind('.');
        if (dot != std::string::npos && dot > 0) {
            base = part.substr(0, dot);
            ext = part.substr(dot + 1);
        }
        auto clean = [](const std::string& text, size_t limit) {
            std::string result;
            for (const char c : text) {
                if (result.size() == limit) {
                    break;
                }
                const auto u = static_cast<unsigned char>(c);
                const bool ok = (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') ||
                                std::string_view("!#$%&'()-@^_`{}~").find(c) != std::string_view::npos;
                if (u == ' ' || u == '.') {
                    continue;
                }
                result.push_back(ok ? c : '_');
            }
            return platform::UpperCaseAscii(result);
        };
        std::string dos = clean(base, 8);
        if (dos.empty()) {
            dos = "_";
        }
        if (!ext.empty()) {
            dos += "." + clean(ext, 3);
        }
        out += dos;
        if (!last) {
            out += "/";
        }
        start = end + 1;
    }
    return out;
}

}  // namespace ruvu::dizode
