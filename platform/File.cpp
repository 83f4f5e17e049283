#include "platform/File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

#include "platform/DosTime.h"
#include "platform/DriveState.h"
#include "platform/FloppyChanger.h"
#include "platform/HostPaths.h"

namespace ruvu::platform {

namespace {

// Sharing markers: single bytes far beyond any real data. Each open holds a shared lock on the
// markers that describe it; another open's markers are seen through F_OFD_GETLK, which reports
// locks of other open file descriptions only.
constexpr off_t kMarkerBase = off_t(1) << 62;
enum Marker : off_t { kHasRead = 0, kHasWrite = 1, kDeniesRead = 2, kDeniesWrite = 3 };

enum class LockResult { Taken, Unsupported, Conflict };

struct flock MarkerLock(short type, Marker marker) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = kMarkerBase + marker;
    lock.l_len = 1;
    return lock;
}

LockResult HoldMarker(int fd, Marker marker) {
    struct flock lock = MarkerLock(F_RDLCK, marker);
    if (fcntl(fd, F_OFD_SETLK, &lock) == 0) {
        return LockResult::Taken;
    }
    return errno == EAGAIN || errno == EACCES ? LockResult::Conflict : LockResult::Unsupported;
}

bool OtherOpenHolds(int fd, Marker marker) {
    struct flock lock = MarkerLock(F_WRLCK, marker);
    return fcntl(fd, F_OFD_GETLK, &lock) == 0 && lock.l_type != F_UNLCK;
}

// Takes this open's markers, then looks for a conflicting open. Both sides take their markers before
// looking, so of two racing opens at least one sees the other.
HostError ApplySharing(int fd, bool canHoldMarkers, bool wantRead, bool wantWrite, Share share) {
    bool denyRead = share == Share::DenyRead || share == Share::Exclusive;
    bool denyWrite = share == Share::DenyWrite || share == Share::Exclusive;
    if (canHoldMarkers) {
        const std::pair<bool, Marker> held[] = {
            {wantRead, kHasRead}, {wantWrite, kHasWrite}, {denyRead, kDeniesRead}, {denyWrite, kDeniesWrite}};
        for (auto [wanted, marker] : held) {
            LockResult result = wanted ? HoldMarker(fd, marker) : LockResult::Taken;
            if (result == LockResult::Unsupported) {
                return HostError::None;  // a file system without locks: no sharing rules
            }
            if (result == LockResult::Conflict) {
                return HostError::SharingViolation;
            }
        }
    }
    bool conflict =
        (wantRead && OtherOpenHolds(fd, kDeniesRead)) || (wantWrite && OtherOpenHolds(fd, kDeniesWrite)) ||
        (denyRead && OtherOpenHolds(fd, kHasRead)) || (denyWrite && OtherOpenHolds(fd, kHasWrite));
    return conflict ? HostError::SharingViolation : HostError::None;
}

bool ParentIsFolder(const std::string& hostPath) {
    size_t slash = hostPath.find_last_of('/');
    std::string parent =
        slash == 0 || slash == std::string::npos ? std::string("/") : hostPath.substr(0, slash);
    struct stat st {};
    return stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

File::File(File&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      error_(other.error_),
      hostPath_(std::move(other.hostPath_)),
      floppyDiskFolder_(std::move(other.floppyDiskFolder_)) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
        error_ = other.error_;
        hostPath_ = std::move(other.hostPath_);
        floppyDiskFolder_ = std::move(other.floppyDiskFolder_);
    }
    return *this;
}

File::~File() {
    Close();
}

File File::Open(std::string_view path, Access access, Share share, Disposition disposition) {
    HostError error = HostError::None;
    std::optional<std::string> hostPath = ResolveHostPath(path, &error);
    if (!hostPath) {
        File failed;
        failed.error_ = error;
        return failed;
    }
    return OpenHost(*hostPath, access, share, disposition);
}

File File::OpenHost(std::string_view hostPath, Access access, Share share, Disposition disposition) {
    File file;
    file.hostPath_ = hostPath;
    bool wantRead = access != Access::Write;
    bool wantWrite = access != Access::Read;
    int flags = O_CLOEXEC;
    switch (disposition) {
        case Disposition::OpenExisting:
            break;
        case Disposition::CreateNew:
            flags |= O_CREAT | O_EXCL;
            break;
        case Disposition::CreateAlways:
        case Disposition::OpenAlways:
            flags |= O_CREAT;
            break;
    }
    // Write-only opens still read, so that they can hold their sharing markers; truncation
    // needs write access whatever was asked for.
    bool readWrite = wantWrite || disposition == Disposition::CreateAlways;
    int fd = open(file.hostPath_.c_str(), flags | (readWrite ? O_RDWR : O_RDONLY), 0666);
    bool canHoldMarkers = true;
    if (fd < 0 && errno == EACCES && access == Access::Write) {
        fd = open(file.hostPath_.c_str(), flags | O_WRONLY, 0666);
        canHoldMarkers = false;
    }
    if (fd < 0) {
        int err = errno;
        if (err == ENOENT) {
            file.error_ = disposition == Disposition::OpenExisting && ParentIsFolder(file.hostPath_)
                              ? HostError::FileNotFound
                              : HostError::PathNotFound;
        } else {
            file.error_ = HostErrorFromErrno(err);
        }
        return file;
    }
    file.fd_ = fd;
    if ((flags & O_CREAT) != 0) {
        detail::NoteNewEntry(file.hostPath_);
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
        file.Close();
        file.Fail(HostError::AccessDenied);
        return file;
    }
    HostError sharing = ApplySharing(fd, canHoldMarkers, wantRead, wantWrite, share);
    if (sharing != HostError::None) {
        file.Close();
        file.Fail(sharing);
        return file;
    }
    // Only now, with the sharing rules passed, may an existing file lose its content.
    if (disposition == Disposition::CreateAlways && st.st_size != 0 && ftruncate(fd, 0) != 0) {
        int err = errno;
        file.Close();
        file.Fail(HostErrorFromErrno(err));
        return file;
    }
    file.floppyDiskFolder_ = detail::FloppyDiskFolderOf(file.hostPath_);
    return file;
}

File File::Adopt(int fd, std::string_view hostPath) {
    File file;
    file.fd_ = fd;
    file.hostPath_ = hostPath;
    file.floppyDiskFolder_ = detail::FloppyDiskFolderOf(file.hostPath_);
    return file;
}

int64_t File::Read(void* buffer, size_t count) {
    if (fd_ < 0) {
        Fail(HostError::InvalidHandle);
        return -1;
    }
    ssize_t n;
    do {
        n = read(fd_, buffer, count);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        Fail(HostErrorFromErrno(errno));
        return -1;
    }
    return n;
}

int64_t File::ReadFull(void* buffer, size_t count) {
    auto* bytes = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < count) {
        int64_t n = Read(bytes + done, count - done);
        if (n < 0) {
            return -1;
        }
        if (n == 0) {
            break;
        }
        done += static_cast<size_t>(n);
    }
    return static_cast<int64_t>(done);
}

int64_t File::Write(const void* buffer, size_t count) {
    if (fd_ < 0) {
        Fail(HostError::InvalidHandle);
        return -1;
    }
    size_t allowed = count;
    if (!floppyDiskFolder_.empty()) {
        // What the write adds to the disk (also the gap when writing beyond the end).
        int64_t position = Position();
        int64_t size = Size();
        if (position < 0 || size < 0) {
            return -1;
        }
        uint64_t end = static_cast<uint64_t>(position) + count;
        uint64_t growth = end > static_cast<uint64_t>(size) ? end - static_cast<uint64_t>(size) : 0;
        uint64_t used = std::min(kFloppyCapacity, detail::FolderBytes(floppyDiskFolder_));
        uint64_t free = kFloppyCapacity - used;
        if (growth > free) {
            uint64_t excess = growth - free;
            allowed = excess >= count ? 0 : count - static_cast<size_t>(excess);
        }
    }
    const auto* bytes = static_cast<const char*>(buffer);
    size_t done = 0;
    while (done < allowed) {
        ssize_t n = write(fd_, bytes + done, allowed - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            if (errno == ENOSPC || errno == EDQUOT || errno == EFBIG) {
                Fail(HostError::DiskFull);
                return static_cast<int64_t>(done);
            }
            Fail(HostErrorFromErrno(errno));
            return done > 0 ? static_cast<int64_t>(done) : -1;
        }
        done += static_cast<size_t>(n);
    }
    if (allowed < count) {
        Fail(HostError::DiskFull);
    }
    return static_cast<int64_t>(done);
}

int64_t File::Seek(int64_t offset, SeekOrigin origin) {
    if (fd_ < 0) {
        Fail(HostError::InvalidHandle);
        return -1;
    }
    int whence = origin == SeekOrigin::Begin ? SEEK_SET : origin == SeekOrigin::Current ? SEEK_CUR : SEEK_END;
    off_t result = lseek(fd_, offset, whence);
    if (result < 0) {
        Fail(HostErrorFromErrno(errno));
        return -1;
    }
    return result;
}

int64_t File::Position() const {
    return fd_ < 0 ? -1 : lseek(fd_, 0, SEEK_CUR);
}

int64_t File::Size() const {
    struct stat st {};
    return fd_ >= 0 && fstat(fd_, &st) == 0 ? st.st_size : -1;
}

bool File::Truncate() {
    int64_t position = Position();
    return position < 0 ? Fail(HostError::InvalidHandle) : SetSize(position);
}

bool File::SetSize(int64_t size) {
    if (fd_ < 0) {
        return Fail(HostError::InvalidHandle);
    }
    if (size < 0) {
        return Fail(HostError::InvalidParameter);
    }
    if (!floppyDiskFolder_.empty()) {
        int64_t current = Size();
        uint64_t used = std::min(kFloppyCapacity, detail::FolderBytes(floppyDiskFolder_));
        if (current >= 0 && size > current &&
            static_cast<uint64_t>(size - current) > kFloppyCapacity - used) {
            return Fail(HostError::DiskFull);
        }
    }
    return ftruncate(fd_, size) == 0 || Fail(HostErrorFromErrno(errno));
}

bool File::Sync() {
    return fd_ >= 0 ? fsync(fd_) == 0 || Fail(HostErrorFromErrno(errno)) : Fail(HostError::InvalidHandle);
}

uint32_t File::GetDosDateTime() const {
    struct stat st {};
    return fd_ >= 0 && fstat(fd_, &st) == 0 ? UnixToDosDateTime(st.st_mtime) : 0;
}

bool File::SetDosDateTime(uint32_t dosDateTime) {
    if (fd_ < 0) {
        return Fail(HostError::InvalidHandle);
    }
    struct timespec times[2] = {{0, UTIME_OMIT}, {DosDateTimeToUnix(dosDateTime), 0}};
    return futimens(fd_, times) == 0 || Fail(HostErrorFromErrno(errno));
}

void File::Close() {
    if (fd_ >= 0) {
        close(fd_);
        fd_ = -1;
    }
}

bool File::Fail(HostError error) {
    error_ = error;
    return false;
}

}  // namespace ruvu::platform
