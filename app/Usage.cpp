#include "app/Usage.h"

#include <string>

#include "platform/EnvironmentHelp.h"

namespace ruvu {

namespace {

constexpr std::string_view kUsage = R"(Usage: ruvuvadu [ARCHIVE | PIECE.SPL]
       ruvuvadu COMMAND ARGUMENT...
       ruvuvadu @LISTFILE
       ruvuvadu --help | --version

With no argument, or with one archive (or the first piece PIECE.SPL of an archive copied onto
floppies, joined back first), the window "Talvo ZIP" opens for normal use. A command with its
arguments, or a list file of commands, runs unattended: the window closes one second after the
run and the process ends with the exit status below. Commands and names are taken in upper
case; names are matched ignoring case.

Commands (one per line in a list file):
  a ARCHIVE SPEC... [-r]       add files, stored with their folders; -r takes subfolders too
  e ARCHIVE [SPEC...] [-bDIR]  extract without folder names into DIR (default: the current
                               folder), overwriting
  x ARCHIVE [SPEC...] [-bDIR]  extract with folder names, overwriting
  t ARCHIVE [SPEC...]          test
  c SOURCE DEST [CAPTION]      copy SOURCE to DEST; to or from drive A: or B: the file is split
                               onto floppies or joined from them, asking for each disk; "?"
                               asks for the name
  r PROGRAM [ARGUMENT...]      start a program without waiting for it
  d FILE                       delete a file (a failure is silent)
  cd FOLDER                    change the current folder
".zip" is added to an archive name without a dot; without SPEC, e, x and t take every entry;
-c is accepted and ignored by a, e and x. An argument with spaces is one token; in a list file
put it in double quotes ("-b" and "@" may stand before the quote). A token keeps 80
characters, and the rest of a line after a token 200.

A list file runs its lines in order, skipping blank ones, stops after the first command that
failed (a line that is no command fails too), and is deleted at the end. An error that ends the run (a folder that cannot be entered,
a floppy that cannot be read) leaves the list file and the window as they are.

Exit status:
  0      every command succeeded
  1      a copy failed or was cancelled, a program could not be started, a line was no
         command, or an error ended the run
  2      the archive of e, x or t, or the list file, does not exist
  other  the error code of the failed archive operation or of the last error message;
         255 when the code does not fit in 0-255

Without a display (neither DISPLAY nor WAYLAND_DISPLAY set) every question is asked on the
terminal: the text goes to standard error and the answer is read from standard input; at the
end of input the safe answer is taken (No, Cancel, Abort), so nothing is wiped or overwritten
by default. At a disk prompt insert the disk, then press Enter; "m" aborts and "x" ticks or
unticks the box that wipes the floppy first.

)";

}  // namespace

std::string_view UsageText() {
    static const std::string text = std::string(kUsage) + std::string(platform::kEnvironmentHelp);
    return text;
}

std::string_view VersionText() {
    return "RuvuvADU " RUVU_VERSION "\n";
}

std::string_view NoDisplayText() {
    return "ruvuvadu: the window needs a display (neither DISPLAY nor WAYLAND_DISPLAY is set); "
           "nothing is left to run, so the program ends.\n";
}

}  // namespace ruvu
