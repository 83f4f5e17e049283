// Folder listing with Windows wildcard rules.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FileSystem.h"
#include "HostError.h"

namespace ruvu::platform {

struct FindEntry {
    std::string name;         // name as stored on the host
    uint32_t attributes = 0;  // FileAttributes bits
    int64_t size = 0;
    uint32_t dosDateTime = 0;  // modification time, MS-DOS date and time
    int64_t modifiedUnix = 0;  // modification time, seconds since 1970
};

// True when a name matches a Windows wildcard mask: "*" any run of characters, "?" exactly one,
// "*.*" every name (with or without a dot), "*." names without a dot; letter case is
// ignored (TextCase.h).
bool MatchesMask(std::string_view name, std::string_view mask);

// Lists the entries of a folder matching the file-name part of a pattern ("C:\DATA\*.ZIP",
// "SUB\???.zip"). Entries with faHidden, faSysFile or faDirectory are included only when those bits
// are in attributeMask (faAnyFile takes everything); "." and ".." are never listed. The result is in
// byte order of the names. A folder that does not exist gives an empty list and PathNotFound; an
// existing folder without a match gives an empty list and FileNotFound, as Windows reports it.
std::vector<FindEntry> FindFiles(std::string_view pattern, uint32_t attributeMask = faAnyFile,
                                 HostError* error = nullptr);

}  // namespace ruvu::platform
