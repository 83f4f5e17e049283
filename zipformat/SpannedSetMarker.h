// The marker that opens the first part of a spanned set: the data descriptor's signature directly
// followed by the first local header. Offsets in such a set count the marker as part of disk 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "zipformat/ByteOrder.h"
#include "zipformat/DataDescriptor.h"
#include "zipformat/LocalFileHeader.h"

namespace ruvu::zip {

inline constexpr uint32_t kSpannedSetMarker = DataDescriptor::kSignature;
inline constexpr size_t kSpannedSetMarkerSize = 4;

// Whether the first bytes of a file are the marker and a local header's signature (8 bytes needed).
inline bool StartsSpannedSet(std::span<const uint8_t> first) {
    return first.size() >= 8 && GetU32(first.data()) == kSpannedSetMarker &&
           GetU32(first.data() + 4) == LocalFileHeader::kSignature;
}

}  // namespace ruvu::zip
