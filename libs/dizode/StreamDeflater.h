// Deflates a file streamed from disk on several threads: input is gathered into a window of one block
// per thread, the blocks are deflated side by side with zlib, each primed with the 32 KiB before it as
// its preset dictionary and ended with a sync flush (byte-aligned, no final bit), the file's last block
// with the end of the stream. Joined in order they are one deflate stream, within a few hundred bytes of
// what one zlib stream makes of the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ruvu::dizode {

class StreamDeflater {
  public:
    StreamDeflater(int level, unsigned threads);
    // Takes input; out gets the compressed bytes ready to be written (often none). False when zlib
    // failed.
    bool Add(const uint8_t* data, size_t size, std::vector<uint8_t>& out);
    // Deflates the rest and ends the stream.
    bool Finish(std::vector<uint8_t>& out);

  private:
    bool Deflate(size_t size, bool final, std::vector<uint8_t>& out);

    int level_;
    unsigned threads_;
    std::vector<uint8_t> window_;  // the dictionary (dictionarySize_ bytes), then input not deflated yet
    size_t dictionarySize_ = 0;
};

}  // namespace ruvu::dizode
