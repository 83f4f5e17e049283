// Archives built byte by byte for the cases no peer tool writes: unsafe names, lying sizes, wrong
// CRCs, unknown methods, ZIP64 markers, broken data.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ruvu::ruroza::test {

struct CraftedEntry {
    CraftedEntry(std::string entryName, std::string bytes = {})
        : name(std::move(entryName)), data(std::move(bytes)) {}

    // Setters for the cases, chained: CraftedEntry("a.txt", "x").Stored().Host(0).
    CraftedEntry& Stored() { return deflate = false, *this; }
    CraftedEntry& Host(uint8_t value) { return host = value, *this; }
    CraftedEntry& Attributes(uint32_t value) { return externalAttributes = value, *this; }
    CraftedEntry& Mode(uint32_t unixMode) { return externalAttributes = unixMode << 16, *this; }
    CraftedEntry& Flags(uint16_t value) { return extraFlags = value, *this; }
    CraftedEntry& Method(uint16_t value) { return method = value, *this; }
    CraftedEntry& Crc(uint32_t value) { return crc = value, *this; }
    CraftedEntry& Size(uint32_t value) { return uncompressedSize = value, *this; }
    CraftedEntry& PackedSize(uint32_t value) { return compressedSize = value, *this; }
    CraftedEntry& Bytes(std::string value) { return stored = std::move(value), *this; }
    CraftedEntry& Descriptor() { return descriptor = true, *this; }
    CraftedEntry& Extra(std::string value) { return centralExtra = std::move(value), *this; }

    std::string name;
    std::string data;  // the file's bytes
    bool deflate = true;
    uint8_t host = 3;                          // Unix
    uint32_t externalAttributes = 0x81A40000;  // -rw-r--r--
    uint32_t dosDateTime = 0x5A8C6000;         // 2025-04-12 12:00:00
    uint16_t extraFlags = 0;                   // ORed into the flags
    std::optional<uint16_t> method;            // overrides the method field
    std::optional<uint32_t> crc;               // overrides the CRC
    std::optional<uint32_t> uncompressedSize;
    std::optional<uint32_t> compressedSize;  // in both headers; the stored bytes stay as they are
    std::optional<std::string> stored;       // overrides the stored (compressed) bytes
    bool descriptor = false;                 // flag bit 3, local sizes 0, descriptor with signature
    std::string centralExtra;
};

// Raw deflate of bytes (zlib, level 6).
std::string RawDeflate(const std::string& data);
// The archive's bytes.
std::string BuildZip(const std::vector<CraftedEntry>& entries);

}  // namespace ruvu::ruroza::test
