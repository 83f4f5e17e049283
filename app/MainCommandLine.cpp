// The main window's command-line mode: the archive the arguments open at creation, the run of a list
// file or command line at activation, and the two floppy commands of the toolbar and the open command.
#include <stdexcept>

#include "app/ProgramArguments.h"
#include "app/mainunit.h"
#include "platform/Drives.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "platform/Interaction.h"

namespace ruvu {

namespace {

constexpr std::string_view kJoinCaption = "Beolvasás Floppy-ról";
constexpr std::string_view kSplitCaption = "Darabolás Floppy-ra";

std::string ReadTextFile(const std::string& name) {
    platform::File file = platform::File::Open(name, platform::Access::Read, platform::Share::DenyWrite);
    if (!file.IsOpen()) {
        throw std::runtime_error("Cannot open file \"" + name + "\". " +
                                 platform::HostErrorText(file.Error()));
    }
    std::string text;
    char block[8192];
    int64_t n = 0;
    while ((n = file.Read(block, sizeof block)) > 0) {
        text.append(block, static_cast<size_t>(n));
    }
    if (n < 0) {
        throw std::runtime_error("Cannot read file \"" + name + "\". " +
                                 platform::HostErrorText(file.Error()));
    }
    return text;
}

}  // namespace

CommandTarget TMainform::Commands(int32_t& exitStatus) {
    return CommandTarget{DozErozev1,
                         AbortRun,
                         exitStatus,
                         [this] { ClearMemo(); },
                         [this](const std::string& line) { DozErozev1Message(this, 0, line); },
                         [this] { return CopyWindow(); }};
}

void TMainform::OpenFromArguments() {
    const std::optional<std::string> argument = ArchiveArgument(Arguments);
    if (!argument) {
        return;
    }
    Guarded([this, &argument] {
        std::optional<std::string> name = *argument;
        if (IsSplitPiece(*argument)) {
            name = JoinSplitSet(*argument, ExitStatus);
        }
        if (name) {
            DozErozev1.SetZipFileName(*name);
        }
    });
}

void TMainform::FormActivate() {
    if (argumentsRun_ || commandRunning_ || DozErozev1.Busy()) {
        return;
    }
    // Marked before the run: a box shown during it activates the window again when it closes.
    argumentsRun_ = true;
    Guarded([this] { RunArguments(); });
    if (!Timer1->isActive() && OnStaysOpen) {
        OnStaysOpen();
    }
}

void TMainform::RunArguments() {
    const ArgumentRun kind = ArgumentRunKind(Arguments);
    if (kind == ArgumentRun::None) {
        return;
    }
    // The full name: a "CD" in the list must not make its deletion hit another file.
    const std::string listFile =
        kind == ArgumentRun::ListFile ? platform::ExpandFileName(ListFileName(Arguments.front())) : "";
    if (kind == ArgumentRun::ListFile && !platform::FileExists(listFile)) {
        return;
    }
    repaint();
    CommandTarget target = Commands(ExitStatus);
    try {
        if (kind == ArgumentRun::ListFile) {
            AbortRun = false;
            for (const std::string& line : ListFileLines(ReadTextFile(listFile))) {
                if (AbortRun) {
                    break;
                }
                if (!line.empty()) {
                    RunCommand(line, target);
                }
            }
            platform::DeleteFile(listFile);
        } else {
            RunCommand(ArgumentCommandLine(Arguments), target);
        }
    } catch (...) {
        // The run ends here; whoever waits for the process must not read it as a success.
        if (ExitStatus == 0) {
            ExitStatus = 1;
        }
        throw;
    }
    Timer1->start();
}

std::optional<std::string> TMainform::JoinSplitSet(const std::string& piece, int32_t& exitStatus) {
    const std::string temp = TempArchiveName();
    if (!platform::FileExists(piece)) {
        // The copy command would take a missing source for an empty name and report a failed copy.
        Show("Hiba: fájl nem található: " + piece);
        AbortRun = true;
        exitStatus = 1;
        return std::nullopt;
    }
    // The temporary archive may be the one the window shows, joined from floppies before: the pieces
    // are joined under a name of their own, which replaces it only when the whole copy succeeded.
    const std::string joined = WorkDir() + "_RUVUVADU.NEW";
    struct Leftover {
        const std::string& name;
        ~Leftover() {
            if (platform::FileExists(name)) {
                platform::DeleteFile(name);
            }
        }
    } leftover{joined};
    if (platform::FileExists(joined)) {
        platform::DeleteFile(joined);
    }
    const std::optional<std::string> command = FloppyCommand(piece, joined, kJoinCaption);
    if (!command) {
        Show("Túl hosszú fájlnév: " + piece + " -> " + temp);
        return std::nullopt;
    }
    AbortRun = false;
    CommandTarget target = Commands(exitStatus);
    RunCommand(*command, target);
    // A copy that failed or was cancelled has said why.
    if (AbortRun || !platform::FileExists(joined)) {
        return std::nullopt;
    }
    platform::HostError error = platform::HostError::None;
    if (!platform::RenameFile(joined, temp, true, &error)) {
        Show("A fájl nem írható felül: " + temp + " (" + platform::HostErrorText(error) + ")");
        AbortRun = true;
        exitStatus = 1;
        return std::nullopt;
    }
    return temp;
}

void TMainform::SplitBtnClick() {
    Guarded([this] {
        const std::string archive = DozErozev1.ZipFileName();
        if (archive.empty()) {
            Show("Nincs megnyitva ZIP fájl!");
            return;
        }
        platform::FileDialogRequest request;
        request.title = "Darabolás floppy-ra";
        request.initialDir = "a:\\";
        request.filter = "Darabolt fájlok (*.spl)|*.spl|ZIp fájlok (*.zip)|*.zip|Minden fájl (*.*)|*.*";
        const std::optional<std::string> chosen = platform::CurrentInteraction().SaveFileDialog(request);
        if (chosen) {
            try {
                ChangeDirectory(ProgramDir);
                const std::optional<std::string> command = FloppyCommand(archive, *chosen, kSplitCaption);
                if (command) {
                    AbortRun = false;
                    int32_t toolbarStatus = 0;
                    CommandTarget target = Commands(toolbarStatus);
                    RunCommand(*command, target);
                } else {
                    Show("Túl hosszú fájlnév: " + archive + " -> " + *chosen);
                }
            } catch (...) {
                platform::SetCurrentDirectory(StartDir);
                throw;
            }
        }
        RestoreDirectory();
    });
}

}  // namespace ruvu
