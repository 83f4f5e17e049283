// Add: checks the request in a fixed order, then lets DIZODE.DLL build the archive from ZipParams
// and lists the archive again when files were added. A file the library left out makes the add end
// with the library's code (ErrCode) and its count in LastMessage, also when others were added.
#include "abi/LibraryEntry.h"
#include "engine/DozEngine.h"
#include "engine/DozErozev.h"
#include "engine/LibraryRecords.h"
#include "engine/Messages.h"
#include "platform/Drives.h"
#include "platform/FileSystem.h"
#include "platform/Interaction.h"
#include "platform/WinPath.h"

namespace ruvu {

namespace {

bool IsExeName(std::string_view name) {
    return platform::UpperCaseAscii(platform::ExtractFileExt(name)) == ".EXE";
}

}  // namespace

void TDozEngine::Add() {
    SuccessCount = 0;
    AddOpts& add = Options.AddOptions;
    if (SpecArgs.empty()) {
        if (!add.Contains(AddFreshen) && !add.Contains(AddUpdate)) {
            ShowZipMessage(msg::AddNoFiles);
            return;
        }
        // Nothing named: every entry of the archive is freshened.
        add.Exclude(AddUpdate);
        add.Include(AddFreshen);
        SpecArgs.assign(1, "*.*");
    }
    if (add.Contains(AddDiskSpanErase)) {
        add.Include(AddDiskSpan);
        Options.SpanOptions.Include(spWipeFiles);
    }
    if (ZipFileName.empty()) {
        ShowZipMessage(msg::NoZipSpecified);
        return;
    }
    if (Options.Unattended && add.Contains(AddEncrypt) && Password.empty()) {
        ShowZipMessage(msg::AddUnattendedNoPassword);
        return;
    }
    const bool spanning = add.Contains(AddDiskSpan);
    std::string target = ZipFileName;
    if (spanning) {
        if (add.Contains(AddFreshen) || add.Contains(AddUpdate)) {
            ShowZipMessage(msg::AddFreshenSpanned);
            return;
        }
        if (IsExeName(ZipFileName)) {
            ShowZipMessage(msg::SfxCannotSpan);
            return;
        }
        target = MakeTempFileName({}, {});
        if (target.empty()) {
            ShowZipMessage(msg::TempFileCreateError);
            return;
        }
        TDozErozev& c = Component();
        if (Options.Verbose && c.OnMessage) {
            c.OnMessage(&c, 0, LoadZipStrFmt(msg::TemporaryZipFile, {target}));
        }
    }
    if (ZipLibRunning) {
        return;
    }
    try {
        if (IsExeName(ZipFileName) && FirstLocalOffset == 0 && !platform::FileExists(ZipFileName)) {
            CreateEmptySFX();
        }
        if (ZipLib.Load(kOperationLibraryVersion, false) == 0) {
            return;
        }
    } catch (const EDozErozev& error) {
        ShowExceptionError(error);
        return;
    }

    // A problem the library reports (a file left out) is the add's result: the listing that follows a
    // successful call would otherwise clear it.
    int32_t libraryCode = 0;
    int32_t libraryFullCode = 0;
    std::string libraryMessage;
    ZipLibRunning = true;
    Cancel = 0;
    StartWaitCursor();
    bool onlyCopy = false;
    // Cleared first, so an error before the library call carries no text of an earlier operation.
    ExceptionText.clear();
    try {
        ZipCall call;
        FillZipParams(*this, target, abi::kRecordVersion, call);
        if (IsFixedDrive || !spanning) {
            const std::string folder = platform::ExtractFilePath(platform::ExpandFileName(ZipFileName));
            if (add.Contains(AddForceDest)) {
                platform::ForceDirectories(folder);
            }
            if (!platform::DirectoryExists(folder)) {
                throw EDozErozev(msg::AddDestDirMissing, {folder});
            }
        }
        FillAddSpecs(SpecArgs, SpecArgsExcl, call);
        const int32_t earlierCode = ErrCode;
        ErrCode = 0;
        SuccessCount = ZipLib.Exec(call.params);
        if (ErrCode != 0) {
            libraryCode = ErrCode;
            libraryFullCode = FullErrCode;
            libraryMessage = LastMessage;
        } else {
            ErrCode = earlierCode;
        }
        if (spanning && SuccessCount >= 1) {
            // With AddMove the library has removed the files it took: the temporary archive is then
            // their only copy until the set is written.
            onlyCopy = add.Contains(AddMove);
            if (WriteSpan(target, ZipFileName) == 0) {
                onlyCopy = false;
            } else {
                SuccessCount = 0;
            }
        }
    } catch (EDozErozev& error) {
        error.AppendMessage(ExceptionText);
        ShowExceptionError(error);
    } catch (...) {
        ShowZipMessage(msg::ZipFatalAbort);
    }
    // The temporary archive of a spanned add stays behind only when it holds the only copy of files.
    if (spanning && platform::FileExists(target)) {
        if (onlyCopy) {
            const std::string kept = LoadZipStrFmt(msg::TemporaryZipFile, {target});
            if (!Options.Unattended) {
                ShowMessageBox(kept, platform::MB_OK | platform::MB_ICONWARNING);
            }
            ReportProgress(pkMessage, 0, 0, kept);
        } else {
            platform::DeleteFile(target);
        }
    }
    SpecArgs.clear();
    SpecArgsExcl.clear();
    EndWaitCursor();

    ZipLib.Unload(false);
    ClearCallbackData();
    Cancel = 0;
    ZipLibRunning = false;
    if (SuccessCount > 0) {
        List();
        if (ErrCode == 0 && libraryCode != 0) {
            ErrCode = libraryCode;
            FullErrCode = libraryFullCode;
            LastMessage = libraryMessage;
        }
    }
}

}  // namespace ruvu
