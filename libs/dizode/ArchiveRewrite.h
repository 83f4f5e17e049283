// Building a changed archive crash-safely: the new archive is written through a file replacement
// (platform/FileReplacement.h) beside the target, entries copied raw from the original or written new,
// completed with its central directory and end record, and only then put in place of the original.
// Begin takes the archive's writer lock before the original is read, so a second writer waits until
// this one has replaced it and then reads the new archive: no writer's work is lost. Until Commit
// succeeds the original is untouched; an uncommitted rewrite leaves nothing behind.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "libs/common/ArchiveReader.h"
#include "libs/common/ClaimedRanges.h"
#include "libs/dizode/OutputFile.h"
#include "libs/dizode/Reporter.h"
#include "platform/FileReplacement.h"
#include "zipformat/CentralDirHeader.h"

namespace ruvu::dizode {

class ArchiveRewrite {
  public:
    explicit ArchiveRewrite(Reporter& reporter) : reporter_(reporter) {}
    ArchiveRewrite(const ArchiveRewrite&) = delete;
    ArchiveRewrite& operator=(const ArchiveRewrite&) = delete;

    // Locks archivePath (a full Windows path), waiting for another writer if need be, and creates the
    // temporary file beside it. Call it before reading the original. Reports why it failed (a
    // read-only archive, one another writer holds too long, a folder that cannot take the file).
    bool Begin(const std::string& archivePath);
    OutputFile& Out() { return *out_; }

    // Copies the first size bytes of the original (a self-extracting stub in front of the archive).
    bool CopyPrefix(libcommon::ArchiveReader& original, uint64_t size);
    // Copies an entry of the original byte for byte and records its central header. Reports why it
    // failed (a damaged entry, one whose data overlaps an entry copied before, a write error).
    bool CopyEntry(libcommon::ArchiveReader& original, const libcommon::ArchiveEntry& entry);
    // Records the central header of an entry written through Out().
    void AddEntry(zip::CentralDirEntry header) { central_.push_back(std::move(header)); }
    const std::vector<zip::CentralDirEntry>& Entries() const { return central_; }

    // Finishes the archive with the given raw comment, closes the original and puts the new archive in
    // its place (with the original's permissions and owner). Reports why it failed.
    bool Commit(const std::string& rawComment, libcommon::ArchiveReader* original);

    // Reports a failed write of the temporary archive (disk full, ...).
    bool ReportWriteError();

  private:
    void ReportBeginError(platform::HostError error);

    Reporter& reporter_;
    std::string archivePath_;
    platform::FileReplacement replacement_;
    std::optional<OutputFile> out_;
    std::vector<zip::CentralDirEntry> central_;
    libcommon::ClaimedRanges claimed_;
};

}  // namespace ruvu::dizode
