// Delete: DIZODE.DLL removes the entries named by the file specifications; the directory is read
// again when anything was deleted. Spanned archives are refused before the library is loaded.
#include "abi/LibraryEntry.h"
#include "engine/DozEngine.h"
#include "engine/LibraryRecords.h"
#include "engine/Messages.h"
#include "platform/FileSystem.h"

namespace ruvu {

int32_t TDozEngine::Delete() {
    ErrCode = 0;
    SuccessCount = 0;
    if (SpecArgs.empty()) {
        ShowZipMessage(msg::DeleteNoFiles);
        return 0;
    }
    if (!platform::FileExists(ZipFileName)) {
        ShowZipMessage(msg::NoZipSpecified);
        return ErrCode;
    }
    bool spanned = Spanned;
    WorkFileName = ZipFileName;
    try {
        zip::EndOfCentralDir record{};
        // The last part of a set counts as spanned too: rewriting it alone would break the set.
        if (OpenEndRecord(record, false) && record.ThisDiskNo != 0) {
            spanned = true;
        }
    } catch (const EDozErozev&) {
        // Not readable as an archive: the library reports what it finds.
    }
    WorkHandle.Close();
    spanned = spanned || Spanned;
    if (spanned) {
        ShowZipMessage(msg::DeleteSpannedNotImplemented);
        return ErrCode;
    }
    if (ZipLibRunning) {
        return 0;
    }
    int32_t version = 0;
    try {
        version = ZipLib.Load(kOperationLibraryVersion, false);
    } catch (const EDozErozev& error) {
        ShowExceptionError(error);
        return ErrCode;
    }

    ZipLibRunning = true;
    Cancel = 0;
    ExceptionText.clear();
    try {
        ZipCall call;
        FillZipParams(*this, ZipFileName, version, call);
        FillDeleteSpecs(SpecArgs, SpecArgsExcl, call);
        SuccessCount = ZipLib.Exec(call.params);
    } catch (EDozErozev& error) {
        error.AppendMessage(ExceptionText);
        ShowExceptionError(error);
    } catch (...) {
        ShowZipMessage(msg::ZipFatalAbort);
    }
    SpecArgs.clear();
    SpecArgsExcl.clear();
    ZipLib.Unload(false);
    ClearCallbackData();
    ZipLibRunning = false;
    Cancel = 0;
    if (SuccessCount > 0) {
        List();
    }
    return ErrCode;
}

}  // namespace ruvu
