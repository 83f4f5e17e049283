// What the self-extracting stub needs from the system it runs on: its own file, a person to talk to,
// and a folder to write into. The terminal (Linux) and the Windows dialogs each implement it; the
// extraction itself (SelfExtractor) is the same on both.
#pragma once

#include <cstdint>
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "zipformat/ByteSource.h"

namespace ruvu::stub {

// How stored name bytes are to be read.
enum class TextKind {
    Utf8,   // flag bit 11: UTF-8, a byte outside a well-formed sequence read in the fallback code page
    Oem,    // the OEM code page
    Guess,  // UTF-8 when it is valid, else the fallback code page
};

enum class OverwriteAnswer { Yes, No, All, None };

// A file of the archive being written: under a temporary name until Commit puts it in place.
class OutputFile {
  public:
    virtual ~OutputFile() = default;
    virtual bool Write(const void* data, size_t size) = 0;
    // Sets the date (and, where unixMode is not 0, the permissions without set-id bits) and renames
    // the file over its name. Destroying an uncommitted file removes it.
    virtual bool Commit(std::time_t modified, uint32_t unixMode) = 0;
};

// The folder the archive is extracted into. Names are the clean components of a stored name (never
// "", "." or ".."); nothing is ever created through a symbolic link or outside the folder.
class TargetFolder {
  public:
    virtual ~TargetFolder() = default;
    // Whether something of that name exists (a link counts, it is not followed).
    virtual bool Exists(const std::vector<std::string>& path) = 0;
    // Creates the folders of path (all of them when folderEntry, else all but the last component).
    virtual bool MakeFolders(const std::vector<std::string>& path, bool folderEntry) = 0;
    // A new file for path (its folders exist); null with Error() on failure.
    virtual std::unique_ptr<OutputFile> Create(const std::vector<std::string>& path) = 0;
    // Why the last call failed.
    virtual std::string Error() const = 0;
};

class Host {
  public:
    virtual ~Host() = default;

    // The program's own file, and a file beside it (the data of a detached executable); null when it
    // cannot be opened. Size() of the source tells its length.
    virtual std::unique_ptr<zip::ByteSource> OpenSelf() = 0;
    virtual std::unique_ptr<zip::ByteSource> OpenBeside(std::string_view name) = 0;

    // Stored bytes as text (UTF-8).
    virtual std::string Decode(std::string_view bytes, TextKind kind) = 0;

    // A message with OK.
    virtual void Tell(std::string_view caption, std::string_view text) = 0;
    // A question: with yesNo Yes/No, else OK/Cancel. True for Yes or OK; the safe answer (No,
    // Cancel) when nobody answers.
    virtual bool Ask(std::string_view caption, std::string_view text, bool yesNo) = 0;
    // A line of text, proposed (empty answer) as given. nullopt when cancelled; when nobody answers,
    // the proposal if takeProposalUnanswered, else nullopt. secret: not shown while typed.
    virtual std::optional<std::string> AskText(std::string_view caption, std::string_view prompt,
                                               std::string_view proposal, bool secret,
                                               bool takeProposalUnanswered) = 0;
    // Which files to extract (all proposed); nullopt when cancelled; all when nobody answers.
    virtual std::optional<std::vector<bool>> ChooseFiles(std::string_view caption,
                                                         const std::vector<std::string>& names) = 0;
    // The overwrite mode (0 always, 1 never, 2 ask), the given one proposed; nullopt when cancelled.
    virtual std::optional<uint8_t> ChooseOverwriteMode(std::string_view caption, uint8_t proposal) = 0;
    // Whether to overwrite an existing file; No when nobody answers.
    virtual OverwriteAnswer AskOverwrite(std::string_view caption, std::string_view name) = 0;
    // Tells which file is being extracted.
    virtual void Progress(std::string_view name) = 0;

    // The folder to extract into (a path as the user wrote it), created when missing; null with
    // a reason in error when it cannot be used.
    virtual std::unique_ptr<TargetFolder> OpenFolder(std::string_view path, std::string& error) = 0;
    // The folder as it will be shown and put into the command line (with a trailing separator).
    virtual std::string FullFolderName(std::string_view path) = 0;
    // Starts a command line in folder; false when it could not start.
    virtual bool Run(std::string_view commandLine, std::string_view folder) = 0;
};

// The whole run: finds the settings and the archive in the program's own file, talks to the person
// as they say, extracts, runs the command line. The exit status: 0 all extracted, 1 some entries
// failed, 2 cancelled, 3 no archive found.
int RunSelfExtractor(Host& host);

}  // namespace ruvu::stub
