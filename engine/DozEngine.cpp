#include "engine/DozEngine.h"

#include "engine/DozErozev.h"

namespace ruvu {

TDozEngine::TDozEngine(TDozErozev& component, TCustomVivEDI& sfx)
    : TZipBase(component), UnzLib(*this), ZipLib(*this), SFX(sfx) {}

TDozEngine::~TDozEngine() {
    ShuttingDown = true;
    Cancel = 1;
    UnzLib.AbortLib();
    ZipLib.AbortLib();
    WorkHandle.Close();
}

void TDozEngine::SetActive(bool value) {
    if (value == Active) {
        return;
    }
    Active = value;
    const bool listPending = ListPending;
    const bool commentPending = CommentPending;
    ListPending = false;
    CommentPending = false;
    if (!value) {
        return;
    }
    if (listPending) {
        List();
    }
    if (commentPending) {
        SetArchiveComment(std::string(pendingComment_));
    }
}

void TDozEngine::StartUp(const EngineOptions& options, const std::vector<std::string>& specArgs,
                         const std::vector<std::string>& specArgsExcl) {
    Reentry = false;
    Busy = true;
    Options = options;
    SpecArgs = specArgs;
    SpecArgsExcl = specArgsExcl;
    SuccessCount = 0;
}

void TDozEngine::RaiseDirUpdate() {
    TDozErozev& c = Component();
    if (!ShuttingDown && c.OnDirUpdate) {
        c.OnDirUpdate(&c);
    }
}

}  // namespace ruvu
