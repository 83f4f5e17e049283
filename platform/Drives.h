// Drives, the current directory and the mapping of Windows paths onto host folders.
//
// RUVUVADU_DRIVES maps letters to host folders as ";"-separated LETTER=SPEC items, where SPEC is
// "/host/dir" (fixed disk), "removable:/host/dir" (a mounted removable medium) or "floppy:/host/dir"
// (a virtual floppy changer, see FloppyChanger.h). Unset or empty, the map is "C=/". A malformed item
// (no "=", not one letter, a folder that is not absolute, a letter mapped a second time) is reported
// once per process on standard error and ignored; when no item is left, no drive is mapped. Letters
// without an item are absent from the logical-drive mask and every path on them fails with
// HostError::PathNotFound.
//
// The host layer keeps one current drive and one current folder per drive (the process-wide state the
// system relies on). The current drive starts as the drive whose host folder holds the process's
// working directory (the longest match), else the first drive of the map. Changing the current folder
// also changes the process's working directory; a working directory changed behind the host layer's
// back is noticed and taken over the next time the current directory is read.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "HostError.h"

namespace ruvu::platform {

enum class DriveKind { Fixed, Removable, Floppy };

struct DriveMapping {
    char letter = 'C';  // upper case
    DriveKind kind = DriveKind::Fixed;
    std::string hostRoot;  // absolute host folder, no trailing "/" (except "/" itself)
};

// Values of GetDriveType, as Windows numbers them.
enum DriveType : uint32_t {
    DRIVE_UNKNOWN = 0,
    DRIVE_NO_ROOT_DIR = 1,
    DRIVE_REMOVABLE = 2,
    DRIVE_FIXED = 3,
    DRIVE_REMOTE = 4,
    DRIVE_CDROM = 5,
    DRIVE_RAMDISK = 6,
};

// The drive map in letter order. Parsed from RUVUVADU_DRIVES on first use.
const std::vector<DriveMapping>& DriveMap();
// Parses RUVUVADU_DRIVES again and resets the current drive and folders (tests change the variable).
void ReloadDriveMap();
// The mapping of a letter (either case), or nullptr.
const DriveMapping* FindDrive(char letter);

// Bit n set for every mapped letter 'A' + n.
uint32_t GetLogicalDrives();
// Type of the drive of a root ("A:\", "A:", "a:\x" all name drive A; "" the current drive).
uint32_t GetDriveType(std::string_view root);

char CurrentDrive();  // upper case
// The current folder of the current drive, "C:\home\u" (a root is "C:\").
std::string GetCurrentDirectory();
// The current folder of one drive; its root when it has never been changed.
std::string GetDriveCurrentDirectory(char letter);
// Changes the current folder: "D:\X" makes D current with folder \X; "D:" only makes D current;
// "SUB" and "..\SUB" are taken relative to the current folder. The folder must exist.
bool SetCurrentDirectory(std::string_view path, HostError* error = nullptr);

// The full Windows path of a path: drive letter, root, "." and ".." applied (".." never rises above
// the root), separators made "\". A trailing separator is kept. Does not touch the file system and
// does not fix case. Invalid input (NUL byte, doubled separator inside the path, "\\server" form,
// unknown drive syntax) gives an empty string.
std::string ExpandFileName(std::string_view path);

// The host path a Windows path stands for. Every existing component is matched ignoring letter case
// by the rules of TextCase.h, so "MENTÉS" finds "mentés" (an exact match wins, then the first name in
// byte order); from the first missing component on, the names are kept as written so that new files
// get them. Fails on invalid input (InvalidName), a component longer than the host allows
// (FilenameTooLong), an unmapped drive (PathNotFound), a floppy drive without a disk (NotReady) or with
// an unformatted one (GenFailure), and on a path that would lead outside the drive's host folder
// through a symbolic link (AccessDenied; also a dangling link that points outside, since creating
// through it would write there).
std::optional<std::string> ResolveHostPath(std::string_view path, HostError* error = nullptr);
// The Windows path of a host path, through the drive whose host folder holds it (the longest match,
// comparing physical paths when a symbolic link is on the way; for a floppy drive, the folder of the
// inserted disk). nullopt when no drive holds it.
std::optional<std::string> HostToWindowsPath(std::string_view hostPath);

struct VolumeInformation {
    std::string label;  // empty on drives without labels
    uint32_t serialNumber = 0;
    std::string fileSystem;  // "FAT" on floppies, else "ext"
};
// Volume information of a drive root. Fails with NotReady without a disk, GenFailure on an
// unformatted virtual floppy.
std::optional<VolumeInformation> GetVolumeInformation(std::string_view root, HostError* error = nullptr);
// Writes a volume label (at most 11 characters are kept). Only virtual floppies have writable labels;
// other drives fail with AccessDenied.
bool SetVolumeLabel(std::string_view root, std::string_view label, HostError* error = nullptr);

// Formats the disk in a drive as far as the host can: an unformatted virtual floppy becomes an empty
// disk without a label. A disk that is formatted already is left as it is, and other drives have no
// format service here; both fail with AccessDenied. An empty drive fails with NotReady.
bool FormatVolume(std::string_view root, HostError* error = nullptr);

struct DiskSpace {
    uint64_t freeBytesAvailable = 0;
    uint64_t totalBytes = 0;
    uint64_t totalFreeBytes = 0;
};
// Free and total bytes of the drive holding a path (statvfs, or the floppy's 1457664 bytes).
std::optional<DiskSpace> GetDiskFreeSpaceEx(std::string_view path, HostError* error = nullptr);

struct DiskGeometry {
    uint32_t sectorsPerCluster = 1;
    uint32_t bytesPerSector = 512;
    uint32_t freeClusters = 0;
    uint32_t totalClusters = 0;
};
// Geometry of the drive holding a path: 512-byte sectors; clusters are the file system's fragments.
std::optional<DiskGeometry> GetDiskFreeSpace(std::string_view path, HostError* error = nullptr);

}  // namespace ruvu::platform
