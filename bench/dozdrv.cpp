// dozdrv: drives the archive component from the command line, so that its work can be timed against
// peer tools without the program's windows.
//
//   dozdrv list ARCHIVE   one line per entry: name, compressed size, original size, CRC-32 and MS-DOS
//                         date and time in hexadecimal, separated by tabs; then "count N errcode E".
//   dozdrv add ARCHIVE [-r] [-d] [-e] [-p PASSWORD] [-l LEVEL]
//                      [--span [--volume-size BYTES] [--compat-names] [--erase]] SPEC...
//                         -r recurse into folders, -d keep folder names, -e encrypt (needs -p);
//                         --span writes a spanned set: part files ARCHIVE001.zip, ... on a hard disk
//                         (with --compat-names ARCHIVE.z01, ..., ARCHIVE.zip), or a series of
//                         labelled floppies; --volume-size caps each volume, --erase wipes each
//                         floppy first (after asking)
//   dozdrv extract ARCHIVE FOLDER [-d] [-o] [-p PASSWORD] [SPEC...]
//                         -d keep folder names, -o overwrite existing files; no spec: every entry
//   dozdrv test ARCHIVE [-p PASSWORD]
//   dozdrv delete ARCHIVE SPEC...
//
// A spanned set is listed, extracted and tested through its last part (ARCHIVE.zip, ARCHIVE009.zip or
// the file on the last floppy). Runs are unattended, except spanned adds and archives on floppy or
// removable drives: their questions and disk prompts are asked on the terminal (insert the disk, then
// press Enter; the end of input cancels). Every message of the component goes to standard error; the
// operations end with "success N errcode E" on standard output. The exit status is 0 when ErrCode is 0.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "engine/DozErozev.h"
#include "platform/Drives.h"

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

void AppendHex8(std::string& out, uint32_t value) {
    char digits[8];
    for (int i = 7; i >= 0; --i) {
        digits[i] = kHexDigits[value & 0xF];
        value >>= 4;
    }
    out.append(digits, sizeof digits);
}

int Usage() {
    std::fputs(
        "usage: dozdrv list ARCHIVE\n"
        "       dozdrv add ARCHIVE [-r] [-d] [-e] [-p PASSWORD] [-l LEVEL]\n"
        "                  [--span [--volume-size BYTES] [--compat-names] [--erase]] SPEC...\n"
        "       dozdrv extract ARCHIVE FOLDER [-d] [-o] [-p PASSWORD] [SPEC...]\n"
        "       dozdrv test ARCHIVE [-p PASSWORD]\n"
        "       dozdrv delete ARCHIVE SPEC...\n",
        stderr);
    return 2;
}

// A component that prints every message; unattended unless a person may be needed for disks.
void Prepare(ruvu::TDozErozev& component, const char* archive, bool spanning) {
    component.SetUnattended(!spanning &&
                            ruvu::platform::GetDriveType(archive) != ruvu::platform::DRIVE_REMOVABLE);
    component.OnMessage = [](ruvu::TObject*, int32_t code, const std::string& text) {
        std::fprintf(stderr, "%d: %s\n", code, text.c_str());
    };
}

// Switches and the rest of the words of an operation's command line.
struct Words {
    std::vector<std::string> args;
    std::string password;
    int level = 9;
    bool recurse = false;
    bool dirNames = false;
    bool encrypt = false;
    bool overwrite = false;
    bool span = false;
    bool compatNames = false;
    bool erase = false;
    int32_t volumeSize = 0;
};

// The spanning options of add; false for a word that is none of them or a bad volume size.
bool ParseSpanWord(int argc, char** argv, int& i, Words& words) {
    const std::string_view word = argv[i];
    if (word == "--span") {
        words.span = true;
    } else if (word == "--compat-names") {
        words.compatNames = true;
    } else if (word == "--erase") {
        words.erase = true;
    } else if (word == "--volume-size") {
        if (++i >= argc) {
            return false;
        }
        char* end = nullptr;
        const long long size = std::strtoll(argv[i], &end, 10);
        if (end == argv[i] || *end != '\0' || size < 1 || size > INT32_MAX) {
            return false;
        }
        words.volumeSize = static_cast<int32_t>(size);
    } else {
        return false;
    }
    return true;
}

bool ParseWords(int argc, char** argv, int first, std::string_view allowed, bool spanWords, Words& words) {
    for (int i = first; i < argc; ++i) {
        const std::string_view word = argv[i];
        if (word.starts_with("--") && spanWords) {
            if (!ParseSpanWord(argc, argv, i, words)) {
                return false;
            }
            continue;
        }
        if (word.size() != 2 || word[0] != '-' || allowed.find(word[1]) == std::string_view::npos) {
            words.args.emplace_back(word);
            continue;
        }
        const char flag = word[1];
        if (flag == 'p' || flag == 'l') {
            if (++i >= argc) {
                return false;
            }
            if (flag == 'p') {
                words.password = argv[i];
            } else {
                words.level = std::atoi(argv[i]);
            }
        }
        words.recurse |= flag == 'r';
        words.dirNames |= flag == 'd';
        words.encrypt |= flag == 'e';
        words.overwrite |= flag == 'o';
    }
    return true;
}

int Finish(ruvu::TDozErozev& component) {
    const int32_t errCode = component.ErrCode();
    std::printf("success %d errcode %d\n", component.SuccessCount(), errCode);
    return std::fflush(stdout) == 0 && errCode == 0 ? 0 : 1;
}

int Operation(const std::string& command, int argc, char** argv) {
    Words words;
    const std::string_view allowed = command == "add"       ? "rdepl"
                                     : command == "extract" ? "dop"
                                     : command == "test"    ? "p"
                                                            : "";
    if (!ParseWords(argc, argv, 3, allowed, command == "add", words) ||
        (!words.span && (words.compatNames || words.erase || words.volumeSize != 0))) {
        return Usage();
    }
    ruvu::TDozErozev component;
    Prepare(component, argv[2], words.span);
    component.SetZipFileName(argv[2]);
    component.SetPassword(words.password);
    if (command == "add") {
        if (words.args.empty()) {
            return Usage();
        }
        ruvu::AddOpts options;
        if (words.recurse) {
            options.Include(ruvu::AddRecurseDirs);
        }
        if (words.dirNames) {
            options.Include(ruvu::AddDirNames);
        }
        if (words.encrypt) {
            options.Include(ruvu::AddEncrypt);
        }
        if (words.span) {
            options.Include(words.erase ? ruvu::AddDiskSpanErase : ruvu::AddDiskSpan);
            component.SetSpanOptions(words.compatNames ? ruvu::SpanOpts{ruvu::spCompatName}
                                                       : ruvu::SpanOpts{});
            component.SetMaxVolumeSize(words.volumeSize);
        }
        component.SetAddOptions(options);
        component.SetAddCompLevel(words.level);
        component.FSpecArgs() = words.args;
        component.Add();
    } else if (command == "extract" || command == "test") {
        ruvu::ExtrOpts options;
        if (command == "test") {
            options.Include(ruvu::ExtrTest);
            if (!words.args.empty()) {
                return Usage();
            }
        } else {
            if (words.args.empty()) {
                return Usage();
            }
            component.SetExtrBaseDir(words.args.front());
            words.args.erase(words.args.begin());
            options.Include(ruvu::ExtrForceDirs);
        }
        if (words.dirNames) {
            options.Include(ruvu::ExtrDirNames);
        }
        if (words.overwrite) {
            options.Include(ruvu::ExtrOverWrite);
        }
        component.SetExtrOptions(options);
        component.FSpecArgs() = words.args;
        component.Extract();
    } else {
        if (words.args.empty()) {
            return Usage();
        }
        component.FSpecArgs() = words.args;
        component.Delete();
    }
    return Finish(component);
}

int List(const char* archive) {
    ruvu::TDozErozev component;
    Prepare(component, archive, false);
    component.SetZipFileName(archive);

    std::string out;
    out.reserve(1 << 20);
    for (const ruvu::ZipDirEntry& entry : component.Entries()) {
        out += entry.FileName;
        out += '\t';
        out += std::to_string(entry.CompressedSize);
        out += '\t';
        out += std::to_string(entry.UncompressedSize);
        out += '\t';
        AppendHex8(out, entry.Crc32);
        out += '\t';
        AppendHex8(out, entry.DosDateTime);
        out += '\n';
        if (out.size() >= (1 << 20)) {
            std::fwrite(out.data(), 1, out.size(), stdout);
            out.clear();
        }
    }
    const int32_t errCode = component.ErrCode();
    out += "count " + std::to_string(component.Count()) + " errcode " + std::to_string(errCode) + "\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 && errCode == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "list") == 0) {
        return List(argv[2]);
    }
    if (argc >= 3) {
        const std::string command = argv[1];
        if (command == "add" || command == "extract" || command == "test" || command == "delete") {
            return Operation(command, argc, argv);
        }
    }
    return Usage();
}
