#include "zipformat/ChunkReader.h"

#include <algorithm>
#include <cstring>

namespace ruvu::zip {

ChunkReader::ChunkReader(ByteSource& source, uint64_t start, uint64_t limit, size_t chunkSize)
    : source_(source), filePos_(start), limit_(limit), chunkSize_(chunkSize) {}

void ChunkReader::Restart(uint64_t start) {
    filePos_ = start;
    begin_ = end_ = 0;
}

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
            const uint64_t allowed = limit_ > filePos_ ? limit_ - filePos_ : 0;
            const size_t want = static_cast<size_t>(std::min<uint64_t>(buffer_.size() - end_, allowed));
            const int64_t got = want == 0 ? 0 : source_.ReadAt(filePos_, buffer_.data() + end_, want);
            if (got <= 0) {
                return nullptr;
            }
            end_ += static_cast<size_t>(got);
            filePos_ += static_cast<uint64_t>(got);
        }
    }
    const uint8_t* at = buffer_.data() + begin_;
    begin_ += count;
    return at;
}

}  // namespace ruvu::zip
