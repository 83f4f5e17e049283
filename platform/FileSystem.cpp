#include "platform/FileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "platform/DosTime.h"
#include "platform/DriveState.h"
#include "platform/File.h"
#include "platform/FileReplacement.h"
#include "platform/FloppyChanger.h"
#include "platform/HostAttributes.h"
#include "platform/HostPaths.h"
#include "platform/WinPath.h"

namespace ruvu::platform {

namespace {

constexpr const char* kAttributeName = "user.DOSATTRIB";
constexpr size_t kCopyBufferSize = 1 << 20;

using detail::SetErrno;
using detail::SetError;

std::optional<detail::ResolvedPath> ResolveExisting(std::string_view path, struct stat* st,
                                                    HostError* error) {
    std::optional<detail::ResolvedPath> resolved = detail::Resolve(path, error);
    if (!resolved) {
        return std::nullopt;
    }
    if (stat(resolved->hostPath.c_str(), st) != 0) {
        int err = errno;
        // A dangling link still names an entry.
        if (err != ENOENT || lstat(resolved->hostPath.c_str(), st) != 0) {
            SetErrno(error, err);
            return std::nullopt;
        }
    }
    return resolved;
}

// The stored attributes, when the file system keeps them. A missing value reads as "archive".
std::optional<uint32_t> StoredAttributes(const std::string& hostPath) {
    char buffer[32] = {};
    ssize_t n = getxattr(hostPath.c_str(), kAttributeName, buffer, sizeof(buffer) - 1);
    if (n <= 0) {
        return std::nullopt;
    }
    char* end = nullptr;
    unsigned long value = std::strtoul(buffer, &end, 16);
    if (end == buffer || (buffer[0] != '0' || (buffer[1] != 'x' && buffer[1] != 'X'))) {
        return std::nullopt;
    }
    return static_cast<uint32_t>(value);
}

}  // namespace

uint32_t detail::AttributesOf(const std::string& hostPath, const struct stat& st) {
    uint32_t attributes = 0;
    std::string name = hostPath.substr(hostPath.find_last_of('/') + 1);
    if (!name.empty() && name.front() == '.') {
        attributes |= faHidden;
    }
    struct stat link {};
    if (lstat(hostPath.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        attributes |= faSymLink;
    }
    std::optional<uint32_t> stored = StoredAttributes(hostPath);
    if (S_ISDIR(st.st_mode)) {
        // Folders carry no archive or read-only bit unless one was stored: a folder lists as
        // exactly faDirectory, which is how the floppy wiping tells folders from files.
        return attributes | faDirectory | (stored ? *stored & faArchive : 0);
    }
    if ((st.st_mode & S_IWUSR) == 0) {
        attributes |= faReadOnly;
    }
    if (!stored || (*stored & faArchive) != 0) {
        attributes |= faArchive;
    }
    return attributes;
}

namespace {

bool StoreArchiveBit(const std::string& hostPath, const struct stat& st, bool archive, HostError* error) {
    std::optional<uint32_t> stored = StoredAttributes(hostPath);
    bool current = S_ISDIR(st.st_mode) ? stored && (*stored & faArchive) : !stored || (*stored & faArchive);
    if (current == archive) {
        return SetError(error, HostError::None);
    }
    char value[16];
    std::snprintf(value, sizeof(value), "0x%x", archive ? static_cast<unsigned>(faArchive) : 0u);
    if (setxattr(hostPath.c_str(), kAttributeName, value, std::char_traits<char>::length(value), 0) == 0) {
        return SetError(error, HostError::None);
    }
    int err = errno;
    if (err == ENOTSUP) {
        return SetError(error, HostError::None);  // no extended attributes: the bit stays set
    }
    if (err == EACCES && (st.st_mode & S_IWUSR) == 0 && chmod(hostPath.c_str(), st.st_mode | S_IWUSR) == 0) {
        // A read-only file of ours: lift the write bit for the moment.
        int result =
            setxattr(hostPath.c_str(), kAttributeName, value, std::char_traits<char>::length(value), 0);
        err = errno;
        chmod(hostPath.c_str(), st.st_mode & 07777);
        if (result == 0) {
            return SetError(error, HostError::None);
        }
    }
    return SetErrno(error, err);
}

bool RemoveTree(const std::string& hostPath, HostError* error) {
    std::error_code ec;
    std::filesystem::remove_all(hostPath, ec);
    return ec ? SetErrno(error, ec.value()) : SetError(error, HostError::None);
}

// The copy goes through a replacement of the target, so a copy that fails half way leaves an
// existing target as it was. A read-only target is refused, as Windows refuses it.
bool CopyHostFile(const std::string& from, const std::string& to, bool failIfExists, HostError* error) {
    File source = File::OpenHost(from, Access::Read, Share::DenyWrite);
    if (!source.IsOpen()) {
        return SetError(error, source.Error());
    }
    ReplacementOptions options;
    options.replaceExisting = !failIfExists;
    options.refuseReadOnly = true;
    options.keepOwnerAndMode = false;
    FileReplacement target = FileReplacement::BeginHost(to, options);
    if (!target.IsOpen()) {
        return SetError(error, target.Error());
    }
    // A file copied onto itself: the open source denies the writing, as on Windows.
    if (target.TargetIs(source.NativeHandle())) {
        return SetError(error, HostError::SharingViolation);
    }
    struct stat st {};
    if (fstat(source.NativeHandle(), &st) != 0) {
        return SetErrno(error, errno);
    }
    std::vector<char> buffer(kCopyBufferSize);
    for (;;) {
        int64_t n = source.Read(buffer.data(), buffer.size());
        if (n < 0) {
            return SetError(error, source.Error());
        }
        if (n == 0) {
            break;
        }
        if (target.Out().Write(buffer.data(), static_cast<size_t>(n)) != n) {
            return SetError(error, target.Out().Error());
        }
    }
    fchmod(target.Out().NativeHandle(), st.st_mode & 0777);
    struct timespec times[2] = {st.st_atim, st.st_mtim};
    futimens(target.Out().NativeHandle(), times);
    return target.Commit() ? SetError(error, HostError::None) : SetError(error, target.Error());
}

}  // namespace

bool FileExists(std::string_view path) {
    struct stat st {};
    return ResolveExisting(path, &st, nullptr) && !S_ISDIR(st.st_mode);
}

bool DirectoryExists(std::string_view path) {
    struct stat st {};
    return ResolveExisting(path, &st, nullptr) && S_ISDIR(st.st_mode);
}

uint32_t GetFileAttributes(std::string_view path, HostError* error) {
    struct stat st {};
    std::optional<detail::ResolvedPath> resolved = ResolveExisting(path, &st, error);
    return resolved ? detail::AttributesOf(resolved->hostPath, st) : kInvalidFileAttributes;
}

bool SetFileAttributes(std::string_view path, uint32_t attributes, HostError* error) {
    struct stat st {};
    std::optional<detail::ResolvedPath> resolved = ResolveExisting(path, &st, error);
    if (!resolved) {
        return false;
    }
    const std::string& host = resolved->hostPath;
    // The archive bit first: storing it may need the write bit the read-only flag takes away.
    if (!StoreArchiveBit(host, st, (attributes & faArchive) != 0, error)) {
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        return SetError(error, HostError::None);
    }
    mode_t mode = st.st_mode & 07777;
    mode_t wanted = (attributes & faReadOnly) != 0 ? mode & ~static_cast<mode_t>(0222) : mode | S_IWUSR;
    if (wanted != mode && chmod(host.c_str(), wanted) != 0) {
        return SetErrno(error, errno);
    }
    return SetError(error, HostError::None);
}

std::optional<int64_t> GetFileSize(std::string_view path, HostError* error) {
    struct stat st {};
    if (!ResolveExisting(path, &st, error)) {
        return std::nullopt;
    }
    if (S_ISDIR(st.st_mode)) {
        SetError(error, HostError::AccessDenied);
        return std::nullopt;
    }
    return static_cast<int64_t>(st.st_size);
}

std::optional<uint32_t> FileAge(std::string_view path, HostError* error) {
    struct stat st {};
    if (!ResolveExisting(path, &st, error)) {
        return std::nullopt;
    }
    return UnixToDosDateTime(st.st_mtime);
}

bool SetFileAge(std::string_view path, uint32_t dosDateTime, HostError* error) {
    struct stat st {};
    std::optional<detail::ResolvedPath> resolved = ResolveExisting(path, &st, error);
    if (!resolved) {
        return false;
    }
    struct timespec times[2] = {{0, UTIME_OMIT}, {DosDateTimeToUnix(dosDateTime), 0}};
    return utimensat(AT_FDCWD, resolved->hostPath.c_str(), times, 0) == 0 ? SetError(error, HostError::None)
                                                                          : SetErrno(error, errno);
}

bool CreateDirectory(std::string_view path, HostError* error) {
    std::optional<detail::ResolvedPath> resolved = detail::Resolve(path, error);
    if (!resolved) {
        return false;
    }
    if (mkdir(resolved->hostPath.c_str(), 0777) == 0) {
        detail::NoteNewEntry(resolved->hostPath);
        return SetError(error, HostError::None);
    }
    int err = errno;
    return SetError(error, err == EEXIST   ? HostError::AlreadyExists
                           : err == ENOENT ? HostError::PathNotFound
                                           : HostErrorFromErrno(err));
}

bool ForceDirectories(std::string_view path, HostError* error) {
    std::optional<detail::ResolvedPath> resolved = detail::Resolve(path, error);
    if (!resolved) {
        return false;
    }
    // Every folder from the medium down; the resolved names already carry the existing case.
    const std::string& host = resolved->hostPath;
    size_t pos = resolved->medium.size();
    while (pos < host.size()) {
        size_t end = host.find('/', pos + 1);
        end = end == std::string::npos ? host.size() : end;
        std::string folder = host.substr(0, end);
        struct stat st {};
        if (stat(folder.c_str(), &st) != 0) {
            if (mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
                return SetErrno(error, errno);
            }
            detail::NoteNewEntry(folder);
        } else if (!S_ISDIR(st.st_mode)) {
            return SetError(error, HostError::CannotMake);
        }
        pos = end;
    }
    struct stat st {};
    if (stat(host.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        return SetError(error, HostError::CannotMake);
    }
    return SetError(error, HostError::None);
}

bool RemoveDirectory(std::string_view path, HostError* error) {
    std::optional<detail::ResolvedPath> resolved = detail::Resolve(path, error);
    if (!resolved) {
        return false;
    }
    if (rmdir(resolved->hostPath.c_str()) == 0) {
        return SetError(error, HostError::None);
    }
    int err = errno;
    return SetError(error, err == EEXIST || err == ENOTEMPTY ? HostError::DirNotEmpty
                           : err == ENOTDIR                  ? HostError::InvalidName
                                                             : HostErrorFromErrno(err));
}

bool DeleteFile(std::string_view path, HostError* error) {
    struct stat st {};
    std::optional<detail::ResolvedPath> resolved = ResolveExisting(path, &st, error);
    if (!resolved) {
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        return SetError(error, HostError::AccessDenied);
    }
    return unlink(resolved->hostPath.c_str()) == 0 ? SetError(error, HostError::None)
                                                   : SetErrno(error, errno);
}

bool RenameFile(std::string_view from, std::string_view to, bool replaceExisting, HostError* error) {
    struct stat st {};
    std::optional<detail::ResolvedPath> source = ResolveExisting(from, &st, error);
    if (!source) {
        return false;
    }
    std::optional<detail::ResolvedPath> target = detail::Resolve(to, error);
    if (!target) {
        return false;
    }
    std::string targetHost = target->hostPath;
    bool sameEntry = targetHost == source->hostPath;
    if (sameEntry) {
        // A change of case only: resolution found the source itself, so name the target as written.
        std::string name = ExtractFileName(target->windowsPath);
        targetHost = targetHost.substr(0, targetHost.find_last_of('/') + 1) + name;
        if (targetHost == source->hostPath) {
            return SetError(error, HostError::None);
        }
    }
    std::string targetDisk = detail::FloppyDiskFolderOf(targetHost);
    if (!S_ISDIR(st.st_mode) && !targetDisk.empty() &&
        targetDisk != detail::FloppyDiskFolderOf(source->hostPath)) {
        // A move onto a floppy must fit on it.
        std::optional<DiskSpace> space = GetDiskFreeSpaceEx(to, error);
        if (!space) {
            return false;
        }
        if (static_cast<uint64_t>(st.st_size) > space->freeBytesAvailable) {
            return SetError(error, HostError::DiskFull);
        }
    }
    unsigned flags = replaceExisting || sameEntry ? 0 : RENAME_NOREPLACE;
    if (renameat2(AT_FDCWD, source->hostPath.c_str(), AT_FDCWD, targetHost.c_str(), flags) == 0) {
        detail::NoteNewEntry(targetHost);
        return SetError(error, HostError::None);
    }
    int err = errno;
    if (err == EEXIST) {
        return SetError(error, HostError::AlreadyExists);
    }
    if (err == EXDEV && !S_ISDIR(st.st_mode)) {
        // Across file systems a file moves as a copy and a delete, as the Windows move does.
        if (!CopyHostFile(source->hostPath, targetHost, !replaceExisting, error)) {
            return false;
        }
        return unlink(source->hostPath.c_str()) == 0 ? SetError(error, HostError::None)
                                                     : SetErrno(error, errno);
    }
    if (err == ENOENT) {
        return SetError(error, HostError::PathNotFound);
    }
    return SetErrno(error, err);
}

bool CopyFile(std::string_view from, std::string_view to, bool failIfExists, HostError* error) {
    std::optional<detail::ResolvedPath> source = detail::Resolve(from, error);
    if (!source) {
        return false;
    }
    std::optional<detail::ResolvedPath> target = detail::Resolve(to, error);
    if (!target) {
        return false;
    }
    return CopyHostFile(source->hostPath, target->hostPath, failIfExists, error);
}

bool ShellDeleteFile(std::string_view path, bool allowUndo, HostError* error) {
    struct stat st {};
    std::optional<detail::ResolvedPath> resolved = ResolveExisting(path, &st, error);
    if (!resolved) {
        return false;
    }
    // Removable media have no trash, as on Windows.
    if (allowUndo && resolved->drive->kind == DriveKind::Fixed) {
        HostError trashError = HostError::None;
        if (MoveToTrash(resolved->hostPath, &trashError)) {
            return SetError(error, HostError::None);
        }
        if (trashError == HostError::FileNotFound || trashError == HostError::PathNotFound) {
            return SetError(error, trashError);
        }
    }
    if (S_ISDIR(st.st_mode)) {
        return RemoveTree(resolved->hostPath, error);
    }
    return unlink(resolved->hostPath.c_str()) == 0 ? SetError(error, HostError::None)
                                                   : SetErrno(error, errno);
}

}  // namespace ruvu::platform
