#include "libs/common/ReadAheadSource.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace ruvu::libcommon {

namespace {

// Up to count bytes at a file position, fewer only where the file ends; -1 on failure. The file's
// own position is left alone.
int64_t ReadFullAt(int fd, uint64_t pos, void* buffer, size_t count) {
    if (fd < 0 || pos > static_cast<uint64_t>(INT64_MAX) - count) {
        return -1;
    }
    auto* bytes = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    while (done < count) {
        const ssize_t n = pread(fd, bytes + done, count - done, static_cast<off_t>(pos + done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return n < 0 ? -1 : static_cast<int64_t>(done);
        }
        done += static_cast<size_t>(n);
    }
    return static_cast<int64_t>(done);
}

}  // namespace

int64_t ReadAheadSource::ReadAt(uint64_t pos, void* buffer, size_t count) {
    if (count > kWindow / 2) {
        return ReadFullAt(file_.NativeHandle(), pos, buffer, count);
    }
    uint8_t* window = window_.Get(kWindow);
    const bool inside = pos >= start_ && pos - start_ <= filled_ && count <= filled_ - (pos - start_);
    if (!inside) {
        const int64_t got = ReadFullAt(file_.NativeHandle(), pos, window, kWindow);
        if (got < 0) {
            filled_ = 0;
            return -1;
        }
        start_ = pos;
        filled_ = static_cast<size_t>(got);
    }
    const size_t offset = static_cast<size_t>(pos - start_);
    const size_t take = std::min(count, filled_ - offset);
    std::memcpy(buffer, window + offset, take);
    return static_cast<int64_t>(take);
}

}  // namespace ruvu::libcommon
