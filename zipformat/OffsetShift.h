// Moving an archive within a file. The offsets of an archive count from the start of its file (of
// its disk, in a spanned set), so bytes put in front of it (a self-extracting stub) or taken away
// change every local header offset, the central directory offset and the position of the ZIP64 end
// record by the same amount. Each helper adds a shift to the fields of one record: 32-bit fields
// wrap, a field holding its ZIP64 marker is left alone (its value lives in a ZIP64 record, which is
// shifted instead).
#pragma once

#include <cstdint>

#include "zipformat/CentralDirHeader.h"
#include "zipformat/EndOfCentralDir.h"
#include "zipformat/Zip64EndRecord.h"
#include "zipformat/Zip64Locator.h"

namespace ruvu::zip {

// The local header offset of an entry whose local header lies on disk: in the fixed part, or in the
// ZIP64 extra block when the fixed part holds the marker. Entries of other disks keep their offsets.
void ShiftLocalHeaderOffset(CentralDirEntry& entry, uint32_t disk, int64_t shift);
// The local header offset as a number: the fixed part's, or the ZIP64 extra block's when the fixed
// part holds the marker (the marker itself when the block does not hold the value).
uint64_t LocalHeaderOffsetOf(const CentralDirEntry& entry);
// The disk of the local header: the fixed part's, or the ZIP64 extra block's.
uint32_t LocalHeaderDiskOf(const CentralDirEntry& entry);

void ShiftCentralDirOffset(EndOfCentralDir& record, int64_t shift);
void ShiftCentralDirOffset(Zip64EndRecord& record, int64_t shift);
void ShiftZip64EndRecordOffset(Zip64Locator& locator, int64_t shift);

}  // namespace ruvu::zip
