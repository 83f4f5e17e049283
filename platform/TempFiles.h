// The temporary folder and unique temporary names.
#pragma once

#include <string>
#include <string_view>

#include "File.h"
#include "HostError.h"

namespace ruvu::platform {

// TMPDIR, or /tmp, as a Windows path with a trailing "\".
std::string GetTempPath();

// Creates a unique empty file PREFIX + hexadecimal number + ".TMP" in folder (a Windows path) and
// returns its full Windows path; only the first three characters of prefix are used, as on Windows.
// Unique also when several processes ask at once (the file is created exclusively). Empty on failure.
std::string GetTempFileName(std::string_view folder, std::string_view prefix, HostError* error = nullptr);

// As GetTempFileName with extension (".zip") in place of ".TMP", and the new file left open in file
// for writing, denying every other open: the file is this caller's own, never one that was there.
std::string CreateTempFile(std::string_view folder, std::string_view prefix, std::string_view extension,
                           File& file, HostError* error = nullptr);

// Where a program keeps the files it would write beside itself (a Windows path with a trailing "\"):
// folder when this process may write there and it lies outside /usr, else the user's cache folder for the
// program, $XDG_CACHE_HOME/program or ~/.cache/program, created when missing. When no cache folder can be
// made, folder is returned: the write there says why.
std::string WritableFolderOrUserCache(std::string_view folder, std::string_view program);

}  // namespace ruvu::platform
