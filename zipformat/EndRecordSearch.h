// Finding where an archive is: the end record, searched backwards from the end of the file, and the
// central directory it points to, also through the ZIP64 records in front of it. The listing and both
// libraries find archives through this one search, so they always agree on where an archive is.
#pragma once

#include <cstdint>
#include <string>

#include "zipformat/ByteSource.h"
#include "zipformat/EndOfCentralDir.h"

namespace ruvu::zip {

// Where the central directory lies: as the end record says, and for each of its fields that holds
// the ZIP64 marker, as the ZIP64 end record in front of it says.
struct CentralDirLocation {
    uint32_t ThisDisk = 0;
    uint32_t StartDisk = 0;  // disk on which the directory starts
    uint64_t EntriesThisDisk = 0;
    uint64_t TotalEntries = 0;
    uint64_t Size = 0;
    uint64_t Offset = 0;  // as stored: from the start of the disk on which it starts
    // File position where the directory ends: the ZIP64 end record when one was found, else the end
    // record. Counting back Size from here finds the directory also behind a stub the stored offset
    // does not count.
    uint64_t End = 0;
    bool HasLocator = false;      // a ZIP64 locator lies directly in front of the end record
    bool HasZip64Record = false;  // and the ZIP64 end record was found, ending at the locator
};

// Reads the ZIP64 records in front of the end record at endRecordPos, if there are any; a failed
// read counts as no record. The ZIP64 end record is looked for where the locator says, then directly
// in front of the locator (where it is when a stub shifted the archive).
CentralDirLocation LocateCentralDir(ByteSource& source, uint64_t endRecordPos, const EndOfCentralDir& record);

struct EndRecordLocation {
    uint64_t Offset = 0;  // file position of the end record
    EndOfCentralDir Record;
    std::string Comment;  // as stored; cut short where the file ends first
    // Offset + 22 + the record's comment length: where the archive ends (beyond the end of the file
    // when the comment is cut short).
    uint64_t ArchiveEnd = 0;
    std::string Trailing;  // the bytes after ArchiveEnd up to the end of the file
    CentralDirLocation Directory;
    // The record met the fitting rule below, rather than being taken as the highest signature.
    bool Fits = false;
};

enum class EndRecordSearch { Found, NotFound, ReadFailed };

// Searches the last EndOfCentralDir::kMaxSize bytes of a source of fileSize bytes backwards for end
// record signatures. Of several, the one whose comment ends exactly at the end of the file and whose
// central directory lies where the record says is taken (so a comment holding a complete end record
// does not hide the archive): the highest whose directory lies at its stored offset, else the highest
// whose directory is found counting back from the record (a stub in front that the offsets do not
// count). When none fits, the highest signature of all is taken, with the bytes after it as
// Trailing. ReadFailed when the window cannot be read.
EndRecordSearch FindEndRecord(ByteSource& source, uint64_t fileSize, EndRecordLocation& found);

}  // namespace ruvu::zip
