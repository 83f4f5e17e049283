#include "zipformat/Zip64Locator.h"

#include "zipformat/ByteOrder.h"

namespace ruvu::zip {

std::optional<Zip64Locator> Zip64Locator::Read(std::span<const uint8_t> bytes) {
    if (bytes.size() < kSize) {
        return std::nullopt;
    }
    const uint8_t* p = bytes.data();
    Zip64Locator r;
    r.Signature = GetU32(p + offsetof(Zip64Locator, Signature));
    r.EndRecordDisk = GetU32(p + offsetof(Zip64Locator, EndRecordDisk));
    r.EndRecordOffset = GetU64(p + offsetof(Zip64Locator, EndRecordOffset));
    r.TotalDisks = GetU32(p + offsetof(Zip64Locator, TotalDisks));
    return r;
}

bool Zip64Locator::Write(std::span<uint8_t> out) const {
    if (out.size() < kSize) {
        return false;
    }
    uint8_t* p = out.data();
    PutU32(p + offsetof(Zip64Locator, Signature), Signature);
    PutU32(p + offsetof(Zip64Locator, EndRecordDisk), EndRecordDisk);
    PutU64(p + offsetof(Zip64Locator, EndRecordOffset), EndRecordOffset);
    PutU32(p + offsetof(Zip64Locator, TotalDisks), TotalDisks);
    return true;
}

}  // namespace ruvu::zip
