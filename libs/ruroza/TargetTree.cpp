#include "libs/ruroza/TargetTree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

#include "platform/DosTime.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/TextCase.h"
#include "platform/WinPath.h"

namespace ruvu::ruroza {

using platform::HostError;

namespace {

constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

std::string ErrnoText(int err) {
    return platform::HostErrorText(platform::HostErrorFromErrno(err));
}

PathProblem Problem(std::string text, abi::UnZipSkipType type, abi::LibraryCode code) {
    return PathProblem{std::move(text), type, code};
}

// A name the host cannot hold is the name's fault; anything else is a failure to create.
PathProblem CreateProblem(const std::string& what, int err) {
    if (err == ENAMETOOLONG) {
        return Problem(what + ": the name is too long", abi::stBadName, abi::kCodeWarning);
    }
    return Problem(what + ": " + ErrnoText(err), abi::stWriteError, abi::kCodeCreateError);
}

void SetStamp(int fd, const Stamp& stamp) {
    const timespec times[2] = {{stamp.mtime, 0}, {stamp.mtime, 0}};
    futimens(fd, times);
    if (stamp.mode) {
        fchmod(fd, *stamp.mode);
    } else if (stamp.readOnly) {
        struct stat info {};
        if (fstat(fd, &info) == 0) {
            fchmod(fd, info.st_mode & 07555);
        }
    }
}

}  // namespace

bool TargetTree::Open(const std::string& windowsBase, std::string& error) {
    windowsBase_ = windowsBase;
    path_.clear();
    indexes_.clear();
    HostError hostError = HostError::None;
    if (!platform::DirectoryExists(windowsBase) && !platform::ForceDirectories(windowsBase, &hostError)) {
        error = "Extract folder '" + windowsBase +
                "' could not be created: " + platform::HostErrorText(hostError);
        return false;
    }
    const auto host = platform::ResolveHostPath(windowsBase, &hostError);
    if (!host) {
        error = "Extract folder '" + windowsBase + "' cannot be used: " + platform::HostErrorText(hostError);
        return false;
    }
    // The base folder itself is the caller's choice, so links in its own path are followed.
    auto base = std::make_shared<Fd>(open(host->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!base->Valid()) {
        error = "Extract folder '" + windowsBase + "' cannot be opened: " + ErrnoText(errno);
        return false;
    }
    base_ = Level{{}, {}, std::move(base), &indexes_[""]};
    return true;
}

void TargetTree::Note(FolderIndex& index, const std::string& name) {
    if (!index.listed && !index.made) {
        return;  // a listing made later finds it
    }
    auto [it, added] = index.names.emplace(platform::LowerCase(name), name);
    if (!added && name < it->second) {
        it->second = name;
    }
}

namespace {

// Adds the entries of a folder to a name index (lower-case name -> the first name in byte order).
void ListFolder(int folder, std::map<std::string, std::string>& names) {
    const int listing = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (listing < 0) {
        return;
    }
    std::unique_ptr<DIR, int (*)(DIR*)> dir(fdopendir(listing), closedir);
    if (!dir) {
        close(listing);
        return;
    }
    while (const dirent* item = readdir(dir.get())) {
        const std::string name = item->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        auto [it, added] = names.emplace(platform::LowerCase(name), name);
        if (!added && name < it->second) {
            it->second = name;
        }
    }
}

}  // namespace

std::optional<std::string> TargetTree::Match(const Level& folder, const std::string& name, struct stat& info,
                                             int& err) {
    err = 0;
    FolderIndex& index = *folder.index;
    const int at = folder.folder->Get();
    if (!index.made) {
        if (fstatat(at, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
            return name;
        }
        if (errno != ENOENT) {
            err = errno;
            return std::nullopt;
        }
        if (!index.listed) {
            ListFolder(at, index.names);
            index.listed = true;
        }
    }
    const auto found = index.names.find(platform::LowerCase(name));
    if (found == index.names.end()) {
        return std::nullopt;
    }
    if (fstatat(at, found->second.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
        return found->second;
    }
    // Gone since it was listed or made: missing, unless it cannot be told.
    if (index.made && errno != ENOENT) {
        err = errno;
    }
    return std::nullopt;
}

TargetTree::Walk TargetTree::OpenFolders(const std::vector<std::string>& components, size_t count,
                                         bool create) {
    Walk walk;
    size_t kept = 0;
    while (kept < count && kept < path_.size() && path_[kept].asked == components[kept]) {
        walk.names.push_back(path_[kept].name);
        ++kept;
    }
    if (kept < count) {
        path_.erase(path_.begin() + static_cast<std::ptrdiff_t>(kept), path_.end());
    }
    walk.reached = kept;
    walk.folder = kept == 0 ? base_ : path_[kept - 1];
    for (; walk.reached < count; ++walk.reached) {
        const std::string& name = components[walk.reached];
        const int at = walk.folder.folder->Get();
        struct stat info {};
        int err = 0;
        auto actual = Match(walk.folder, name, info, err);
        const auto shown = [&] {
            auto names = walk.names;
            names.push_back(actual.value_or(name));
            return WindowsPath(names);
        };
        if (err != 0) {
            walk.problem = CreateProblem(shown(), err);
            return walk;
        }
        bool made = false;
        if (!actual) {
            if (!create) {
                return walk;
            }
            actual = name;
            if (mkdirat(at, name.c_str(), 0777) == 0) {
                made = true;
            } else if (errno != EEXIST || fstatat(at, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
                walk.problem = CreateProblem("Folder " + shown() + " could not be created", errno);
                return walk;
            }
            Note(*walk.folder.index, name);
        }
        if (!made && S_ISLNK(info.st_mode)) {
            walk.problem = Problem(shown() + " is a symbolic link; nothing is written through it",
                                   abi::stBadName, abi::kCodeWarning);
            return walk;
        }
        if (!made && !S_ISDIR(info.st_mode)) {
            walk.problem = Problem("A file is in the way of folder " + shown(), abi::stWriteError,
                                   abi::kCodeCreateError);
            return walk;
        }
        // Never through a link, also one put in the place of a folder after it was looked at.
        auto next = std::make_shared<Fd>(openat(at, actual->c_str(), kFolderFlags));
        if (!next->Valid()) {
            walk.problem = CreateProblem("Folder " + shown() + " cannot be opened", errno);
            return walk;
        }
        walk.names.push_back(*actual);
        std::string key;
        for (const auto& part : walk.names) {
            key += key.empty() ? part : "/" + part;
        }
        FolderIndex& index = indexes_[key];
        if (made) {
            index = FolderIndex{{}, false, true};
        }
        path_.push_back(Level{name, *actual, std::move(next), &index});
        walk.folder = path_.back();
    }
    return walk;
}

TargetTree::Lookup TargetTree::Find(const std::vector<std::string>& components) {
    Lookup lookup;
    lookup.names = components;
    if (components.empty()) {
        lookup.kind = Kind::Folder;
        return lookup;
    }
    const size_t folders = components.size() - 1;
    Walk walk = OpenFolders(components, folders, false);
    std::copy(walk.names.begin(), walk.names.end(), lookup.names.begin());
    if (walk.problem) {
        lookup.problem = std::move(walk.problem);
        return lookup;
    }
    if (walk.reached < folders) {
        return lookup;
    }
    struct stat info {};
    int err = 0;
    const auto actual = Match(walk.folder, components.back(), info, err);
    if (err != 0) {
        lookup.problem = CreateProblem(WindowsPath(components), err);
        return lookup;
    }
    if (!actual) {
        return lookup;
    }
    lookup.names.back() = *actual;
    if (S_ISDIR(info.st_mode)) {
        lookup.kind = Kind::Folder;
        return lookup;
    }
    // A link at the end is replaced, never written through, so it counts as an existing file.
    lookup.kind = Kind::File;
    lookup.dosDateTime = platform::UnixToDosDateTime(info.st_mtime);
    return lookup;
}

bool TargetTree::MakeFolders(const std::vector<std::string>& components, PathProblem& problem) {
    Walk walk = OpenFolders(components, components.size(), true);
    if (walk.problem) {
        problem = std::move(*walk.problem);
        return false;
    }
    return true;
}

std::optional<PendingFile> TargetTree::StartFile(const std::vector<std::string>& components,
                                                 PathProblem& problem) {
    Walk walk = OpenFolders(components, components.size() - 1, true);
    if (walk.problem) {
        problem = std::move(*walk.problem);
        return std::nullopt;
    }
    const Level& folder = walk.folder;
    struct stat info {};
    int err = 0;
    const auto existing = Match(folder, components.back(), info, err);
    const std::string finalName = existing.value_or(components.back());
    platform::ReplacementOptions options;
    // Extracted files get the entry's permissions, and are not written to the disk one by one.
    options.keepOwnerAndMode = false;
    options.durable = false;
    options.borrowFolder = true;
    options.targetMissing = !existing && err == 0;
    options.clearStale = !folder.index->made;
    platform::FileReplacement replacement =
        platform::FileReplacement::BeginAt(folder.folder->Get(), finalName, options);
    if (!replacement.IsOpen()) {
        problem = Problem("File " + WindowsPath(components) +
                              " could not be created: " + platform::HostErrorText(replacement.Error()),
                          abi::stWriteError, abi::kCodeCreateError);
        return std::nullopt;
    }
    Note(*folder.index, finalName);
    return PendingFile(folder.folder, std::move(replacement));
}

bool TargetTree::MakeLink(const std::vector<std::string>& components, const std::string& target,
                          std::time_t mtime, PathProblem& problem) {
    Walk walk = OpenFolders(components, components.size() - 1, true);
    if (walk.problem) {
        problem = std::move(*walk.problem);
        return false;
    }
    const int folder = walk.folder.folder->Get();
    struct stat info {};
    int err = 0;
    const std::string name = Match(walk.folder, components.back(), info, err).value_or(components.back());
    HostError error = HostError::None;
    if (!platform::PlaceSymbolicLink(folder, name, target, &error)) {
        problem = Problem("Symbolic link " + WindowsPath(components) +
                              " could not be created: " + platform::HostErrorText(error),
                          abi::stWriteError, abi::kCodeCreateError);
        return false;
    }
    const timespec times[2] = {{mtime, 0}, {mtime, 0}};
    utimensat(folder, name.c_str(), times, AT_SYMLINK_NOFOLLOW);
    Note(*walk.folder.index, name);
    return true;
}

void TargetTree::RememberFolder(std::vector<std::string> components, const Stamp& stamp) {
    folderStamps_.emplace_back(std::move(components), stamp);
}

void TargetTree::ApplyFolderStamps() {
    for (const auto& [components, stamp] : folderStamps_) {
        Walk walk = OpenFolders(components, components.size(), false);
        if (!walk.problem && walk.reached == components.size()) {
            SetStamp(walk.folder.folder->Get(), stamp);
        }
    }
    folderStamps_.clear();
}

std::string TargetTree::WindowsPath(const std::vector<std::string>& components) const {
    std::string path = windowsBase_;
    for (const auto& part : components) {
        path = platform::JoinPath(path, part);
    }
    return path;
}

bool PendingFile::Write(const void* data, size_t size) {
    platform::File& out = replacement_.Out();
    if (out.Write(data, size) != static_cast<int64_t>(size)) {
        error_ = out.Error() == HostError::None ? HostError::DiskFull : out.Error();
        return false;
    }
    return true;
}

bool PendingFile::Commit(const Stamp& stamp) {
    SetStamp(replacement_.Out().NativeHandle(), stamp);
    if (!replacement_.Commit()) {
        error_ = replacement_.Error();
        return false;
    }
    return true;
}

}  // namespace ruvu::ruroza
