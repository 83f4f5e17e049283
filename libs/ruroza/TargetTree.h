// The folder tree extraction writes into, reached only through folder descriptors below one base
// folder. Every component is looked up without following symbolic links: a path that would pass
// through a link is refused, so nothing is ever created outside the base folder, whatever links an
// earlier entry or anyone else left in the tree. Names are matched as the host layer matches them
// (an existing name of the same ASCII letters in another case is the same name, the exact one wins).
//
// A file is written to a temporary name in its folder and renamed over its real name only when it is
// complete (PendingFile), so a failed or cancelled extraction never leaves half a file under the real
// name and never destroys the file it would have replaced.
//
// The folders of the path walked last stay open, so the next file in the same folder is created
// relative to it without walking the path again. A folder the tree made itself held nothing but what
// the tree put there, so its entries are known without looking them up one by one.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "abi/LibraryEntry.h"
#include "platform/Fd.h"
#include "platform/FileReplacement.h"
#include "platform/HostError.h"

namespace ruvu::ruroza {

using platform::Fd;

// Why a path cannot be used, with the skip type and library code to report.
struct PathProblem {
    std::string text;
    abi::UnZipSkipType type = abi::stWriteError;
    abi::LibraryCode code = abi::kCodeCreateError;
};

// Times and permissions to give a file or folder.
struct Stamp {
    std::time_t mtime = 0;
    std::optional<mode_t> mode;  // permission bits to set; none: keep what creation gave
    bool readOnly = false;       // without a mode: take the write bits away
};

class PendingFile;

class TargetTree {
  public:
    // Opens the base folder (a full Windows path), creating it with its parents when missing.
    bool Open(const std::string& windowsBase, std::string& error);

    enum class Kind { Missing, File, Folder };
    struct Lookup {
        Kind kind = Kind::Missing;
        std::vector<std::string> names;  // the names on disk where they exist, the rest as given
        uint32_t dosDateTime = 0;        // modification time of an existing file
        std::optional<PathProblem> problem;
    };
    // Looks a relative path up without creating anything. A symbolic link on the way or at the end
    // is a problem, so is a file where a folder is needed.
    Lookup Find(const std::vector<std::string>& components);

    // Creates the folders of a relative path that are missing.
    bool MakeFolders(const std::vector<std::string>& components, PathProblem& problem);

    // Starts a file at a relative path; its folders are created as needed.
    std::optional<PendingFile> StartFile(const std::vector<std::string>& components, PathProblem& problem);
    // Puts a symbolic link to target at a relative path (replacing what is there, never writing through
    // it), with the given time; its folders are created as needed. Whether the target is safe is the
    // caller's decision.
    bool MakeLink(const std::vector<std::string>& components, const std::string& target, std::time_t mtime,
                  PathProblem& problem);

    // Remembers a folder's time and permissions; ApplyFolderStamps sets them once every file is in
    // place (writing files into a folder changes its time).
    void RememberFolder(std::vector<std::string> components, const Stamp& stamp);
    void ApplyFolderStamps();

    // The Windows path of a relative path, for messages.
    std::string WindowsPath(const std::vector<std::string>& components) const;

  private:
    // What the tree knows of the entries of one folder.
    struct FolderIndex {
        std::map<std::string, std::string> names;  // lower-case name -> the first name in byte order
        bool listed = false;                       // names has every entry the listing found
        bool made = false;                         // made by the tree: names has every entry
    };
    // An open folder.
    struct Level {
        std::string asked;  // the component as the caller gave it
        std::string name;   // its name on disk
        std::shared_ptr<const Fd> folder;
        FolderIndex* index = nullptr;
    };
    struct Walk {
        Level folder;        // the deepest folder reached
        size_t reached = 0;  // components opened as folders
        std::vector<std::string> names;
        std::optional<PathProblem> problem;
    };
    // Opens the folders of components[0..count) that exist (creating the missing ones with create),
    // keeping those the last walk opened as far as the two paths agree.
    Walk OpenFolders(const std::vector<std::string>& components, size_t count, bool create);
    // The entry of a folder with this name, matched ignoring letter case as the host layer matches
    // names; nullopt when there is none.
    std::optional<std::string> Match(const Level& folder, const std::string& name, struct stat& info,
                                     int& err);
    // Adds a name the tree put into a folder to what it knows of the folder.
    static void Note(FolderIndex& index, const std::string& name);

    Level base_;
    std::string windowsBase_;
    std::vector<Level> path_;  // the folders of the path walked last, below the base
    // Per folder, by its path of names on disk below the base ("" for the base).
    std::map<std::string, FolderIndex> indexes_;
    std::vector<std::pair<std::vector<std::string>, Stamp>> folderStamps_;
};

// A file being written beside its real name (platform/FileReplacement.h). Commit puts it in place of
// the real name (a symbolic link of that name is replaced, never written through); a file that is never
// committed leaves nothing behind, also when the process is killed.
class PendingFile {
  public:
    // The replacement may borrow the folder's descriptor, which the file keeps open.
    PendingFile(std::shared_ptr<const Fd> folder, platform::FileReplacement replacement)
        : folder_(std::move(folder)), replacement_(std::move(replacement)) {}

    // Writes all bytes; false with Error() on failure (DiskFull when the disk is full).
    bool Write(const void* data, size_t size);
    // Sets time and permissions and puts the file in place.
    bool Commit(const Stamp& stamp);
    platform::HostError Error() const { return error_; }

  private:
    std::shared_ptr<const Fd> folder_;  // before replacement_: closed after it
    platform::FileReplacement replacement_;
    platform::HostError error_ = platform::HostError::None;
};

}  // namespace ruvu::ruroza
