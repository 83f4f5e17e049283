// The ZIP64 end of central directory locator: directly in front of the end record, it says where the
// ZIP64 end record lies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "zipformat/ByteOrder.h"

namespace ruvu::zip {

struct Zip64Locator {
    static constexpr uint32_t kSignature = 0x07064B50;  // "PK", 6, 7
    static constexpr size_t kSize = 20;

    Le32 Signature{kSignature};  // 0
    Le32 EndRecordDisk{};        // 4: disk of the ZIP64 end record
    Le64 EndRecordOffset{};      // 8: its position on that disk
    Le32 TotalDisks{1};          // 16

    // The record at the start of bytes; nullopt when fewer than kSize bytes are given. The signature
    // is read like any other field: callers check it.
    static std::optional<Zip64Locator> Read(std::span<const uint8_t> bytes) {
        return ReadRecord<Zip64Locator>(bytes);
    }
    bool Write(std::span<uint8_t> out) const { return WriteRecord(*this, out); }
    void AppendTo(std::string& out) const { AppendRecord(*this, out); }
};

static_assert(sizeof(Zip64Locator) == Zip64Locator::kSize);
static_assert(offsetof(Zip64Locator, Signature) == 0);
static_assert(offsetof(Zip64Locator, EndRecordDisk) == 4);
static_assert(offsetof(Zip64Locator, EndRecordOffset) == 8);
static_assert(offsetof(Zip64Locator, TotalDisks) == 16);

}  // namespace ruvu::zip
