// Host-side path helpers shared inside the host layer (not part of its interface).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "HostError.h"

namespace ruvu::platform::detail {

// Longest name a host folder entry may have, in bytes.
inline constexpr size_t kMaxNameBytes = 255;

// The process's working directory; nullopt when it is gone.
std::optional<std::string> WorkingDirectory();
// True for an existing folder, and for an existing entry that is not a folder (links followed).
bool IsHostFolder(const std::string& path);
bool IsHostFile(const std::string& path);

// "/a//b/./c/../d/" -> "/a/b/d" without touching the file system; ".." stops at "/".
std::string NormalizeHostPath(std::string_view path);
// Appends a name to a host folder with one "/".
std::string JoinHostPath(std::string_view folder, std::string_view name);
// True when path is folder or lies below it (both normalised, absolute).
bool IsInsideFolder(std::string_view path, std::string_view folder);
// The physical path: symbolic links of the existing part followed (also dangling ones, to where they
// point), the missing rest kept as written. nullopt on a link loop or an unreadable folder.
std::optional<std::string> CanonicalHostPath(std::string_view path);

// The entry of a host folder whose name equals name ignoring letter case (TextCase.h): the exact name
// when it exists, else the first match in byte order. nullopt when there is none.
// Folders are indexed by folded name, so that creating many files in one folder does not read the
// whole folder for every new name. An index is used while the folder's modification time is the one
// it was built at (entries this layer creates are added as they come) and rebuilt at least once a
// second, so an entry another process adds at the same moment is missed for a second at most.
std::optional<std::string> FindNameIgnoringCase(const std::string& folder, std::string_view name);
// Tells the folder index about an entry this layer has just created (a file, folder or rename target).
void NoteNewEntry(const std::string& hostPath);
// A file (not a folder) of a host folder, its name matched ignoring case. Folders on a mapped drive
// are looked up through the drive map, so its rules hold; others directly.
std::optional<std::string> FindFileInHostFolder(const std::string& folder, std::string_view name);

// The folder holding the program's file, as a host path.
std::string ProgramHostFolder();
// A file on the search path (program folder, current folder, PATH) or with a folder part, as a host
// path; files only, names matched ignoring case.
std::optional<std::string> SearchHostPath(std::string_view fileName);

// The host path as a Windows path: through the drive map, else with "/" turned into "\".
std::string HostToWindowsPathOrRaw(std::string_view hostPath);

// The first line of a small text file without its line end; nullopt when it cannot be read.
std::optional<std::string> ReadFirstLine(const std::string& path);
// Replaces a small file's content through a temporary file and a rename, so readers never see half.
bool WriteFileAtomically(const std::string& path, std::string_view content, HostError* error = nullptr);

// Sum of the sizes of the regular files below a host folder (links not followed).
uint64_t FolderBytes(const std::string& folder);

// Stores error when the caller asked for it; returns false for use in return statements.
inline bool SetError(HostError* out, HostError error) {
    if (out != nullptr) {
        *out = error;
    }
    return error == HostError::None;
}
inline bool SetErrno(HostError* out, int err) {
    return SetError(out, HostErrorFromErrno(err));
}

}  // namespace ruvu::platform::detail
