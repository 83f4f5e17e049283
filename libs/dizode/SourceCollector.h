// Turns the specifications of a job into the list of files and folders to add: wildcards, folders,
// per-spec recursion, exclusions, hidden files, the date and archive-bit filters, and the name each
// one gets in the archive. Folders are listed with host calls once their path is resolved.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "libs/dizode/JobOptions.h"
#include "libs/dizode/Reporter.h"

namespace ruvu::dizode {

struct SourceFile {
    std::string windowsPath;  // full Windows path ("C:\data\a.txt")
    std::string hostPath;
    std::string storedName;  // UTF-8, "/" separators; folders end with "/"
    bool isDirectory = false;
    bool isVolumeLabel = false;
    int64_t size = 0;
    uint32_t dosDateTime = 0;
    std::time_t mtime = 0;  // the same time, exact
    uint32_t mode = 0;      // host st_mode
    bool encrypt = false;
    std::string password;
};

class SourceCollector {
  public:
    // archiveHostPath: the archive itself, never added to itself.
    SourceCollector(const JobOptions& options, Reporter& reporter, std::string archiveHostPath);

    // Appends what the specs name. Specs naming nothing are reported and skipped. False when the job
    // must stop.
    bool Collect(std::vector<SourceFile>& out);
    // The files that freshen the given entries (stored names, "/" separators; folders end with "/"):
    // for each file entry the file at its stored path below the root folder; for an entry stored
    // without folders that is not there, the first file of that name found below the root in the order
    // an add walks folders, so an archive made without folder names is freshened too. An entry without
    // a file is left alone. Sources keep the entry's name and get the spec's encryption.
    void CollectForEntries(const std::vector<std::string>& entryNames, const SpecItem& spec,
                           std::vector<SourceFile>& out);
    // The files and specs reported as skipped (unreadable, not regular, duplicate names, no match).
    int Skipped() const { return skipped_; }

  private:
    struct Walk;
    // Reports a file or spec left out; returns false when the job must stop.
    bool Skip(std::string_view text, abi::LibraryCode code);
    bool CollectSpec(const SpecItem& spec, std::vector<SourceFile>& out);
    // Lists one folder; returns the number of items added below it, or -1 when the job must stop.
    int WalkFolder(const Walk& walk, const std::string& hostDir, const std::string& windowsDir,
                   const std::string& storedDir, std::vector<SourceFile>& out, int depth);
    bool Excluded(const std::string& name, const std::string& windowsPath,
                  const std::string& storedName) const;
    bool AddItem(SourceFile item, const SpecItem& spec, std::vector<SourceFile>& out);
    bool IsArchive(const struct stat& st) const;
    // Fills found (folded name -> host path) with the first file of each wanted name below a folder.
    void FindByName(const std::string& hostDir, const std::unordered_map<std::string, std::string>& wanted,
                    std::unordered_map<std::string, std::string>& found, int depth) const;
    std::string StoredFor(const std::string& storedDir, const std::string& name) const;

    const JobOptions& options_;
    Reporter& reporter_;
    std::string archiveHostPath_;
    std::unordered_map<std::string, std::string> seen_;  // folded stored name -> host path taking it
    dev_t archiveDevice_ = 0;
    ino_t archiveInode_ = 0;
    bool archiveExists_ = false;
    int skipped_ = 0;
};

// The 8.3 upper-case form of every component of a stored name ("Long name.html" -> "LONGNAME.HTM").
std::string DosName(const std::string& storedName);

}  // namespace ruvu::dizode
