// The time and permissions an extracted file or folder gets from its entry: the extended timestamp
// (extra field 0x5455) when present, since it is exact, else the MS-DOS time; the permission bits of
// entries made on Unix (never set-uid, set-gid or sticky); the read-only attribute of the others.
#pragma once

#include <string_view>

#include "libs/ruroza/TargetTree.h"
#include "zipformat/CentralDirHeader.h"

namespace ruvu::ruroza {

// localExtra is the local header's extra field (the central one may lack the time).
Stamp EntryStamp(const zip::CentralDirEntry& header, std::string_view localExtra);

// An entry made on Unix that holds a symbolic link (its data is the link's target).
bool IsSymbolicLink(const zip::CentralDirEntry& header);

}  // namespace ruvu::ruroza
