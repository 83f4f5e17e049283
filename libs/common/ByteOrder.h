// Little-endian reads and writes for zip records. Every record field goes through these helpers, so
// the byte order never depends on the host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ruvu::libcommon {

inline uint16_t Get16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint64_t Get64(const uint8_t* p) {
    return static_cast<uint64_t>(Get32(p)) | (static_cast<uint64_t>(Get32(p + 4)) << 32);
}
inline void Put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void Put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

// Appends little-endian fields to a byte string (records are built field by field).
class ByteWriter {
  public:
    explicit ByteWriter(std::string& out) : out_(out) {}
    ByteWriter& U8(uint8_t v) {
        out_.push_back(static_cast<char>(v));
        return *this;
    }
    ByteWriter& U16(uint16_t v) {
        uint8_t b[2];
        Put16(b, v);
        out_.append(reinterpret_cast<const char*>(b), 2);
        return *this;
    }
    ByteWriter& U32(uint32_t v) {
        uint8_t b[4];
        Put32(b, v);
        out_.append(reinterpret_cast<const char*>(b), 4);
        return *this;
    }
    ByteWriter& Bytes(std::string_view bytes) {
        out_.append(bytes);
        return *this;
    }

  private:
    std::string& out_;
};

}  // namespace ruvu::libcommon
