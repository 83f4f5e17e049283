// Files and folders as a whole, by Windows path. Functions that can fail return false (or nullopt)
// and tell why through the optional error argument.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "HostError.h"

namespace ruvu::platform {

// Windows file attribute bits. faHidden is set for names beginning with "."; faArchive comes from the
// "user.DOSATTRIB" extended attribute ("0x" and the bits in hexadecimal) where the file system has
// them; a file without the attribute counts as changed (faArchive set). A folder is exactly
// faDirectory (plus faHidden, faSymLink) unless an archive bit was stored for it.
enum FileAttributes : uint32_t {
    faReadOnly = 0x01,
    faHidden = 0x02,
    faSysFile = 0x04,
    faVolumeID = 0x08,
    faDirectory = 0x10,
    faArchive = 0x20,
    faSymLink = 0x400,
    faAnyFile = 0x3F,
};
inline constexpr uint32_t kInvalidFileAttributes = 0xFFFFFFFF;

bool FileExists(std::string_view path);  // an existing file, not a folder
bool DirectoryExists(std::string_view path);
// kInvalidFileAttributes when the path does not exist.
uint32_t GetFileAttributes(std::string_view path, HostError* error = nullptr);
// Only faReadOnly (the owner's write bit) and faArchive are stored; the rest are derived.
bool SetFileAttributes(std::string_view path, uint32_t attributes, HostError* error = nullptr);

std::optional<int64_t> GetFileSize(std::string_view path, HostError* error = nullptr);
// Modification time as MS-DOS date and time.
std::optional<uint32_t> FileAge(std::string_view path, HostError* error = nullptr);
bool SetFileAge(std::string_view path, uint32_t dosDateTime, HostError* error = nullptr);

bool CreateDirectory(std::string_view path, HostError* error = nullptr);
// Creates a folder with all its missing parents; true when it exists afterwards.
bool ForceDirectories(std::string_view path, HostError* error = nullptr);
// Removes an empty folder.
bool RemoveDirectory(std::string_view path, HostError* error = nullptr);
// Deletes a file; a folder fails with AccessDenied.
bool DeleteFile(std::string_view path, HostError* error = nullptr);
// Renames or moves a file or folder; an existing target file is replaced only with replaceExisting
// (else AlreadyExists). A change of case only is a rename too. A file moves between file systems as a
// copy and a delete; onto a floppy only when it fits (else DiskFull).
bool RenameFile(std::string_view from, std::string_view to, bool replaceExisting = false,
                HostError* error = nullptr);
// Copies a file with its date and permissions. The target is replaced only once the copy is complete,
// so a copy that fails leaves an existing target as it was; a target reached through a symbolic link
// is written where the link leads. Fails with FileExists when failIfExists and the target exists, and
// with AccessDenied for a read-only target.
bool CopyFile(std::string_view from, std::string_view to, bool failIfExists, HostError* error = nullptr);

// Moves a host file or folder to the desktop trash (GIO). False when no trash can take it.
bool MoveToTrash(std::string_view hostPath, HostError* error = nullptr);
// The shell's delete: to the trash when allowUndo (deleted outright when no trash can take it, and on
// removable and floppy drives, which have none), otherwise deleted. Files and whole folders.
bool ShellDeleteFile(std::string_view path, bool allowUndo, HostError* error = nullptr);

}  // namespace ruvu::platform
