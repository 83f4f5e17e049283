// ruvuzip: the archive component run from the command line, for scripts and for bench/run, which
// times it against peer tools. Help.cpp describes every command, option and exit status.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "engine/DozErozev.h"
#include "platform/DosTime.h"
#include "platform/Drives.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "sfx/PeResources.h"
#include "tools/ruvuzip/Help.h"
#include "tools/ruvuzip/RunOutcome.h"
#include "zipformat/ExtraField.h"

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
        "usage: ruvuzip list ARCHIVE\n"
        "       ruvuzip add ARCHIVE [-r] [-d] [-s] [-e] [-p PASSWORD] [-l LEVEL]\n"
        "                   [--span [--volume-size BYTES] [--compat-names] [--erase]] SPEC...\n"
        "       ruvuzip extract ARCHIVE FOLDER [-d] [-o] [-p PASSWORD] [SPEC...]\n"
        "       ruvuzip test ARCHIVE [-p PASSWORD]\n"
        "       ruvuzip delete ARCHIVE SPEC...\n"
        "       ruvuzip sfx ARCHIVE [TARGET] [--stub FILE] [--caption T] [--dir D] [--command C]\n"
        "                  [--message M] [--options cfhrn] [--overwrite always|never|ask] [--icon FILE]\n"
        "       ruvuzip unsfx EXE [TARGET]\n"
        "       ruvuzip --help | --version\n",
        stderr);
    return ruvu::ruvuzip::kUsage;
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
    bool separateDirs = false;
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
        words.separateDirs |= flag == 's';
        words.encrypt |= flag == 'e';
        words.overwrite |= flag == 'o';
    }
    return true;
}

// Ends an operation with its result line; the exit status is the outcome's when there is one.
int Finish(ruvu::TDozErozev& component, ruvu::ruvuzip::RunOutcome* outcome = nullptr) {
    const int32_t errCode = component.ErrCode();
    std::printf("success %d errcode %d\n", component.SuccessCount(), errCode);
    const int status = outcome != nullptr ? outcome->Finish()
                       : errCode == 0     ? ruvu::ruvuzip::kAllHandled
                                          : ruvu::ruvuzip::kFailed;
    return std::fflush(stdout) == 0 ? status : ruvu::ruvuzip::kFailed;
}

int Operation(const std::string& command, int argc, char** argv) {
    Words words;
    const std::string_view allowed = command == "add"       ? "rdsepl"
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
    if (command != "add" && component.ErrCode() != 0) {
        // The archive could not be read (or its last disk was not given): nothing to work on.
        return Finish(component);
    }
    component.SetPassword(words.password);
    ruvu::ruvuzip::RunOutcome outcome(component, !words.password.empty());
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
        if (words.separateDirs) {
            options.Include(ruvu::AddSeparateDirs);
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
    return Finish(component, &outcome);
}

struct SfxLetter {
    char letter;
    ruvu::SFXOptsEnum option;
};
constexpr SfxLetter kSfxLetters[] = {
    {'c', ruvu::SFXAskCmdLine}, {'f', ruvu::SFXAskFiles},     {'h', ruvu::SFXHideOverWriteBox},
    {'r', ruvu::SFXAutoRun},    {'n', ruvu::SFXNoSuccessMsg},
};
constexpr const char* kOverwriteModes[] = {"ask", "always", "never"};  // in the order of OvrOpts

// The icon of an .ico file, or the first icon of an executable; empty when the file holds none.
std::vector<uint8_t> ReadIcon(const std::string& name) {
    ruvu::platform::File file =
        ruvu::platform::File::Open(name, ruvu::platform::Access::Read, ruvu::platform::Share::DenyWrite);
    const int64_t size = file.IsOpen() ? file.Size() : -1;
    std::vector<uint8_t> bytes(static_cast<size_t>(std::max<int64_t>(size, 0)));
    if (size <= 0 || file.ReadFull(bytes.data(), bytes.size()) != size) {
        return {};
    }
    if (ruvu::sfx::IsIconFile(bytes)) {
        return bytes;
    }
    const auto icon = ruvu::sfx::FirstIconOf(bytes);
    return icon ? std::vector<uint8_t>(icon->begin(), icon->end()) : std::vector<uint8_t>();
}

int MakeSfx(int argc, char** argv) {
    ruvu::TDozErozev component;
    Prepare(component, argv[2], false);
    std::string target;
    for (int i = 3; i < argc; ++i) {
        const std::string_view word = argv[i];
        if (!word.starts_with("--")) {
            if (!target.empty()) {
                return Usage();
            }
            target = word;
            continue;
        }
        if (++i >= argc) {
            return Usage();
        }
        const std::string value = argv[i];
        if (word == "--stub") {
            component.SetSFXPath(value);
        } else if (word == "--caption") {
            component.SetSFXCaption(value);
        } else if (word == "--dir") {
            component.SetSFXDefaultDir(value);
        } else if (word == "--command") {
            component.SetSFXCommandLine(value);
        } else if (word == "--message") {
            component.SetSFXMessage(value);
        } else if (word == "--options") {
            ruvu::SFXOpts options;
            for (const char letter : value) {
                const auto* found = std::find_if(std::begin(kSfxLetters), std::end(kSfxLetters),
                                                 [&](const SfxLetter& l) { return l.letter == letter; });
                if (found == std::end(kSfxLetters)) {
                    return Usage();
                }
                options.Include(found->option);
            }
            component.SetSFXOptions(options);
        } else if (word == "--overwrite") {
            const auto* mode = std::find(std::begin(kOverwriteModes), std::end(kOverwriteModes), value);
            if (mode == std::end(kOverwriteModes)) {
                return Usage();
            }
            component.SetSFXOverWriteMode(static_cast<ruvu::OvrOpts>(mode - std::begin(kOverwriteModes)));
        } else if (word == "--icon") {
            const std::vector<uint8_t> icon = ReadIcon(value);
            if (icon.empty()) {
                std::fprintf(stderr, "ruvuzip: %s holds no icon\n", value.c_str());
                return 1;
            }
            component.SetSFXIcon(icon);
        } else {
            return Usage();
        }
    }
    component.SetZipFileName(argv[2]);
    component.ConvertSFX(target);
    return Finish(component);
}

int UnmakeSfx(int argc, char** argv) {
    if (argc > 4) {
        return Usage();
    }
    ruvu::TDozErozev component;
    Prepare(component, argv[2], false);
    component.SetZipFileName(argv[2]);
    if (component.ConvertZIP(argc == 4 ? argv[3] : "") == 0) {
        std::string letters;
        for (const SfxLetter& l : kSfxLetters) {
            if (component.SFXOptions().Contains(l.option)) {
                letters += l.letter;
            }
        }
        std::printf("caption\t%s\ndir\t%s\ncommand\t%s\nmessage\t%s\noptions\t%s\noverwrite\t%s\nicon\t%zu\n",
                    component.SFXCaption().c_str(), component.SFXDefaultDir().c_str(),
                    component.SFXCommandLine().c_str(), component.SFXMessage().c_str(), letters.c_str(),
                    kOverwriteModes[component.SFXOverWriteMode()], component.SFXIcon().size());
    }
    return Finish(component);
}

int List(const char* archive) {
    if (!ruvu::platform::FileExists(archive)) {
        // The component lists a missing file as a new, empty archive.
        std::fprintf(stderr, "ruvuzip: no such archive: %s\n", archive);
        return ruvu::ruvuzip::kFailed;
    }
    ruvu::TDozErozev component;
    Prepare(component, archive, false);
    component.SetZipFileName(archive);

    std::string out;
    out.reserve(1 << 20);
    for (const ruvu::ZipDirEntry& entry : component.Entries()) {
        out += entry.FileName;
        out += '\t';
        out += std::to_string(entry.CompressedSize64);
        out += '\t';
        out += std::to_string(entry.UncompressedSize64);
        out += '\t';
        AppendHex8(out, entry.Crc32);
        out += '\t';
        // An exact time is shown as the MS-DOS time it makes here (stored MS-DOS times are local to
        // wherever the archive was made).
        const auto exact = ruvu::zip::ExtendedModTime(entry.ExtraData);
        AppendHex8(out, exact ? ruvu::platform::UnixToDosDateTime(*exact) : entry.DosDateTime);
        if (const std::string method = entry.MethodName(); !method.empty()) {
            out += '\t';
            out += method;
        }
        out += '\n';
        if (out.size() >= (1 << 20)) {
            std::fwrite(out.data(), 1, out.size(), stdout);
            out.clear();
        }
    }
    const int32_t errCode = component.ErrCode();
    out += "count " + std::to_string(component.Count()) + " errcode " + std::to_string(errCode) + "\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    return std::fflush(stdout) == 0 && errCode == 0 ? ruvu::ruvuzip::kAllHandled : ruvu::ruvuzip::kFailed;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(ruvu::ruvuzip::HelpText().data(), stdout);
        return std::fflush(stdout) == 0 ? ruvu::ruvuzip::kAllHandled : ruvu::ruvuzip::kFailed;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::fputs(ruvu::ruvuzip::VersionText().data(), stdout);
        return std::fflush(stdout) == 0 ? ruvu::ruvuzip::kAllHandled : ruvu::ruvuzip::kFailed;
    }
    if (argc == 3 && std::strcmp(argv[1], "list") == 0) {
        return List(argv[2]);
    }
    if (argc >= 3) {
        const std::string command = argv[1];
        if (command == "add" || command == "extract" || command == "test" || command == "delete") {
            return Operation(command, argc, argv);
        }
        if (command == "sfx") {
            return MakeSfx(argc, argv);
        }
        if (command == "unsfx") {
            return UnmakeSfx(argc, argv);
        }
    }
    return Usage();
}
