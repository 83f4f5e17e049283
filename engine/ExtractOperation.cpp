// Extract and test: RUROZA.DLL reads the archive (or the copy joined from a spanned set) and writes
// the selected entries below ExtrBaseDir, or only checks them with ExtrTest. The archive itself is
// not changed and not listed again.
#include "engine/DozEngine.h"
#include "engine/DozErozev.h"
#include "engine/LibraryRecords.h"
#include "engine/Messages.h"
#include "platform/FileSystem.h"
#include "platform/TempFiles.h"
#include "platform/WinPath.h"

namespace ruvu {

namespace {

// The file specifications are spent by every Extract, however it ends.
class SpecArgsSpent {
  public:
    explicit SpecArgsSpent(std::vector<std::string>& specs) : specs_(specs) {}
    SpecArgsSpent(const SpecArgsSpent&) = delete;
    SpecArgsSpent& operator=(const SpecArgsSpent&) = delete;
    ~SpecArgsSpent() { specs_.clear(); }

  private:
    std::vector<std::string>& specs_;
};

}  // namespace

void TDozEngine::Extract() {
    SpecArgsSpent spent(SpecArgs);
    SuccessCount = 0;
    ErrCode = 0;
    LastMessage.clear();
    const uint32_t passwordRequests = Options.PasswordReqCount;
    if (ZipFileName.empty()) {
        ShowZipMessage(msg::NoZipSpecified);
        return;
    }
    if (Entries.empty()) {
        List();
        if (Entries.empty()) {
            if (ErrCode == 0) {
                ShowZipMessage(msg::ZipOpenError);
            }
            return;
        }
    }
    if (UnzLibRunning) {
        return;
    }
    if (Options.Unattended && Password.empty() && !Component().OnPasswordError) {
        // Nobody could answer a password request.
        Options.PasswordReqCount = 0;
        ShowZipMessage(msg::ExtractUnattendedWarning);
    }
    Cancel = 0;
    UnzLibRunning = true;
    auto finish = [&] {
        Options.PasswordReqCount = passwordRequests;
        Cancel = 0;
        UnzLibRunning = false;
    };

    std::string archive = ZipFileName;
    std::string joined;
    if (LastDiskNumber != 0) {
        joined = Options.TempDir.empty() ? platform::GetTempPath()
                                         : platform::IncludeTrailingBackslash(Options.TempDir);
        if (ReadSpan(ZipFileName, joined) != 0) {
            finish();
            return;
        }
        archive = joined;
    }
    int32_t version = 0;
    try {
        version = UnzLib.Load(kOperationLibraryVersion, false);
    } catch (const EDozErozev& error) {
        ShowExceptionError(error);
    }
    if (version == 0) {
        if (!joined.empty()) {
            platform::DeleteFile(joined);
        }
        finish();
        return;
    }

    ExceptionText.clear();
    try {
        UnzCall call;
        const ExtrOpts extr = Options.ExtrOptions;
        std::string extractDir;
        if (!Options.ExtrBaseDir.empty() && !extr.Contains(ExtrTest)) {
            if (extr.Contains(ExtrForceDirs)) {
                platform::ForceDirectories(Options.ExtrBaseDir);
            }
            if (!platform::DirectoryExists(Options.ExtrBaseDir)) {
                throw EDozErozev(msg::ExtractDirMissing, {Options.ExtrBaseDir});
            }
            extractDir = Options.ExtrBaseDir;
        }
        FillUnzParams(*this, archive, version, extractDir, call);
        FillUnzSpecs(SpecArgs, call);
        SuccessCount = UnzLib.Exec(call.params);
    } catch (EDozErozev& error) {
        error.AppendMessage(ExceptionText);
        ShowExceptionError(error);
        SuccessCount = 0;
    } catch (...) {
        ShowZipMessage(msg::UnzFatalAbort);
        SuccessCount = 0;
    }
    if (!joined.empty()) {
        platform::DeleteFile(joined);
    }
    UnzLib.Unload(false);
    ClearCallbackData();
    finish();
}

}  // namespace ruvu
