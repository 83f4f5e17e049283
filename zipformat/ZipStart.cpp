#include "zipformat/ZipStart.h"

#include <algorithm>

#include "zipformat/CentralDirWalk.h"
#include "zipformat/ChunkReader.h"
#include "zipformat/OffsetShift.h"

namespace ruvu::zip {

int64_t Displacement(const CentralDirLocation& directory) {
    return static_cast<int64_t>(directory.End - directory.Size - directory.Offset);
}

std::optional<uint64_t> FindZipStart(ByteSource& source, const EndRecordLocation& end) {
    const CentralDirLocation& dir = end.Directory;
    const uint64_t directoryStart = dir.End - std::min(dir.Size, dir.End);
    if (dir.EntriesThisDisk == 0) {
        return directoryStart;
    }
    const int64_t displacement = Displacement(dir);
    ChunkReader in(source, directoryStart, dir.End);
    CentralDirEntry entry;
    std::optional<uint64_t> first;
    for (uint64_t i = 0; i < dir.EntriesThisDisk; ++i) {
        if (ReadCentralEntry(in, entry) != CentralEntryError::None) {
            return std::nullopt;
        }
        if (LocalHeaderDiskOf(entry) != dir.ThisDisk) {
            continue;
        }
        const int64_t at = static_cast<int64_t>(LocalHeaderOffsetOf(entry)) + displacement;
        if (at >= 0 && (!first || static_cast<uint64_t>(at) < *first)) {
            first = static_cast<uint64_t>(at);
        }
    }
    return first ? *first : directoryStart;
}

}  // namespace ruvu::zip
