// Sequential reading of a file through one large buffer, so that many small records (central
// directory headers and their names) cost one system call per chunk instead of three per record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/File.h"

namespace ruvu {

class ChunkReader {
  public:
    // Reads from the file's current position; the file object must outlive the reader.
    explicit ChunkReader(platform::File& file, size_t chunkSize = 256 * 1024);

    // The next count bytes, valid until the next call; nullptr when the file ends (or fails) first,
    // leaving the position where it was.
    const uint8_t* Next(size_t count);
    // Forgets buffered bytes: the file was reopened or repositioned.
    void Restart() { begin_ = end_ = 0; }

  private:
    platform::File& file_;
    std::vector<uint8_t> buffer_;
    size_t chunkSize_;
    size_t begin_ = 0;
    size_t end_ = 0;
};

}  // namespace ruvu
