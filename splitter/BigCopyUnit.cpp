#include "splitter/BigCopyUnit.h"

#include <ctime>
#include <optional>
#include <vector>

#include "platform/DateFormat.h"
#include "platform/Drives.h"
#include "platform/File.h"
#include "platform/FileReplacement.h"
#include "platform/FileSystem.h"
#include "platform/FindFiles.h"
#include "platform/Interaction.h"
#include "platform/WinPath.h"
#include "splitter/FileIdentity.h"
#include "splitter/NextFloppy.h"
#include "splitter/SplitterError.h"

namespace ruvu {

namespace {

using platform::File;

constexpr int32_t kFloppySize = 1457664;
constexpr int32_t kCopyBuffer = 200000;
constexpr int32_t kFirstPieceReserve = 100000;  // room on the first floppy for the companion file
constexpr size_t kCountedBlock = 20000;
constexpr std::string_view kOpenFilter =
    "Floppy-s mentések|*.spl|Merevlemezes mentések|*.zip|Minden fájl|*.*";
constexpr std::string_view kSaveFilter = "Floppy Mentések|*.spl|Merevlemezes mentések|*.zip|Minden fájl|*.*";
constexpr std::string_view kCopyFailed = "Fatális hiba másolás közben";
constexpr std::string_view kJoinCancelled = "Beolvasás Floppy-ról megszakítva.";
constexpr std::string_view kJoinDone = "Beolvasás Floppy-ról kész.";
constexpr std::string_view kSplitCancelled = "Másolás Floppy-ra megszakítva, a mentés nem teljes.";
constexpr std::string_view kSplitDone = "Másolás Floppy-ra kész.";

void Box(std::string_view text, std::string_view title) {
    platform::CurrentInteraction().MessageBox(text, title, platform::MB_OK);
}

bool OnFloppyDrive(std::string_view name) {
    std::string drive = platform::UpperCaseAscii(name.substr(0, 2));
    return drive == "A:" || drive == "B:";
}

// Today's date in the program's short date format, cut to ten characters, with "-" between year,
// month and day whatever separator the format uses.
std::string DateNamedProposal() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::string text = platform::FormatShortDate(local).substr(0, 10);
    if (text.size() > 4) {
        text[4] = '-';
    }
    if (text.size() > 7) {
        text[7] = '-';
    }
    return text;
}

// The splitter fails a join silently when it stops at a disk prompt or at a missing piece; the
// person has to learn why nothing was restored. Its other failures have said so themselves.
void ReportFailedJoin(const TBigCopyRun& run) {
    if (run.Cancelled) {
        Box(kJoinCancelled, "Üzenet");
    } else if (!run.FileSplitter1.MissingPiece().empty()) {
        Box("Hiba: fájl nem található: " + run.FileSplitter1.MissingPiece(), "Hibaüzenet");
    } else if (!run.FileSplitter1.ForeignPiece().empty()) {
        Box("Hiba: rossz lemez, a(z) " + run.FileSplitter1.ForeignPiece() +
                " nem ennek a mentésnek a darabja.",
            "Hibaüzenet");
    }
}

bool CompanionToCopy(const TBigCopyRun& run) {
    return platform::FileExists(run.SourceInf) && !SameFile(run.SourceInf, run.DestInf);
}

std::string ReadWholeFile(const std::string& name) {
    File file = File::Open(name, platform::Access::Read, platform::Share::DenyWrite);
    if (!file.IsOpen()) {
        throw EFileSplitter::OpenError(name, file.Error());
    }
    std::string text;
    char block[8192];
    for (;;) {
        int64_t n = file.Read(block, sizeof block);
        if (n < 0) {
            throw EFileSplitter::ReadError(name, file.Error());
        }
        if (n == 0) {
            return text;
        }
        text.append(block, static_cast<size_t>(n));
    }
}

// Closes the window whichever way the workflow ends.
class WindowSession {
  public:
    WindowSession(BigCopyWindow& window, std::string_view title) : window_(window) {
        window_.SetCaption(title);
        window_.SetPieceProgress(0);
        window_.SetDiskPosition(0);
        window_.Show();
        window_.SetHourglass(true);
    }
    WindowSession(const WindowSession&) = delete;
    WindowSession& operator=(const WindowSession&) = delete;
    ~WindowSession() {
        window_.SetHourglass(false);
        window_.Close();
    }

  private:
    BigCopyWindow& window_;
};

}  // namespace

std::string CompanionInfName(std::string_view name) {
    size_t dot = name.find('.');
    if (dot == std::string_view::npos) {
        return std::string(name) + ".inf";
    }
    return std::string(name.substr(0, dot + 1)) + "inf";
}

void EraseFiles(std::string_view mask) {
    if (mask.find_first_of("*?") == std::string_view::npos) {
        if (platform::FileExists(mask)) {
            platform::DeleteFile(mask);
        }
        return;
    }
    const std::string folder = platform::ExtractFilePath(mask);
    for (const platform::FindEntry& entry : platform::FindFiles(mask, platform::faAnyFile)) {
        const std::string path = folder + entry.name;
        if (entry.attributes == platform::faDirectory && entry.name.front() != '.') {
            EraseFiles(path + "\\*.*");
            platform::RemoveDirectory(path);
        } else if (platform::FileExists(path)) {
            platform::DeleteFile(path);
        }
    }
}

bool CopyFileCounted(std::string_view source, std::string_view destination, int64_t& counter) {
    if (!platform::FileExists(source)) {
        return false;
    }
    File input = File::Open(source, platform::Access::Read, platform::Share::DenyWrite);
    if (!input.IsOpen()) {
        return false;
    }
    // The copy takes the destination's place only when complete: a failure leaves an existing one as it
    // was.
    platform::FileReplacement output = platform::FileReplacement::Begin(destination);
    if (!output.IsOpen() || output.TargetIs(input.NativeHandle())) {
        return false;  // also a file copied onto itself
    }
    std::vector<char> block(kCountedBlock);
    for (;;) {
        int64_t n = input.Read(block.data(), block.size());
        if (n < 0) {
            return false;
        }
        if (n == 0) {
            break;
        }
        platform::CurrentInteraction().ProcessPendingEvents();
        counter += n;
        if (output.Out().Write(block.data(), static_cast<size_t>(n)) != n) {
            return false;
        }
    }
    return output.Commit();
}

TBigCopyRun::TBigCopyRun(BigCopyWindow& window) : window_(window) {
    FileSplitter1.SetSize(kFloppySize);
    FileSplitter1.SetBufferSize(kCopyBuffer);
    FileSplitter1.SetReduceFirstSizeBy(kFirstPieceReserve);
    FileSplitter1.OnNeedDisk = [this](TFileSplitter* sender, uint16_t diskId, uint16_t numOfDisks,
                                      bool& cont) {
        FileSplitter1NeedDisk(sender, diskId, numOfDisks, cont);
    };
    FileSplitter1.OnProgress = [this](TFileSplitter* sender, uint16_t percent) {
        FileSplitter1Progress(sender, percent);
    };
}

void TBigCopyRun::FileSplitter1NeedDisk(TFileSplitter* Sender, uint16_t DiskID, uint16_t NumOfDisks,
                                        bool& Continue) {
    if (NumOfDisks > 0 && DiskID > NumOfDisks) {
        Continue = true;
        return;
    }
    // Only a removable medium is ever wiped, also when A: or B: is mapped to a fixed folder.
    const bool floppy =
        (FloppyDrive == 'A' || FloppyDrive == 'B') &&
        platform::GetDriveType(std::string(1, FloppyDrive) + ":\\") == platform::DRIVE_REMOVABLE;
    if (DiskID == 2 && CompanionToCopy(*this)) {
        CopyFileCounted(SourceInf, DestInf, Counter);
    }
    for (;;) {
        NextFloppyChoice choice = AskNextFloppy(DiskID, NumOfDisks, floppy);
        Continue = choice.ok;
        Cancelled = Cancelled || !choice.ok;
        // The disk of an earlier piece, still in the drive, is neither wiped nor written over.
        const uint16_t earlier = Continue && Splitting && floppy ? Sender->EarlierPieceInPlace(DiskID) : 0;
        if (earlier != 0) {
            Box("Ezen a lemezen a mentés " + std::to_string(earlier) +
                    ". darabja van. Kérem tegyen be egy másik lemezt!",
                "Üzenet");
            continue;
        }
        if (Continue && choice.erase) {
            EraseFiles(std::string(1, FloppyDrive) + ":*.*");
        }
        break;
    }
    window_.SetDiskMaximum(NumOfDisks > 0 ? NumOfDisks : 10);
    window_.SetDiskPosition(DiskID - 1);
}

void TBigCopyRun::FileSplitter1Progress(TFileSplitter*, uint16_t PercentDone) {
    window_.SetPieceProgress(PercentDone);
}

void BigCopy(std::string_view SourceIn, std::string_view DestIn, std::string_view Title, bool& abortRun,
             BigCopyWindow& window) {
    std::string Source(SourceIn);
    std::string Dest(DestIn);
    const std::string startDir = platform::GetCurrentDirectory();
    TBigCopyRun run(window);
    WindowSession session(window, Title);
    platform::Interaction& ui = platform::CurrentInteraction();

    bool ok = true;
    if (Source == "?") {
        platform::FileDialogRequest request;
        request.title = Title;
        request.filter = kOpenFilter;
        request.defaultExt = "spl";
        std::optional<std::string> chosen = ui.OpenFileDialog(request);
        if (chosen) {
            Source = *chosen;
        } else {
            ok = false;
        }
    }
    if (Dest == "?") {
        platform::SetCurrentDirectory(startDir);
        platform::SetShortDateFormat("yyyy/mm/dd");
        platform::FileDialogRequest request;
        request.title = Title;
        request.filter = kSaveFilter;
        request.fileName = DateNamedProposal();
        std::optional<std::string> chosen = ui.SaveFileDialog(request);
        if (chosen) {
            Dest = *chosen;
        } else {
            ok = false;
        }
    }

    if (OnFloppyDrive(Dest)) {
        run.FloppyDrive = Dest[0] == 'a' || Dest[0] == 'A' ? 'A' : 'B';
    }
    run.SourceInf = CompanionInfName(Source);
    run.DestInf = CompanionInfName(Dest);
    // Asked only while nothing was cancelled, so that a Yes cannot undo a cancelled file dialog; a
    // companion that already is the destination's needs neither the question nor a copy.
    if (ok && CompanionToCopy(run) && platform::FileExists(run.DestInf)) {
        ok = ui.OverwriteQuestion(Title, ReadWholeFile(run.SourceInf), ReadWholeFile(run.DestInf));
    }
    if (!ok) {
        return;
    }

    if (!OnFloppyDrive(Source) && !OnFloppyDrive(Dest)) {
        if (Dest.find('.') == std::string::npos) {
            Dest += ".zip";
        }
        if (!platform::CopyFile(Source, Dest, false)) {
            abortRun = true;
            Box(std::string(kCopyFailed) + " " + Source + "->" + Dest, "Hiba 02");
        }
        if (CompanionToCopy(run) && !platform::CopyFile(run.SourceInf, run.DestInf, false)) {
            abortRun = true;
            Box(kCopyFailed, "Hiba 03");
        }
        return;
    }

    if (Dest.find('.') == std::string::npos) {
        Dest += ".spl";
    }
    bool done;
    if (!OnFloppyDrive(Source)) {
        run.FileSplitter1.SetFileName(Source);
        run.FileSplitter1.SetSplitFileName(Dest);
        run.Splitting = true;
        done = run.FileSplitter1.Split();
        // A split stopped at a disk prompt reports success; the person must still learn that the backup
        // on the floppies is not whole.
        if (done) {
            Box(run.Cancelled ? kSplitCancelled : kSplitDone, "Üzenet");
        }
    } else {
        run.FileSplitter1.SetFileName(Dest);
        run.FileSplitter1.SetSplitFileName(Source);
        done = run.FileSplitter1.Join();
        if (done) {
            Box(kJoinDone, "Üzenet");
        } else {
            ReportFailedJoin(run);
        }
    }
    if (!done) {
        abortRun = true;
    }
    if (CompanionToCopy(run) && !platform::CopyFile(run.SourceInf, run.DestInf, false)) {
        abortRun = true;
        Box(kCopyFailed, "Hiba 01");
    }
}

}  // namespace ruvu
