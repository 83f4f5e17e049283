// Replacing a file so that nobody ever sees half of it and no failure, kill or full disk loses it:
// the one way the system rewrites an archive, writes an extracted file, joins pieces or copies a file.
//
// The new content goes into a temporary file in the target's own folder: an unnamed one (O_TMPFILE)
// where the file system has them, which cannot outlive the process, else a named one
// (".~ruvu" + hex digits + ".tmp") that holds a lock while it lives, so that a later replacement in the
// same folder recognises one a killed process left behind and removes it. Commit gives the new file
// the old one's permission bits, owner and group (where the process may set them), writes it to the
// disk, links it in and renames it over the target, and writes the folder to the disk (an unnamed file
// where no target exists is linked in under the target's name at once). Until Commit returns true the
// target is untouched; a replacement that is not committed leaves nothing behind.
//
// A target reached through symbolic links is replaced where the links lead: the links stay and their
// target gets the new content. Other hard links of the target keep the old content (a rename gives the
// name a new file).
//
// With exclusive, Begin takes the writer lock for the whole read-modify-replace: an open-file-
// description lock on the target (released when the process ends, however it ends), or on its folder
// while the target does not exist yet. A second writer waits for it (bounded, reporting through
// onWait). Once the lock is held, the target's name is checked to still name the locked file; when
// another writer replaced it meanwhile, the new file is locked instead, so whatever the caller reads
// after Begin is the file its Commit replaces.
#pragma once

#include <sys/stat.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/Fd.h"
#include "platform/File.h"
#include "platform/HostError.h"

namespace ruvu::platform {

struct ReplacementOptions {
    // Guard against a second writer of the target (see above).
    bool exclusive = false;
    // How long Begin waits for another writer before it fails with SharingViolation.
    std::chrono::milliseconds lockWait{std::chrono::seconds(30)};
    // Called about every 50 ms while Begin waits, with the time waited; false gives up at once
    // (LockViolation).
    std::function<bool(std::chrono::milliseconds waited)> onWait;
    // A target without its owner's write permission (the read-only attribute) is refused with
    // AccessDenied, as is one the process cannot open for writing.
    bool refuseReadOnly = false;
    // False: an existing target is refused with FileExists, at Begin and again at Commit.
    bool replaceExisting = true;
    // The new file gets the old one's permission bits, owner and group.
    bool keepOwnerAndMode = true;
    // A program: everyone who may read the new file may also run it.
    bool executable = false;
    // Commit writes the file and the folder entry to the disk before it renames and returns.
    bool durable = true;
    // BeginAt only. The caller keeps the folder descriptor open until the replacement is committed or
    // dropped, so it is not duplicated.
    bool borrowFolder = false;
    // BeginAt only. The caller has just found no entry of that name in the folder, so Begin does not
    // look for the target again; an entry that appears meanwhile is handled as replaceExisting says.
    bool targetMissing = false;
    // Begin clears the folder of what killed replacements left (once per folder and process). BeginAt
    // may leave it out for a folder the caller made itself.
    bool clearStale = true;
};

class FileReplacement {
  public:
    FileReplacement() = default;
    FileReplacement(FileReplacement&& other) noexcept { *this = std::move(other); }
    FileReplacement& operator=(FileReplacement&& other) noexcept;
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;
    ~FileReplacement();

    // Starts replacing the file a Windows path names (symbolic links followed). Check IsOpen();
    // Error() tells why it failed.
    static FileReplacement Begin(std::string_view windowsPath, const ReplacementOptions& options = {});
    // The same for a host path.
    static FileReplacement BeginHost(std::string_view hostPath, const ReplacementOptions& options = {});
    // Starts replacing the entry name of an open folder without following any link: a symbolic link
    // of that name is replaced, not written through.
    static FileReplacement BeginAt(int folderFd, std::string_view name, const ReplacementOptions& options);

    bool IsOpen() const { return out_.IsOpen(); }
    HostError Error() const { return error_; }
    // The temporary file, open for reading and writing at position 0.
    File& Out() { return out_; }
    // The host path the content lands on (links resolved); empty after BeginAt.
    const std::string& TargetHostPath() const { return targetHost_; }
    // The target as Begin found it; nullopt when it did not exist.
    const std::optional<struct stat>& OldTarget() const { return old_; }
    // True when the target Begin found is the file open as fd: a copy onto itself.
    bool TargetIs(int fd) const;

    // Puts the new file in place. False with Error() when it could not; the target is then as it was.
    bool Commit();
    // Drops the temporary file; the target stays as it was.
    void Abandon();

  private:
    static FileReplacement Start(Fd owned, int folderFd, std::string name, std::string targetHost,
                                 const ReplacementOptions& options);
    bool Fail(HostError error);
    // The new file is in place under the target's name: the end of a successful Commit.
    bool Placed();
    bool TakeWriterLock(const ReplacementOptions& options);
    bool CreateTemporary();

    int folderFd_ = -1;  // folder_, or the caller's descriptor (borrowFolder)
    Fd folder_;
    std::string name_;        // the target's name in the folder
    std::string targetHost_;  // for messages and the folder index
    std::string tempName_;    // the temporary file's name once it has one
    File out_;
    Fd targetLock_;  // the locked target (exclusive)
    Fd folderLock_;  // the locked folder while the target does not exist (exclusive)
    std::optional<struct stat> old_;
    bool keepOwnerAndMode_ = true;
    bool executable_ = false;
    bool durable_ = true;
    bool replaceExisting_ = true;
    HostError error_ = HostError::None;
};

// Puts a symbolic link to target under name in an open folder, replacing whatever had that name the
// same way: a link under a temporary name renamed over it, so the old entry stays until the new one is
// in place. False with error when it could not.
bool PlaceSymbolicLink(int folderFd, std::string_view name, std::string_view target,
                       HostError* error = nullptr);

// Removes the temporary files and links that replacements killed before they finished left in a folder
// (a host path): named files no live replacement holds, and temporary links. Begin does this once per
// folder and process.
void ClearStaleReplacements(const std::string& hostFolder);

}  // namespace ruvu::platform
