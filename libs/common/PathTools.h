// Path helpers both libraries share: turning a path into the form stored in an archive, making a
// stored name safe to create below a base folder, and resolving record paths against a base folder.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/HostError.h"

namespace ruvu::libcommon {

// The stored form of a path: its clean components, ".." resolved, joined with "/"
// ("C:\A\..\B\x.txt" gives "B/x.txt"); a trailing separator is kept as "/" when keepTrailingSlash.
std::string StoredPath(std::string_view path, bool keepTrailingSlash = false);

// A stored entry name made safe for creating below a base folder: the clean components joined with
// "\"; unsafe is set when anything that could lead outside the base was removed.
struct SafeName {
    std::string relative;  // empty when nothing usable is left
    bool unsafe = false;
    bool isFolder = false;  // the name ended with a separator
};
SafeName MakeSafeName(std::string_view entryName);

// The full Windows path of a path taken relative to baseFolder (a full Windows path) when it has no
// drive and no leading separator, else relative to the current directory as Windows does. Empty when
// the path is invalid.
std::string FullPathFrom(std::string_view path, std::string_view baseFolder);

// The host path of a Windows path (platform::ResolveHostPath).
std::optional<std::string> HostPathOf(std::string_view windowsPath, platform::HostError* error = nullptr);

}  // namespace ruvu::libcommon
