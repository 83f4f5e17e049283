// Where an entry lies in the archive being written and how big it is, as full numbers, and how its
// headers carry them: in their 32-bit fields while a value fits, in a ZIP64 block (with the marker
// in the field) once it does not. Only what needs ZIP64 gets it, so archives below the limits are
// written exactly as without it.
#pragma once

#include <cstdint>
#include <string>

#include "zipformat/CentralDirHeader.h"
#include "zipformat/ZipConstants.h"

namespace ruvu::dizode {

struct EntryPlace {
    uint64_t compressedSize = 0;
    uint64_t uncompressedSize = 0;
    uint64_t localHeaderOffset = 0;
    bool localZip64 = false;  // the local header carries both sizes in a ZIP64 block
};

// A value that does not fit its 32-bit field (the marker itself included).
constexpr bool NeedsZip64(uint64_t value) {
    return value >= zip::kZip64Marker32;
}

// Sets the central header's sizes and offset from place: each value that fits in its field, the
// others in a new ZIP64 block put in front of the other blocks, replacing any ZIP64 block the header
// had. Version needed becomes at least 45 when either header of the entry uses ZIP64. The disk field
// is 0: the archive is one file.
void SetCentralPlace(zip::CentralDirEntry& header, const EntryPlace& place);

// The local header of an entry written here: the central header's version, flags, method, time, CRC
// and name with place's sizes and its extra blocks other than ZIP64; with localZip64 the markers, a
// ZIP64 block holding both sizes in front and version 45.
std::string LocalHeaderFor(const zip::CentralDirEntry& header, const EntryPlace& place);

}  // namespace ruvu::dizode
