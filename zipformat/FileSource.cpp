#include "zipformat/FileSource.h"

#include <cstdint>

namespace ruvu::zip {

int64_t FileSource::ReadAt(uint64_t pos, void* buffer, size_t count) {
    if (pos > static_cast<uint64_t>(INT64_MAX) || file_.Seek(static_cast<int64_t>(pos)) < 0) {
        return -1;
    }
    return file_.ReadFull(buffer, count);
}

}  // namespace ruvu::zip
