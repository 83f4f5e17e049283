// An open file with Windows sharing rules. Paths are Windows paths resolved through Drives.h.
//
// Sharing is kept between all opens of the system, also across processes: every open takes
// open-file-description locks on marker bytes far beyond any real data, one for its access and one
// for what it denies, and fails with HostError::SharingViolation when an existing open denies the
// access asked for or holds an access the new open would deny. Locks are released on Close. A
// CreateAlways open truncates only after the sharing check passed. (A write-only open of a file the
// user may not read still checks the others' markers but cannot hold its own.)
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "HostError.h"

namespace ruvu::platform {

enum class Access { Read, Write, ReadWrite };
enum class Share { DenyNone, DenyRead, DenyWrite, Exclusive };
enum class Disposition {
    OpenExisting,  // fails with FileNotFound when missing
    CreateNew,     // fails with FileExists when present
    CreateAlways,  // creates or truncates
    OpenAlways,    // opens or creates
};
enum class SeekOrigin { Begin, Current, End };

class File {
  public:
    File() = default;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    ~File();

    // Opens a Windows path. Check IsOpen(); Error() tells why it failed.
    static File Open(std::string_view path, Access access, Share share,
                     Disposition disposition = Disposition::OpenExisting);
    // Opens a host path that is already resolved (same rules).
    static File OpenHost(std::string_view hostPath, Access access, Share share,
                         Disposition disposition = Disposition::OpenExisting);
    // Takes over a descriptor of a file the caller created itself (no sharing markers are taken);
    // hostPath names where the file lies, which decides a virtual floppy's capacity.
    static File Adopt(int fd, std::string_view hostPath);

    bool IsOpen() const { return fd_ >= 0; }
    HostError Error() const { return error_; }

    // Reads up to count bytes; returns the bytes read (0 at the end), -1 on error.
    int64_t Read(void* buffer, size_t count);
    // Reads until count bytes are read or the end is reached; returns the bytes read, -1 on error.
    int64_t ReadFull(void* buffer, size_t count);
    // Writes count bytes; returns the bytes written, fewer (with Error() DiskFull) when the disk is
    // full, -1 on error.
    int64_t Write(const void* buffer, size_t count);
    // Moves the position; returns the new position, -1 on error (the position is then unchanged).
    int64_t Seek(int64_t offset, SeekOrigin origin = SeekOrigin::Begin);
    int64_t Position() const;
    int64_t Size() const;
    // Cuts or extends the file to the current position.
    bool Truncate();
    bool SetSize(int64_t size);
    // Writes the data to the disk.
    bool Sync();

    // The file's modification time as MS-DOS date and time (local time); 0 on error.
    uint32_t GetDosDateTime() const;
    bool SetDosDateTime(uint32_t dosDateTime);

    void Close();

    const std::string& HostPath() const { return hostPath_; }
    int NativeHandle() const { return fd_; }

  private:
    bool Fail(HostError error);

    int fd_ = -1;
    HostError error_ = HostError::None;
    std::string hostPath_;
    // Set for files on a virtual floppy: writes are limited to the disk's capacity.
    std::string floppyDiskFolder_;
};

}  // namespace ruvu::platform
