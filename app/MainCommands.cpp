// The main window's toolbar commands on the archive file (open, new, delete) and on its entries (add,
// extract, delete, test).
#include <stdexcept>

#include "app/Addunit.h"
#include "app/DialogResults.h"
#include "app/ProgramArguments.h"
#include "app/QtText.h"
#include "app/extrunit.h"
#include "app/mainunit.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/Interaction.h"
#include "platform/Process.h"
#include "platform/TextCase.h"
#include "platform/WinPath.h"

namespace ruvu {

namespace {

constexpr const char* kTitle = "RuvuvADU";

// Sets a flag for a scope and puts the old value back.
class FlagScope {
  public:
    FlagScope(bool& flag, bool value) : flag_(flag), old_(flag) { flag_ = value; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;
    ~FlagScope() { flag_ = old_; }

  private:
    bool& flag_;
    bool old_;
};

// The hourglass for a scope; the normal cursor comes back however the scope is left.
class HourGlassScope {
  public:
    HourGlassScope() { platform::CurrentInteraction().SetScreenCursor(platform::Cursor::HourGlass); }
    HourGlassScope(const HourGlassScope&) = delete;
    HourGlassScope& operator=(const HourGlassScope&) = delete;
    ~HourGlassScope() { platform::CurrentInteraction().SetScreenCursor(platform::Cursor::Default); }
};

}  // namespace

std::vector<std::string> AddSpecifications(const std::vector<std::string>& lines, std::string_view startDir) {
    std::string prefix(startDir);
    if (prefix.empty() || prefix.back() != '\\') {
        prefix += '\\';
    }
    std::vector<std::string> specs;
    specs.reserve(lines.size());
    for (const std::string& line : lines) {
        // A drive colon only stands second, so the prefix can only occur at the start.
        specs.push_back(line.starts_with(prefix) ? line.substr(prefix.size()) : line);
    }
    return specs;
}

void TMainform::Guarded(const std::function<void()>& command) {
    if (commandRunning_ || DozErozev1.Busy()) {
        return;
    }
    FlagScope running(commandRunning_, true);
    try {
        command();
    } catch (const std::exception& error) {
        platform::CurrentInteraction().MessageBox(error.what(), kTitle,
                                                  platform::MB_OK | platform::MB_ICONSTOP);
    }
}

void TMainform::Show(std::string_view text) {
    platform::CurrentInteraction().MessageBox(text, kTitle, platform::MB_OK);
}

bool TMainform::Ask(std::string_view text) {
    return platform::CurrentInteraction().MessageBox(
               text, kTitle, platform::MB_YESNO | platform::MB_ICONQUESTION | platform::MB_DEFBUTTON2) ==
           platform::IDYES;
}

void TMainform::RestoreDirectory() {
    ChangeDirectory(StartDir);
}

void TMainform::ClearMemo() {
    Memo1->clear();
    memoLines_ = 0;
    memoFullShown_ = false;
}

void TMainform::StartLine(std::string_view text) {
    ClearMemo();
    DozErozev1Message(this, 0, std::string(text));
}

void TMainform::MessageLevel() {
    DozErozev1.SetVerbose(VerboseCB->isChecked());
    DozErozev1.SetTrace(TraceCB->isChecked());
}

void TMainform::SelectedNames() {
    std::vector<std::string>& specs = DozErozev1.FSpecArgs();
    specs.clear();
    const QModelIndexList rows = StringGrid1->selectionModel()->selectedRows();
    if (rows.isEmpty()) {
        return;
    }
    int top = rows.front().row();
    int bottom = top;
    for (const QModelIndex& index : rows) {
        top = std::min(top, index.row());
        bottom = std::max(bottom, index.row());
    }
    for (int row = top; row <= bottom; ++row) {
        specs.push_back(gridModel_->CellText(row, 0));
    }
}

void TMainform::Timed(const std::function<void()>& operation) {
    const uint32_t start = platform::GetTickCount();
    operation();
    TimeLabel->setText(ToQ(ElapsedText(start, platform::GetTickCount())));
}

void TMainform::RunCounted(int32_t (TDozErozev::*operation)(), std::string_view failure,
                           std::string_view counted) {
    Timed([&] {
        try {
            (DozErozev1.*operation)();
        } catch (const std::exception&) {
            Show(failure);
        }
    });
    Show(std::to_string(DozErozev1.SuccessCount()) + std::string(counted));
}

void TMainform::ZIPOpenButClick() {
    Guarded([this] {
        platform::FileDialogRequest request;
        request.title = "Meglévő ZIP fájl megnyitása";
        request.filter = "ZIP Files (*.ZIP, *.EXE *.SPL)|*.zip;*.spl;*.exe";
        request.initialDir = dialogFolder_;
        const std::optional<std::string> chosen = platform::CurrentInteraction().OpenFileDialog(request);
        if (chosen) {
            OpenArchiveFile(*chosen);
        }
        RestoreDirectory();
    });
}

void TMainform::OpenDroppedFile(const std::string& hostPath) {
    Guarded([this, &hostPath] {
        const std::optional<std::string> name = platform::HostToWindowsPath(hostPath);
        if (!name) {
            Show("A fájl egyik meghajtón sem érhető el: " + hostPath);
            return;
        }
        OpenArchiveFile(*name);
        RestoreDirectory();
    });
}

void TMainform::OpenArchiveFile(const std::string& chosen) {
    dialogFolder_ = platform::ExtractFileDir(chosen);
    std::optional<std::string> name = chosen;
    if (IsSplitPiece(chosen)) {
        int32_t toolbarStatus = 0;
        name = JoinSplitSet(chosen, toolbarStatus);
    }
    if (!name) {
        return;
    }
    {
        HourGlassScope hourGlass;
        const int updates = dirUpdates_;
        DozErozev1.SetZipFileName(*name);
        // A file that could not be listed is reported by the component; it must not stay the
        // target of the next add.
        if (dirUpdates_ == updates && !DozErozev1.ZipFileName().empty()) {
            DozErozev1.SetZipFileName("");
        }
    }
    ShowZipName(DozErozev1.ZipFileName());
}

void TMainform::NewZipBtnClick() {
    Guarded([this] {
        platform::FileDialogRequest request;
        request.title = "Új ZIP Fájl létrehozása";
        request.filter = "ZIP Files (*.ZIP)|*.zip";
        request.initialDir = dialogFolder_;
        const std::optional<std::string> chosen = platform::CurrentInteraction().SaveFileDialog(request);
        if (chosen) {
            std::string name = *chosen;
            dialogFolder_ = platform::ExtractFileDir(name);
            const std::string extension = platform::UpperCase(platform::ExtractFileExt(name));
            if (extension == ".EXE") {
                Show("SFX készités elött ZIP fájlt kell létrehozni");
                return;
            }
            if (name.find('.') == std::string::npos) {
                name += ".zip";
            } else if (extension != ".ZIP") {
                Show("Hiba: csak ZIP kiterjesztés lehet!");
                return;
            }
            if (platform::FileExists(name)) {
                if (!Ask("Overwrite Existing File: " + name + "?")) {
                    return;
                }
                platform::HostError error = platform::HostError::None;
                if (!platform::DeleteFile(name, &error)) {
                    Show("A fájl nem törölhető: " + name + " (" + platform::HostErrorText(error) + ")");
                    return;
                }
            }
            ShowZipName(name);
            DozErozev1.SetZipFileName(name);
        }
        RestoreDirectory();
    });
}

void TMainform::DeleteZIPButClick() {
    Guarded([this] {
        const std::string name = FromQ(ZipFName->text());
        if (!platform::FileExists(name)) {
            Show("Zip fájl nem található: " + name);
            RestoreDirectory();
            return;
        }
        if (!Ask("Törölni akarja: " + name + "?")) {
            return;
        }
        platform::HostError error = platform::HostError::None;
        if (!platform::DeleteFile(name, &error)) {
            Show("A fájl nem törölhető: " + name + " (" + platform::HostErrorText(error) + ")");
            RestoreDirectory();
            return;
        }
        gridModel_->Clear();
        DozErozev1.SetZipFileName("");
        FilesLabel->setText(QStringLiteral("0"));
        // After the emptied listing, which shows no name: the label says the file is gone.
        ShowZipName("<none>");
        RestoreDirectory();
    });
}

void TMainform::AddButClick() {
    Guarded([this] {
        if (DozErozev1.ZipFileName().empty()) {
            Show("Nincs megnyitva ZIP fájl!");
            return;
        }
        add_->setGeometry(geometry());
        Results().DialogCanceled = false;
        add_->exec();
        if (Results().DialogCanceled) {
            return;
        }
        const std::vector<std::string> lines = add_->SelectedLines();
        if (lines.empty()) {
            Show("Nincs fájl kijelölve!");
            return;
        }
        StartLine("Fájl hozzáadás start " + DozErozev1.ZipFileName());
        MessageLevel();
        AddOpts options;
        if (add_->RecurseCB->isChecked()) {
            options.Include(AddRecurseDirs);
        }
        if (add_->DirNameCB->isChecked()) {
            options.Include(AddDirNames);
        }
        if (add_->EncryptCB->isChecked()) {
            options.Include(AddEncrypt);
        }
        DozErozev1.SetAddOptions(options);
        DozErozev1.FSpecArgs() = AddSpecifications(lines, StartDir);
        add_->ClearSelectedList();
        RestoreDirectory();

        RunCounted(&TDozErozev::Add, "Hiba fájl beillesztés közben; DLL fatális hibát jelez",
                   " fájl beillesztve.");
    });
}

void TMainform::ExtractButClick() {
    Guarded([this] {
        const std::string caption = FromQ(ZipFName->text());
        if (!platform::FileExists(caption)) {
            Show("Hiba: fájl nem található: " + caption);
            return;
        }
        extract_->exec();
        const DialogResults& results = Results();
        if (results.ExtractDir.empty() || results.DialogCanceled) {
            return;
        }
        if (DozErozev1.Count() < 1) {
            Show("Nincs fájl kibontva");
            return;
        }
        DozErozev1.FSpecArgs().clear();
        if (!results.AllFiles) {
            SelectedNames();
            if (DozErozev1.FSpecArgs().empty()) {
                Show("Nincs fájl kijelölve!");
                return;
            }
        }
        StartLine("Kibontás start " + DozErozev1.ZipFileName());
        DozErozev1.SetExtrBaseDir(results.ExtractDir);
        MessageLevel();
        ExtrOpts options;
        if (results.ExpandDirs) {
            options.Include(ExtrDirNames);
        }
        if (results.OverwriteFiles) {
            options.Include(ExtrOverWrite);
        }
        DozErozev1.SetExtrOptions(options);

        RunCounted(&TDozErozev::Extract, "Hiba a kibontás közben; DLL fatális hibát jelez",
                   " fájl kibontva.");
        RestoreDirectory();
    });
}

void TMainform::DeleteButClick() {
    Guarded([this] {
        if (DozErozev1.Count() < 1) {
            Show("Nem lett fájl törölve.");
            return;
        }
        if (!Ask("Törölni a kijelölt fájlokat " + DozErozev1.ZipFileName() + "-ből ?")) {
            return;
        }
        SelectedNames();
        if (DozErozev1.FSpecArgs().empty()) {
            Show("Nincs fájl kijelölve!");
            return;
        }
        StartLine("Fájl törlés ZIP-ből start " + DozErozev1.ZipFileName());
        MessageLevel();

        RunCounted(&TDozErozev::Delete, "Fatális hiba törlés közben", " fájl törölve.");
    });
}

void TMainform::TestButClick() {
    Guarded([this] {
        if (DozErozev1.Count() < 1) {
            Show("Nincs mit tesztelni.");
            return;
        }
        MessageLevel();
        StartLine("Ellenörzés start " + DozErozev1.ZipFileName());
        DozErozev1.FSpecArgs() = {"*.*"};
        DozErozev1.SetExtrOptions(DozErozev1.ExtrOptions().Include(ExtrTest));

        // Unlike the other operations, an exception here goes to the general error display.
        Timed([this] { DozErozev1.Extract(); });
        const int32_t count = DozErozev1.Count();
        const int32_t tested = DozErozev1.SuccessCount();
        if (tested == count) {
            Show("Minden fájl (" + std::to_string(count) + ") ellenörizve. OK");
        } else {
            Show("HIBA: " + std::to_string(count - tested) + " fájl sérült!");
        }
    });
}

}  // namespace ruvu
