// Moving a run of bytes from one open file to another at their current positions, as a read into a
// buffer and a write of what was read, with the counts of both. Where the destination lies on a disk
// of the host itself, the kernel copies the bytes without the trip through the buffer; whenever it
// cannot, and on any error, the rest goes through the buffer, so an input error, a full disk and a
// floppy's capacity show exactly as they would with read and write.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/File.h"

namespace ruvu {

struct ChunkResult {
    int64_t read = 0;     // bytes taken from the input; -1 when reading failed
    int64_t written = 0;  // bytes the output took; fewer than read when writing failed
};

class ChunkCopier {
  public:
    // destination names the output file (a Windows path): its drive decides whether the kernel may
    // copy. buffer must hold bufferSize bytes and outlive the copier.
    ChunkCopier(std::string_view destination, char* buffer, size_t bufferSize);

    // Copies up to count bytes (at most bufferSize when going through the buffer); fewer are read only
    // at the end of the input or on an error.
    ChunkResult Copy(platform::File& in, platform::File& out, size_t count);

  private:
    ChunkResult CopyThroughBuffer(platform::File& in, platform::File& out, size_t count);

    bool kernelCopy_;
    char* buffer_;
    size_t bufferSize_;
};

}  // namespace ruvu
