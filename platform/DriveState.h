// The process-wide drive state behind Drives.h (not part of the host layer's interface).
#pragma once

#include <array>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Drives.h"

namespace ruvu::platform::detail {

struct DriveState {
    std::recursive_mutex mutex;
    bool loaded = false;
    std::vector<DriveMapping> map;
    char current = 'C';
    // Current folder of each drive without the letter: "\" or "\A\B".
    std::array<std::string, 26> folders;
    // The working directory the state was last brought in step with.
    std::string seenWorkingDirectory;
};

// The state with the map loaded; callers lock its mutex around every use.
DriveState& LockedDriveState(std::unique_lock<std::recursive_mutex>& lock);

// Parses a RUVUVADU_DRIVES value; every malformed item is passed to report with the reason.
std::vector<DriveMapping> ParseDriveMap(std::string_view text,
                                        void (*report)(std::string_view item, std::string_view reason));

// The host folder holding a drive's files: the mapped folder, or for a floppy changer the folder of
// the inserted disk. Fails with NotReady (no disk, removable medium missing) or GenFailure
// (unformatted disk).
std::optional<std::string> MediumFolder(const DriveMapping& drive, HostError* error);

// A Windows path resolved onto its drive's medium.
struct ResolvedPath {
    const DriveMapping* drive = nullptr;
    std::string windowsPath;  // ExpandFileName's result
    std::string medium;       // MediumFolder of the drive
    std::string hostPath;
};
std::optional<ResolvedPath> Resolve(std::string_view path, HostError* error);

// The drive a path is on (its letter, or the current drive); InvalidName or PathNotFound otherwise.
const DriveMapping* DriveOfPath(std::string_view path, HostError* error);

// The folder (disks/NAME) of the virtual floppy disk holding a host path, or empty.
std::string FloppyDiskFolderOf(std::string_view hostPath);

}  // namespace ruvu::platform::detail
