// Random access to the bytes of an archive, so that the search for the end record and the reading of
// the directory work the same on a file of the host layer, a Windows file of the self-extracting
// stub, or bytes in memory.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace ruvu::zip {

class ByteSource {
  public:
    virtual ~ByteSource() = default;
    // The size in bytes; -1 when it cannot be told.
    virtual int64_t Size() = 0;
    // Reads up to count bytes at pos: the number read, fewer only where the data ends; -1 on failure.
    virtual int64_t ReadAt(uint64_t pos, void* buffer, size_t count) = 0;

    // Exactly count bytes at pos, else false.
    bool ReadExactAt(uint64_t pos, void* buffer, size_t count) {
        return ReadAt(pos, buffer, count) == static_cast<int64_t>(count);
    }
};

// Bytes held by the caller, who keeps them alive while the source is used.
class MemorySource : public ByteSource {
  public:
    explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
    int64_t Size() override { return static_cast<int64_t>(bytes_.size()); }
    int64_t ReadAt(uint64_t pos, void* buffer, size_t count) override {
        if (pos >= bytes_.size()) {
            return 0;
        }
        const size_t take = std::min<uint64_t>(count, bytes_.size() - pos);
        std::memcpy(buffer, bytes_.data() + pos, take);
        return static_cast<int64_t>(take);
    }

  private:
    std::string_view bytes_;
};

}  // namespace ruvu::zip
