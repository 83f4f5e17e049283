#include "zipformat/DataDescriptor.h"

#include "zipformat/ByteOrder.h"

namespace ruvu::zip {

std::optional<DataDescriptor> DataDescriptor::Read(std::span<const uint8_t> bytes) {
    if (bytes.size() < kSize) {
        return std::nullopt;
    }
    const uint8_t* p = bytes.data();
    DataDescriptor r;
    r.Signature = GetU32(p + offsetof(DataDescriptor, Signature));
    r.Crc32 = GetU32(p + offsetof(DataDescriptor, Crc32));
    r.CompressedSize = GetU32(p + offsetof(DataDescriptor, CompressedSize));
    r.UncompressedSize = GetU32(p + offsetof(DataDescriptor, UncompressedSize));
    return r;
}

bool DataDescriptor::Write(std::span<uint8_t> out) const {
    if (out.size() < kSize) {
        return false;
    }
    uint8_t* p = out.data();
    PutU32(p + offsetof(DataDescriptor, Signature), Signature);
    PutU32(p + offsetof(DataDescriptor, Crc32), Crc32);
    PutU32(p + offsetof(DataDescriptor, CompressedSize), CompressedSize);
    PutU32(p + offsetof(DataDescriptor, UncompressedSize), UncompressedSize);
    return true;
}

}  // namespace ruvu::zip
