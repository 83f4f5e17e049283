// Where the zip part of a file starts: behind a self-extracting stub, or at 0 for a plain archive.
// An archive appended to a stub may count its offsets from the start of the file (they were shifted)
// or from its own start (plain concatenation); the displacement tells which, and so where the
// recorded offsets really point.
#pragma once

#include <cstdint>
#include <optional>

#include "zipformat/ByteSource.h"
#include "zipformat/EndRecordSearch.h"

namespace ruvu::zip {

// Where the central directory really lies minus where the end record (or ZIP64 end record) says it
// lies: 0 for an archive whose offsets count from the start of the file, the stub's size for one
// concatenated to a stub unchanged. Add it to a recorded offset to get the file position.
int64_t Displacement(const CentralDirLocation& directory);

// The file position of the first local header of this disk (the smallest recorded local header
// offset of the disk's entries, displaced), the directory's position when no entry of this disk has
// one, the end of the directory for an archive without entries on this disk. nullopt when a central
// header of the disk cannot be read.
std::optional<uint64_t> FindZipStart(ByteSource& source, const EndRecordLocation& end);

}  // namespace ruvu::zip
