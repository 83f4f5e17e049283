// A new version of a file, written beside it under a temporary name and put in its place only when
// complete: Commit writes the data to the disk and renames the temporary file over the target, so a
// failure, a full disk or a kill before then leaves the target as it was. A ReplacementFile that is
// destroyed without a successful Commit removes its temporary file.
#pragma once

#include <string>
#include <string_view>

#include "File.h"
#include "HostError.h"

namespace ruvu::platform {

class ReplacementFile {
  public:
    // Creates the temporary file in the target's folder (target: a Windows path). Check IsOpen();
    // Error() tells why it failed. The target's host path is pinned now, so a later change of the
    // current folder or of a floppy cannot redirect the final rename.
    explicit ReplacementFile(std::string_view target);
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;
    ~ReplacementFile();

    bool IsOpen() const { return file_.IsOpen(); }
    HostError Error() const { return error_; }
    File& Output() { return file_; }
    // The Windows path of the temporary file (empty when none could be made).
    const std::string& TempPath() const { return tempPath_; }

    // Lets everyone who may read the file also run it (a program being written).
    bool MakeExecutable();
    // Syncs, closes and renames the temporary file over the target (replacing an existing one), then
    // syncs the folder. False, with Error(), when any step failed; the target is then untouched.
    bool Commit();

  private:
    bool Fail(HostError error);

    std::string targetHost_;
    std::string tempPath_;
    std::string tempHost_;
    File file_;
    HostError error_ = HostError::None;
    bool committed_ = false;
};

}  // namespace ruvu::platform
