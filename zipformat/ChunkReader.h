// Sequential reading of a byte source through one large buffer, so that many small records (central
// directory headers and their names) cost one read per chunk instead of three per record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "zipformat/ByteSource.h"

namespace ruvu::zip {

class ChunkReader {
  public:
    // Reads from start, never at or beyond limit. The source must outlive the reader.
    ChunkReader(ByteSource& source, uint64_t start, uint64_t limit = UINT64_MAX,
                size_t chunkSize = 256 * 1024);

    // The next count bytes, valid until the next call; nullptr when the source (or the limit) ends
    // first or a read fails, leaving the position where it was.
    const uint8_t* Next(size_t count);
    // Forgets buffered bytes and goes on from start: the source was reopened or repositioned.
    void Restart(uint64_t start);
    // Position of the next byte Next gives.
    uint64_t Position() const { return filePos_ - (end_ - begin_); }

  private:
    ByteSource& source_;
    uint64_t filePos_;  // where the next read from the source starts
    uint64_t limit_;
    std::vector<uint8_t> buffer_;
    size_t chunkSize_;
    size_t begin_ = 0;
    size_t end_ = 0;
};

}  // namespace ruvu::zip
