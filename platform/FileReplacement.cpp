#include "platform/FileReplacement.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <mutex>
#include <random>
#include <set>
#include <thread>
#include <utility>

#include "platform/DriveState.h"
#include "platform/Drives.h"
#include "platform/HostPaths.h"

namespace ruvu::platform {

namespace {

using Clock = std::chrono::steady_clock;

// A byte far beyond any real data, beside the sharing markers of File.cpp: the writer lock of a
// target, and on a temporary file the sign that its replacement is alive.
constexpr off_t kWriterMarker = (off_t(1) << 62) + 16;
constexpr auto kPollInterval = std::chrono::milliseconds(50);
constexpr std::string_view kTempPrefix = ".~ruvu";
constexpr std::string_view kTempSuffix = ".tmp";
constexpr size_t kTempDigits = 16;

enum class Lock { Taken, Busy, Unsupported };

Lock TryLock(int fd) {
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = kWriterMarker;
    lock.l_len = 1;
    if (fcntl(fd, F_OFD_SETLK, &lock) == 0) {
        return Lock::Taken;
    }
    return errno == EAGAIN || errno == EACCES ? Lock::Busy : Lock::Unsupported;
}

bool IsTemporaryName(std::string_view name) {
    if (name.size() != kTempPrefix.size() + kTempDigits + kTempSuffix.size() ||
        !name.starts_with(kTempPrefix) || !name.ends_with(kTempSuffix)) {
        return false;
    }
    for (char c : name.substr(kTempPrefix.size(), kTempDigits)) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) {
            return false;
        }
    }
    return true;
}

std::string NewTemporaryName() {
    // Seeded anew in a forked child, which would otherwise pick its parent's names.
    static thread_local std::mt19937_64 random;
    static thread_local pid_t seededFor = 0;
    if (seededFor != getpid()) {
        seededFor = getpid();
        random.seed(std::random_device{}() ^ (static_cast<uint64_t>(seededFor) << 32));
    }
    char digits[kTempDigits + 1];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(random()));
    return std::string(kTempPrefix) + digits + std::string(kTempSuffix);
}

bool SameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Removes the temporary files of a folder that no live replacement holds. A replacement locks its
// named file right after creating it and gives the file up when it finds it locked (by a sweep that
// came in between), so a file this sweep could lock is never one a replacement goes on with.
void ClearStaleIn(int folder) {
    Fd listing(openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!listing.Valid()) {
        return;
    }
    std::unique_ptr<DIR, int (*)(DIR*)> dir(fdopendir(listing.Get()), closedir);
    if (!dir) {
        return;
    }
    listing.Release();
    while (const dirent* entry = readdir(dir.get())) {
        const std::string_view name = entry->d_name;
        if (!IsTemporaryName(name)) {
            continue;
        }
        struct stat link {};
        if (fstatat(folder, entry->d_name, &link, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(link.st_mode)) {
            // A link lives under such a name only between its creation and its rename, which retries.
            unlinkat(folder, entry->d_name, 0);
            continue;
        }
        Fd file(openat(folder, entry->d_name, O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        struct stat st {};
        if (!file.Valid() || fstat(file.Get(), &st) != 0 || !S_ISREG(st.st_mode) ||
            TryLock(file.Get()) != Lock::Taken) {
            continue;
        }
        // Only the file that was checked: the name may have been taken anew in the meantime.
        struct stat named {};
        if (fstatat(folder, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(named, st)) {
            unlinkat(folder, entry->d_name, 0);
        }
    }
}

// Each folder is cleared once per process: afterwards only live replacements could leave files there.
void ClearStaleOnce(int folder) {
    static std::mutex mutex;
    static std::set<std::pair<dev_t, ino_t>> cleared;
    static pid_t clearedBy = 0;
    struct stat st {};
    if (fstat(folder, &st) != 0) {
        return;
    }
    {
        std::lock_guard lock(mutex);
        if (clearedBy != getpid()) {
            // A forked child clears for itself.
            clearedBy = getpid();
            cleared.clear();
        }
        if (!cleared.emplace(st.st_dev, st.st_ino).second) {
            return;
        }
    }
    ClearStaleIn(folder);
}

std::string FolderOf(const std::string& hostPath) {
    const size_t slash = hostPath.find_last_of('/');
    return slash == 0 || slash == std::string::npos ? std::string("/") : hostPath.substr(0, slash);
}

bool CanLinkUnnamed() {
    static const bool proc = access("/proc/self/fd", X_OK) == 0;
    return proc;
}

}  // namespace

FileReplacement& FileReplacement::operator=(FileReplacement&& other) noexcept {
    if (this != &other) {
        Abandon();
        folderFd_ = std::exchange(other.folderFd_, -1);
        folder_ = std::move(other.folder_);
        name_ = std::move(other.name_);
        targetHost_ = std::move(other.targetHost_);
        tempName_ = std::exchange(other.tempName_, {});
        out_ = std::move(other.out_);
        targetLock_ = std::move(other.targetLock_);
        folderLock_ = std::move(other.folderLock_);
        old_ = other.old_;
        keepOwnerAndMode_ = other.keepOwnerAndMode_;
        executable_ = other.executable_;
        durable_ = other.durable_;
        replaceExisting_ = other.replaceExisting_;
        error_ = other.error_;
    }
    return *this;
}

FileReplacement::~FileReplacement() {
    Abandon();
}

bool FileReplacement::Fail(HostError error) {
    error_ = error;
    return false;
}

FileReplacement FileReplacement::Begin(std::string_view windowsPath, const ReplacementOptions& options) {
    HostError error = HostError::None;
    std::optional<std::string> host = ResolveHostPath(windowsPath, &error);
    if (!host) {
        FileReplacement failed;
        failed.error_ = error;
        return failed;
    }
    return BeginHost(*host, options);
}

FileReplacement FileReplacement::BeginHost(std::string_view hostPath, const ReplacementOptions& options) {
    // Where the links lead: the content goes there, and the temporary file beside it.
    std::optional<std::string> physical = detail::CanonicalHostPath(hostPath);
    FileReplacement failed;
    if (!physical) {
        failed.error_ = HostError::PathNotFound;
        return failed;
    }
    const std::string folder = FolderOf(*physical);
    Fd folderFd(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folderFd.Valid()) {
        failed.error_ =
            errno == ENOENT || errno == ENOTDIR ? HostError::PathNotFound : HostErrorFromErrno(errno);
        return failed;
    }
    std::string name = physical->substr(physical->find_last_of('/') + 1);
    if (name.empty()) {
        failed.error_ = HostError::InvalidName;
        return failed;
    }
    ReplacementOptions own = options;
    own.borrowFolder = false;
    own.targetMissing = false;
    own.clearStale = true;
    const int fd = folderFd.Get();
    return Start(std::move(folderFd), fd, std::move(name), *physical, own);
}

FileReplacement FileReplacement::BeginAt(int folderFd, std::string_view name,
                                         const ReplacementOptions& options) {
    if (options.borrowFolder) {
        return Start(Fd(), folderFd, std::string(name), {}, options);
    }
    Fd folder(fcntl(folderFd, F_DUPFD_CLOEXEC, 0));
    if (!folder.Valid()) {
        FileReplacement failed;
        failed.error_ = HostErrorFromErrno(errno);
        return failed;
    }
    const int fd = folder.Get();
    return Start(std::move(folder), fd, std::string(name), {}, options);
}

FileReplacement FileReplacement::Start(Fd owned, int folderFd, std::string name, std::string targetHost,
                                       const ReplacementOptions& options) {
    FileReplacement r;
    r.folderFd_ = folderFd;
    r.folder_ = std::move(owned);
    r.name_ = std::move(name);
    r.targetHost_ = std::move(targetHost);
    r.keepOwnerAndMode_ = options.keepOwnerAndMode;
    r.executable_ = options.executable;
    r.durable_ = options.durable;
    r.replaceExisting_ = options.replaceExisting;
    if (options.exclusive) {
        if (!r.TakeWriterLock(options)) {
            return r;
        }
    } else if (!options.targetMissing) {
        struct stat st {};
        if (fstatat(r.folderFd_, r.name_.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            r.old_ = st;
        }
    }
    if (r.old_) {
        if (!r.replaceExisting_) {
            r.Fail(HostError::FileExists);
            return r;
        }
        if (S_ISDIR(r.old_->st_mode) || (options.refuseReadOnly && (r.old_->st_mode & S_IWUSR) == 0)) {
            r.Fail(HostError::AccessDenied);
            return r;
        }
    }
    if (options.clearStale) {
        ClearStaleOnce(r.folderFd_);
    }
    r.CreateTemporary();
    return r;
}

bool FileReplacement::TakeWriterLock(const ReplacementOptions& options) {
    const Clock::time_point start = Clock::now();
    for (;;) {
        Lock result = Lock::Taken;
        struct stat st {};
        if (fstatat(folderFd_, name_.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            if (!S_ISREG(st.st_mode)) {
                return Fail(HostError::AccessDenied);
            }
            Fd target(openat(folderFd_, name_.c_str(), O_RDWR | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
            if (!target.Valid()) {
                if (errno == ENOENT) {
                    continue;  // replaced by its rename a moment ago
                }
                return Fail(HostErrorFromErrno(errno));
            }
            result = TryLock(target.Get());
            struct stat locked {};
            struct stat named {};
            if (result != Lock::Busy) {
                // The lock counts only while the name still names the locked file.
                if (fstat(target.Get(), &locked) == 0 &&
                    fstatat(folderFd_, name_.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
                    SameFile(locked, named)) {
                    old_ = locked;
                    targetLock_ = std::move(target);
                    return true;
                }
                continue;
            }
        } else if (errno == ENOENT) {
            // Nothing to lock yet: the folder stands for the file until it exists.
            Fd folder(openat(folderFd_, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            if (!folder.Valid()) {
                return Fail(HostErrorFromErrno(errno));
            }
            if (flock(folder.Get(), LOCK_EX | LOCK_NB) == 0 || (errno != EWOULDBLOCK && errno != EINTR)) {
                if (fstatat(folderFd_, name_.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
                    continue;  // created meanwhile: lock the file itself
                }
                old_.reset();
                folderLock_ = std::move(folder);
                return true;
            }
            result = Lock::Busy;
        } else {
            return Fail(HostErrorFromErrno(errno));
        }
        const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
        if (waited >= options.lockWait) {
            return Fail(HostError::SharingViolation);
        }
        if (options.onWait && !options.onWait(waited)) {
            return Fail(HostError::LockViolation);
        }
        std::this_thread::sleep_for(kPollInterval);
    }
}

bool FileReplacement::CreateTemporary() {
    const std::string floppy = detail::FloppyDiskFolderOf(targetHost_);
    int fd = -1;
    // An unnamed file cannot outlive the process. A virtual floppy counts only named files against its
    // capacity, so it gets a named one.
    if (floppy.empty() && CanLinkUnnamed()) {
        fd = openat(folderFd_, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
    }
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        std::string name = NewTemporaryName();
        fd = openat(folderFd_, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno != EEXIST) {
                return Fail(HostErrorFromErrno(errno));
            }
        } else if (TryLock(fd) == Lock::Busy) {
            // A sweep took it between its creation and the lock, and removes it.
            close(fd);
            fd = -1;
        } else {
            tempName_ = std::move(name);
        }
    }
    if (fd < 0) {
        return Fail(HostError::FileExists);
    }
    out_ = File::Adopt(
        fd, tempName_.empty() ? targetHost_ : detail::JoinHostPath(FolderOf(targetHost_), tempName_));
    return true;
}

bool FileReplacement::TargetIs(int fd) const {
    struct stat st {};
    return old_ && fstat(fd, &st) == 0 && SameFile(*old_, st);
}

bool FileReplacement::Commit() {
    if (!out_.IsOpen()) {
        return Fail(error_ == HostError::None ? HostError::InvalidHandle : error_);
    }
    const int fd = out_.NativeHandle();
    if (keepOwnerAndMode_ && old_) {
        // Owner first: a change of owner clears the set-id bits the mode may carry.
        if (fchown(fd, old_->st_uid, old_->st_gid) != 0) {
            // Not permitted for another user's file: the group alone may still be ours to keep.
            fchown(fd, static_cast<uid_t>(-1), old_->st_gid);
        }
        fchmod(fd, old_->st_mode & 07777);
    }
    struct stat st {};
    if (executable_ && fstat(fd, &st) == 0) {
        const mode_t readable = st.st_mode & (S_IRUSR | S_IRGRP | S_IROTH);
        if (fchmod(fd, (st.st_mode & 07777) | readable >> 2) != 0) {
            const int err = errno;
            Abandon();
            return Fail(HostErrorFromErrno(err));
        }
    }
    if (durable_ && fsync(fd) != 0) {
        const int err = errno;
        Abandon();
        return Fail(HostErrorFromErrno(err));
    }
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    if (tempName_.empty() && !old_) {
        // Where no target was found, an unnamed file takes the target's name at once; an entry of that
        // name is never replaced by the link, and one that appeared meanwhile is replaced as below.
        if (linkat(AT_FDCWD, self.c_str(), folderFd_, name_.c_str(), AT_SYMLINK_FOLLOW) == 0 ||
            (errno != EEXIST && linkat(fd, "", folderFd_, name_.c_str(), AT_EMPTY_PATH) == 0)) {
            return Placed();
        }
        if (errno != EEXIST || !replaceExisting_) {
            const int err = errno;
            Abandon();
            return Fail(err == EEXIST ? HostError::FileExists : HostErrorFromErrno(err));
        }
    }
    if (tempName_.empty()) {
        // Alive while locked: a sweep of another process leaves the named file alone.
        TryLock(fd);
    }
    // An unnamed file gets a name for the rename; a kill in between leaves a named file that no one
    // holds, which the next replacement in this folder clears.
    for (int attempt = 0; tempName_.empty() && attempt < 100; ++attempt) {
        std::string name = NewTemporaryName();
        if (linkat(AT_FDCWD, self.c_str(), folderFd_, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ||
            linkat(fd, "", folderFd_, name.c_str(), AT_EMPTY_PATH) == 0) {
            tempName_ = std::move(name);
        } else if (errno != EEXIST) {
            const int err = errno;
            Abandon();
            return Fail(HostErrorFromErrno(err));
        }
    }
    if (tempName_.empty()) {
        Abandon();
        return Fail(HostError::FileExists);
    }
    const unsigned flags = replaceExisting_ ? 0 : RENAME_NOREPLACE;
    if (renameat2(folderFd_, tempName_.c_str(), folderFd_, name_.c_str(), flags) != 0) {
        const int err = errno;
        Abandon();
        return Fail(err == EEXIST ? HostError::FileExists : HostErrorFromErrno(err));
    }
    tempName_.clear();
    return Placed();
}

bool FileReplacement::Placed() {
    if (durable_) {
        fsync(folderFd_);
    }
    if (!targetHost_.empty()) {
        detail::NoteNewEntry(targetHost_);
    }
    out_.Close();
    targetLock_.Reset();
    folderLock_.Reset();
    folder_.Reset();
    folderFd_ = -1;
    return true;
}

void FileReplacement::Abandon() {
    out_.Close();
    if (folderFd_ >= 0 && !tempName_.empty()) {
        unlinkat(folderFd_, tempName_.c_str(), 0);
    }
    tempName_.clear();
    targetLock_.Reset();
    folderLock_.Reset();
}

bool PlaceSymbolicLink(int folderFd, std::string_view name, std::string_view target, HostError* error) {
    const std::string wanted(name);
    const std::string points(target);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string temp = NewTemporaryName();
        if (symlinkat(points.c_str(), folderFd, temp.c_str()) != 0) {
            if (errno == EEXIST) {
                continue;
            }
            return detail::SetErrno(error, errno);
        }
        if (renameat(folderFd, temp.c_str(), folderFd, wanted.c_str()) == 0) {
            return detail::SetError(error, HostError::None);
        }
        const int err = errno;
        unlinkat(folderFd, temp.c_str(), 0);
        if (err != ENOENT) {
            return detail::SetErrno(error, err);  // ENOENT: a sweep took the link away, so try again
        }
    }
    return detail::SetError(error, HostError::FileExists);
}

void ClearStaleReplacements(const std::string& hostFolder) {
    Fd folder(open(hostFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Valid()) {
        ClearStaleIn(folder.Get());
    }
}

}  // namespace ruvu::platform
