#include "tools/ruvuzip/Help.h"

#include <string>

#include "platform/EnvironmentHelp.h"

namespace ruvu::ruvuzip {

namespace {

constexpr std::string_view kHelp = R"(Usage: ruvuzip COMMAND ARCHIVE [OPTION...] [ARGUMENT...]
       ruvuzip --help | --version

Lists, adds, extracts, tests and deletes the entries of zip archives, and turns an archive into a
self-extracting executable and back, through the archive component of RuvuvADU and its libraries
DIZODE.DLL and RUROZA.DLL, without a window. Nothing is asked, except for spanned sets and archives
on floppy or removable drives: their disk prompts and questions are asked on the terminal (insert the
disk asked for, then press Enter; the end of input cancels). Names may be written Windows-style
(C:\DATA\X.ZIP) or as host paths; they are matched ignoring case.

Commands:
  list ARCHIVE
        one line per entry: name, compressed size, original size, CRC-32 and MS-DOS date and time
        in hexadecimal (local time; from the entry's exact time when it has one), separated by
        tabs, then the compression method where it is not stored or deflate (BZip2, LZMA, XZ,
        Zstd, PPMd, Deflate64, AES-256 Deflate, ...); then "count N errcode E"
  add ARCHIVE [-r] [-d] [-s] [-e] [-p PASSWORD] [-l LEVEL]
      [--span [--volume-size BYTES] [--compat-names] [--erase]] SPEC...
        adds files (a missing archive is created); SPEC is a file, a folder or a wildcard pattern
          -r  recurse into folders
          -d  keep folder names
          -s  store folder entries too, so that empty folders survive a round trip
          -e  encrypt (needs -p)
          -p  the password
          -l  the compression level, 0 (stored) to 9 (default 9)
          --span  writes a new spanned set: part files ARCHIVE001.zip, ARCHIVE002.zip, ... on a
              hard disk, or the file ARCHIVE on a series of floppies labelled "PKBACK# 001", ...
          --volume-size  the largest volume in bytes (default: as much as the disk takes)
          --compat-names  part files ARCHIVE.z01, ARCHIVE.z02, ..., ARCHIVE.zip
          --erase  wipes each floppy before its volume, after "Erase A:\" is answered yes
  extract ARCHIVE FOLDER [-d] [-o] [-p PASSWORD] [SPEC...]
        extracts the entries that match SPEC (every entry without SPEC) into FOLDER, created when
        missing
          -d  keep folder names
          -o  overwrite existing files (else they are kept and the entry is skipped)
          -p  the password of encrypted entries (without it they are skipped)
  test ARCHIVE [-p PASSWORD]
        checks every entry's data against its CRC-32
  delete ARCHIVE SPEC...
        deletes the entries that match SPEC
  sfx ARCHIVE [TARGET] [--stub FILE] [--caption TEXT] [--dir FOLDER] [--command LINE]
      [--message TEXT] [--options LETTERS] [--overwrite always|never|ask] [--icon FILE]
        makes a self-extracting executable, by default ARCHIVE with ".exe"; the stub is ZEZIZEZ.BIN
        (Windows) beside the program unless --stub names another (ZEZIZEZ.ELF runs here); the
        option letters: c ask for the command line, f let the user choose the files, h hide the
        overwrite question, r run the command line, n no success message; the icon is an .ico file
        or the first icon of an executable
  unsfx EXE [TARGET]
        writes the archive inside a self-extracting executable as a zip file, by default EXE with
        ".zip", and prints the executable's settings, one "name<TAB>value" a line

A spanned set is listed, extracted and tested through its last part (ARCHIVE.zip, ARCHIVE003.zip,
or the file on the last floppy); it is joined into a temporary archive that is removed afterwards.

Every message of the component goes to standard error as "CODE: TEXT"; add, extract, test,
delete, sfx and unsfx end with "success N errcode E" on standard output (N files handled, E the
component's error code).

Exit status:
  0  every entry was handled
  1  the operation failed, or an entry failed: damaged data, a CRC error, a method or feature
     the library lacks, a name or a file that could not be written
  2  the command line is wrong
  3  nothing failed, but entries were skipped: existing files not overwritten (no -o), files not
     newer, encrypted entries without the right password (then also the warning 10502)

)";

}  // namespace

std::string_view HelpText() {
    static const std::string text = std::string(kHelp) + std::string(platform::kEnvironmentHelp);
    return text;
}

std::string_view VersionText() {
    return "ruvuzip (RuvuvADU) " RUVU_VERSION "\n";
}

}  // namespace ruvu::ruvuzip
