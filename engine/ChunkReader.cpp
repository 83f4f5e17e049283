#include "engine/ChunkReader.h"

#include <algorithm>
#include <cstring>

namespace ruvu {

ChunkReader::ChunkReader(platform::File& file, size_t chunkSize) : file_(file), chunkSize_(chunkSize) {}

const uint8_t* ChunkReader::Next(size_t count) {
    if (end_ - begin_ < count) {
        // Keep the unread bytes, then fill up to at least count bytes with whole chunks.
        const size_t kept = end_ - begin_;
        const size_t needed = std::max(count, chunkSize_);
        if (buffer_.size() < needed) {
            std::vector<uint8_t> larger(needed);
            if (kept > 0) {
                std::memcpy(larger.data(), buffer_.data() + begin_, kept);
            }
            buffer_.swap(larger);
        } else if (kept > 0) {
            std::memmove(buffer_.data(), buffer_.data() + begin_, kept);
        }
        begin_ = 0;
        end_ = kept;
        while (end_ < count) {
            const int64_t got = file_.Read(buffer_.data() + end_, buffer_.size() - end_);
            if (got <= 0) {
                return nullptr;
            }
            end_ += static_cast<size_t>(got);
        }
    }
    const uint8_t* at = buffer_.data() + begin_;
    begin_ += count;
    return at;
}

}  // namespace ruvu
