#include "splitter/ChunkCopy.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/Drives.h"

namespace ruvu {

namespace {

// A virtual floppy counts its capacity in the host layer's writes, so its files are written only
// through them.
bool KernelMayCopyTo(std::string_view destination) {
    std::string full = platform::ExpandFileName(destination);
    const platform::DriveMapping* drive = full.empty() ? nullptr : platform::FindDrive(full[0]);
    return drive != nullptr && drive->kind != platform::DriveKind::Floppy;
}

}  // namespace

ChunkCopier::ChunkCopier(std::string_view destination, char* buffer, size_t bufferSize)
    : kernelCopy_(KernelMayCopyTo(destination)), buffer_(buffer), bufferSize_(bufferSize) {}

ChunkResult ChunkCopier::Copy(platform::File& in, platform::File& out, size_t count) {
    ChunkResult result;
    while (kernelCopy_ && static_cast<size_t>(result.read) < count) {
        ssize_t n = copy_file_range(in.NativeHandle(), nullptr, out.NativeHandle(), nullptr,
                                    count - static_cast<size_t>(result.read), 0);
        if (n > 0) {
            result.read += n;
            result.written += n;
            continue;
        }
        if (n == 0) {
            return result;  // end of the input
        }
        if (errno == EINTR) {
            continue;
        }
        // A kernel or file system that cannot copy this pair keeps the buffer from now on; any other
        // error is left for read and write to report.
        if (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP || errno == EBADF) {
            kernelCopy_ = false;
        }
        break;
    }
    if (static_cast<size_t>(result.read) == count) {
        return result;
    }
    ChunkResult rest = CopyThroughBuffer(in, out, count - static_cast<size_t>(result.read));
    if (rest.read < 0) {
        return rest;
    }
    result.read += rest.read;
    result.written += std::max<int64_t>(rest.written, 0);
    return result;
}

ChunkResult ChunkCopier::CopyThroughBuffer(platform::File& in, platform::File& out, size_t count) {
    ChunkResult result;
    const size_t want = std::min(count, bufferSize_);
    result.read = in.ReadFull(buffer_, want);
    if (result.read <= 0) {
        return result;
    }
    result.written = out.Write(buffer_, static_cast<size_t>(result.read));
    return result;
}

}  // namespace ruvu
