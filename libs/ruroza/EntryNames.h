// An entry's names: the one the engine's listing shows (decoded by the zip format layer's one rule,
// "\" separators), and the relative path it is written to below the base folder, made safe.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "libs/common/ArchiveReader.h"

namespace ruvu::ruroza {

// The name as the listing shows it: decoded to UTF-8, every "/" made "\".
std::string ListedName(const libcommon::ArchiveEntry& entry);

struct TargetName {
    std::vector<std::string> components;  // folders and the file name, never "", "." or ".."
    bool isFolder = false;                // the entry is a folder
    bool changed = false;                 // the name was made safe: it is written under another one
    std::string problem;                  // why the name cannot be written at all (empty when it can)

    // The components joined with "\".
    std::string Relative() const;
};

// Whether a symbolic link at components (a path below the base folder) to target, which is taken from
// the link's own folder, stays inside the base folder: a relative target whose ".." never rise above
// the base. An empty target, or one with a NUL, does not.
bool LinkStaysInside(const std::vector<std::string>& components, std::string_view target);

// The target of a listed name: with keepFolders the stored folders are kept, otherwise only the last
// component. Drives, leading separators, "." and ".." are dropped, and each component is made a name
// every host holds (control characters as "_", no trailing dots or blanks, "_" before a device name
// such as CON or COM1, an over-long name cut keeping its extension); changed tells the caller to report
// the new name. A name with a NUL, or with nothing left after cleaning, gets a problem. isFolder: the
// entry is a folder (by its attributes or a trailing separator).
TargetName MakeTargetName(std::string_view listedName, bool isFolder, bool keepFolders);

}  // namespace ruvu::ruroza
