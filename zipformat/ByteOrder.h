// Little-endian reading and writing of zip record fields. Every field goes through these helpers, so
// the byte order never depends on the host.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace ruvu::zip {

inline uint16_t GetU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
inline uint32_t GetU32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
inline uint64_t GetU64(const uint8_t* p) {
    return uint64_t{GetU32(p)} | uint64_t{GetU32(p + 4)} << 32;
}
inline void PutU16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutU32(uint8_t* p, uint32_t v) {
    PutU16(p, static_cast<uint16_t>(v));
    PutU16(p + 2, static_cast<uint16_t>(v >> 16));
}
inline void PutU64(uint8_t* p, uint64_t v) {
    PutU32(p, static_cast<uint32_t>(v));
    PutU32(p + 4, static_cast<uint32_t>(v >> 32));
}

// The bytes of a text, for the record readers.
inline std::span<const uint8_t> AsBytes(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}
// The bytes as a text view (names, extra fields and comments are kept in strings).
inline std::string_view AsText(std::span<const uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// Appends the fixed part of a record (any record type of this folder) as its Write lays it out.
template <class Record>
void AppendRecord(const Record& record, std::string& out) {
    uint8_t bytes[Record::kSize];
    record.Write(bytes);
    out.append(reinterpret_cast<const char*>(bytes), Record::kSize);
}

// Appends little-endian fields to a byte string.
class ByteWriter {
  public:
    explicit ByteWriter(std::string& out) : out_(out) {}
    ByteWriter& U8(uint8_t v) {
        out_.push_back(static_cast<char>(v));
        return *this;
    }
    ByteWriter& U16(uint16_t v) {
        uint8_t b[2];
        PutU16(b, v);
        return Raw(b, sizeof b);
    }
    ByteWriter& U32(uint32_t v) {
        uint8_t b[4];
        PutU32(b, v);
        return Raw(b, sizeof b);
    }
    ByteWriter& U64(uint64_t v) {
        uint8_t b[8];
        PutU64(b, v);
        return Raw(b, sizeof b);
    }
    ByteWriter& Bytes(std::string_view bytes) {
        out_.append(bytes);
        return *this;
    }

  private:
    ByteWriter& Raw(const uint8_t* bytes, size_t count) {
        out_.append(reinterpret_cast<const char*>(bytes), count);
        return *this;
    }
    std::string& out_;
};

}  // namespace ruvu::zip
