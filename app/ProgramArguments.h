// How the program reads its arguments: an archive or ".SPL" piece to open when the main window is
// created, a list file ("@name") or a command with its arguments to run when it is activated, the
// commands the main window composes for its floppy work, and the exit status the process ends with.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ruvu {

// The archive or ".SPL" piece to open at window creation: the first argument, unless there is none,
// it begins with "@" or it is exactly one of the lower-case command letters a, e, x, t, c, d, r.
std::optional<std::string> ArchiveArgument(const std::vector<std::string>& arguments);

enum class ArgumentRun {
    None,      // nothing runs: no arguments, a single one that is not a list file, or "@..." and more
    ListFile,  // exactly one argument, "@" and the list file's name
    Commands,  // two or more arguments, the first not beginning with "@": one command line
};
ArgumentRun ArgumentRunKind(const std::vector<std::string>& arguments);

// The list file of an "@name" argument: its characters 2 to 81.
std::string ListFileName(std::string_view argument);
// The lines of a list file's text, without their line ends (LF, CR LF or CR) and a leading UTF-8
// byte order mark.
std::vector<std::string> ListFileLines(std::string_view text);
// The command line of the arguments 1 to 50, each followed by one space, an argument that contains a
// space in double quotes.
std::string ArgumentCommandLine(const std::vector<std::string>& arguments);

// True when the name's extension is ".SPL", ignoring case.
bool IsSplitPiece(std::string_view name);
// The "c" command of a floppy copy from source to dest, a path with a space in double quotes; nullopt
// when a path is longer than a command token keeps, since a cut path would name another file.
std::optional<std::string> FloppyCommand(std::string_view source, std::string_view dest,
                                         std::string_view caption);

// The process's exit code for an exit status: 0 to 255 stay as they are, anything else (the engine's
// message ids, negative codes) becomes 255, so that no failure can read as success once cut to the
// eight bits a process can return.
int ProcessExitCode(int32_t exitStatus);

}  // namespace ruvu
