// Building a changed archive crash-safely: the new archive is written to a temporary file in the
// target's folder (entries copied raw from the original or written new), completed with its central
// directory and end record, synced, and only then renamed over the original. Until Commit succeeds
// the original is untouched; the destructor removes an uncommitted temporary file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "libs/common/ArchiveReader.h"
#include "libs/dizode/OutputFile.h"
#include "libs/dizode/Reporter.h"
#include "platform/File.h"
#include "zipformat/CentralDirHeader.h"

namespace ruvu::dizode {

class ArchiveRewrite {
  public:
    explicit ArchiveRewrite(Reporter& reporter) : reporter_(reporter) {}
    ~ArchiveRewrite();
    ArchiveRewrite(const ArchiveRewrite&) = delete;
    ArchiveRewrite& operator=(const ArchiveRewrite&) = delete;

    // Creates the temporary file beside archivePath (a full Windows path). Reports why it failed.
    bool Begin(const std::string& archivePath);
    OutputFile& Out() { return *out_; }

    // Copies the first size bytes of the original (a self-extracting stub in front of the archive).
    bool CopyPrefix(libcommon::ArchiveReader& original, uint64_t size);
    // Copies an entry of the original byte for byte and records its central header. Reports why it
    // failed (a damaged entry, a write error).
    bool CopyEntry(libcommon::ArchiveReader& original, const libcommon::ArchiveEntry& entry);
    // Records the central header of an entry written through Out().
    void AddEntry(zip::CentralDirEntry header) { central_.push_back(std::move(header)); }
    const std::vector<zip::CentralDirEntry>& Entries() const { return central_; }

    // Finishes the archive with the given raw comment, closes the original and renames the new
    // archive over it. hostMode: the permissions the archive gets. Reports why it failed.
    bool Commit(const std::string& rawComment, libcommon::ArchiveReader* original, uint32_t hostMode);

    // Reports a failed write of the temporary archive (disk full, ...).
    bool ReportWriteError();

  private:
    void Discard();

    Reporter& reporter_;
    std::string archivePath_;
    std::string tempPath_;  // Windows path of the temporary archive
    platform::File file_;
    std::optional<OutputFile> out_;
    std::vector<zip::CentralDirEntry> central_;
    bool committed_ = false;
};

}  // namespace ruvu::dizode
