// Little-endian reading and writing of zip record fields. Every field goes through these helpers or
// the LittleEndian field type, so the byte order never depends on the host.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

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

// An integer field of a zip record: its bytes as they lie in the file, little-endian, read and
// assigned as a value. Its alignment is 1, so a record made of such fields has exactly the layout of
// the file, and nothing that takes a field by reference (std::min, a test's EXPECT_EQ) ever meets a
// misaligned integer.
template <class T>
class LittleEndian {
  public:
    LittleEndian() = default;
    explicit LittleEndian(T value) { Set(value); }
    operator T() const {
        T value = 0;
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(&value, bytes_, sizeof value);
        } else {
            for (size_t i = sizeof(T); i-- > 0;) {
                value = static_cast<T>(value << 8 | bytes_[i]);
            }
        }
        return value;
    }
    LittleEndian& operator=(T value) {
        Set(value);
        return *this;
    }
    LittleEndian& operator|=(T bits) { return *this = static_cast<T>(T{*this} | bits); }
    LittleEndian& operator&=(T bits) { return *this = static_cast<T>(T{*this} & bits); }

  private:
    void Set(T value) {
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(bytes_, &value, sizeof value);
        } else {
            for (size_t i = 0; i < sizeof(T); ++i) {
                bytes_[i] = static_cast<uint8_t>(value >> (8 * i));
            }
        }
    }
    uint8_t bytes_[sizeof(T)];
};
using Le16 = LittleEndian<uint16_t>;
using Le32 = LittleEndian<uint32_t>;
using Le64 = LittleEndian<uint64_t>;

// Reading and writing a whole record (any record type of this folder): its fixed part is the bytes
// as they lie in the file. Read gives nullopt and Write false (writing nothing) when fewer than
// Record::kSize bytes are there.
template <class Record>
std::optional<Record> ReadRecord(std::span<const uint8_t> bytes) {
    static_assert(sizeof(Record) == Record::kSize && alignof(Record) == 1 &&
                  std::is_trivially_copyable_v<Record>);
    if (bytes.size() < Record::kSize) {
        return std::nullopt;
    }
    Record record;
    std::memcpy(&record, bytes.data(), Record::kSize);
    return record;
}
template <class Record>
bool WriteRecord(const Record& record, std::span<uint8_t> out) {
    if (out.size() < Record::kSize) {
        return false;
    }
    std::memcpy(out.data(), &record, Record::kSize);
    return true;
}
template <class Record>
void AppendRecord(const Record& record, std::string& out) {
    out.append(reinterpret_cast<const char*>(&record), Record::kSize);
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
