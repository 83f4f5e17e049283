// The command executor: one line of the command language (CD, A, E, X, T, C, R, D with the switches
// -R, -B and -C) run through the archive component. It serves the command line, list files and the
// main window's two floppy commands, and needs no window: whatever it shows goes through the
// installed interaction, and the main window's message box is reached through two optional hooks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "engine/DozErozev.h"
#include "splitter/BigCopyWindow.h"

namespace ruvu {

// A token keeps at most this many characters; the rest of a line after a token at most kRestLimit.
inline constexpr size_t kTokenLimit = 80;
inline constexpr size_t kRestLimit = 200;
// A program started by "R" gets a command line of at most this many characters.
inline constexpr size_t kProgramLineLimit = 79;

// What a command works on: the component, the state it shares with the main window, and hooks to the
// window's message box (the file specifications a command gathers stand there as lines).
struct CommandTarget {
    TDozErozev& component;
    bool& AbortRun;                       // set when a command failed; a list file stops after that line
    int32_t& ExitStatus;                  // the process's exit status
    std::function<void()> clearMessages;  // optional
    std::function<void(const std::string& line)> addMessage;  // optional
    // The progress window of the floppy copy workflow; unset, the workflow writes to standard error.
    std::function<std::unique_ptr<BigCopyWindow>()> copyWindow;
};

// Takes the next token off the front of line (modified in place): a word up to the next space, or a
// text in double quotes (also after "@" or "-B", which stay in the token). The token keeps at most
// kTokenLimit characters and the rest of the line at most kRestLimit; an empty line gives an empty
// token.
void NextToken(std::string& line, std::string& token);

// The line as the executor reads it: in upper case (accented letters too, TextCase.h), leading and
// trailing spaces removed.
std::string CommandText(std::string_view line);

// Runs one command line. Commands:
//   CD folder          the current folder (one trailing "\" is removed)
//   A archive specs    add (".zip" is added to a name without "."); -R takes subfolders
//   E / X archive ...  extract without / with folder names, overwriting; -Bfolder is the base folder
//   T archive specs    test
//   C source dest cap  the floppy copy workflow ("?" asks with a file dialog)
//   R program args     starts a program without waiting for it
//   D file             deletes a file; a failure is silent
// "-C" is accepted and ignored by A, E and X. A blank line does nothing; any other line that starts
// with no command is refused with a message box, AbortRun and ExitStatus 1.
// A, E, X and T set AbortRun and ExitStatus from the component's ErrCode and close the archive; a
// missing archive of E, X or T sets AbortRun and ExitStatus 2. A copy that fails or is declined (a
// cancelled dialog or disk prompt, No to the overwrite question) and a program that cannot be
// started set AbortRun and ExitStatus 1, so a later line never acts on a copy that was not made.
// Throws std::runtime_error when CD cannot change the folder, and passes on EFileSplitter from the
// floppy copy workflow: such errors end a run.
void RunCommand(std::string_view command, CommandTarget& target);

// Makes path the current folder; throws std::runtime_error saying why when it cannot.
void ChangeDirectory(std::string_view path);

// A text as one argument of a command line: in double quotes when it contains a space.
std::string QuoteIfSpaced(std::string_view text);

}  // namespace ruvu
