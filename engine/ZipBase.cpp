#include "engine/ZipBase.h"

#include "engine/DozErozev.h"
#include "engine/Messages.h"
#include "platform/FileSystem.h"
#include "platform/TempFiles.h"
#include "platform/WinPath.h"

namespace ruvu {

TZipBase::TZipBase(TDozErozev& component) : component_(component) {}

TZipBase::~TZipBase() = default;

TObject* TZipBase::Sender() const {
    return &component_;
}

TObject* TZipBase::OwnerSender() const {
    return component_.Owner();
}

int TZipBase::ShowMessageBox(std::string_view text, uint32_t flags) {
    return platform::CurrentInteraction().MessageBox(text, component_.ApplicationTitle(), flags);
}

void TZipBase::ShowZipMessage(int32_t id, std::string_view extra) {
    std::string text = LoadZipStr(id);
    if (text.empty()) {
        text = FormatText(kMissingTextReport, {id});
    }
    text += extra;
    LastMessage = text;
    ErrCode = id;
    if (!Options.Unattended) {
        ShowMessageBox(text, platform::MB_OK);
    }
    if (!ShuttingDown && component_.OnMessage) {
        component_.OnMessage(Sender(), id, text);
    }
}

void TZipBase::ShowExceptionError(const EDozErozev& error) {
    ErrCode = error.ResId();
    LastMessage = error.Message();
    if (error.DisplayMsg() && !Options.Unattended) {
        ShowMessageBox(LastMessage, platform::MB_OK);
    }
    if (!ShuttingDown && component_.OnMessage) {
        component_.OnMessage(Sender(), ErrCode, LastMessage);
    }
}

void TZipBase::ReportProgress(int32_t kind, int32_t code, int64_t size, std::string_view text,
                              int64_t written) {
    Details.BytesWritten += written;
    ReportProgress(kind, code, size, text);
}

void TZipBase::ReportProgress(int32_t kind, int32_t code, int64_t size, std::string_view text) {
    if (ShuttingDown) {
        return;
    }
    if (kind != pkAfterCallbackOnly) {
        DispatchProgress(kind, code, size, text);
    }
    TDozErozev& c = component_;
    if (c.OnAfterCallback) {
        bool abort = Cancel != 0;
        c.OnAfterCallback(OwnerSender(), abort);
        if (abort) {
            Cancel = 1;
        }
    } else {
        platform::CurrentInteraction().ProcessPendingEvents();
    }
}

void TZipBase::DispatchProgress(int32_t kind, int32_t code, int64_t size, std::string_view text) {
    TDozErozev& c = component_;
    TProgressDetails& d = Details;
    const uint32_t size32 = static_cast<uint32_t>(size);
    const int32_t sizeArg = static_cast<int32_t>(size32);
    auto details = [&](TObject* sender) {
        if (c.OnProgressDetails) {
            c.OnProgressDetails(sender, d);
        }
    };
    auto progress = [&](ProgressType type, std::string_view name, int32_t fileSize) {
        if (c.OnProgress) {
            c.OnProgress(Sender(), type, std::string(name), fileSize);
        }
    };
    auto item = [&](uint32_t total, int32_t perCent) {
        if (c.OnItemProgress) {
            c.OnItemProgress(Sender(), d.ItemName, total, perCent);
        }
    };
    auto total = [&](int32_t totalSize, int32_t perCent) {
        if (c.OnTotalProgress) {
            c.OnTotalProgress(Sender(), totalSize, perCent);
        }
    };

    switch (kind) {
        case pkTick:
            if (c.OnTick) {
                c.OnTick(Sender());
            }
            break;
        case pkItemStart:
            progress(ptItemStart, text, sizeArg);
            d.ItemNumber += 1;
            d.ItemName = text;
            d.ItemSize = size32;
            d.ItemDone = 0;
            d.LastKind = ptItemStart;
            details(Sender());
            item(size32, 0);
            break;
        case pkItemBytes:
            progress(ptItemProgress, {}, sizeArg);
            d.TotalDone += size;
            d.ItemDone += size32;
            d.LastKind = ptItemProgress;
            details(Sender());
            item(d.ItemDone, static_cast<int32_t>(d.ItemPerCent()));
            total(static_cast<int32_t>(d.TotalSize), d.TotalPerCent());
            break;
        case pkItemEnd:
            progress(ptItemEnd, {}, 0);
            d.ItemName.clear();
            d.ItemSize = 0;
            d.LastKind = ptItemEnd;
            details(Sender());
            item(0, 101);
            total(0, 101);
            break;
        case pkMessage: {
            std::string message(text);
            if (code != 0) {
                LastMessage = message;
                ErrCode = static_cast<int8_t>(code & 0xFF);
                if (ErrCode == 9 && !ExceptionText.empty()) {
                    // The event text ends with a blank for the exception's own text to follow.
                    std::string eventText = LoadZipStr(msg::EventException);
                    message = eventText.find('%') != std::string::npos
                                  ? FormatText(eventText, {ExceptionText})
                                  : eventText + ExceptionText;
                    LastMessage = message;
                }
                FullErrCode = code;
            }
            if (c.OnMessage) {
                c.OnMessage(Sender(), code, message);
            }
            break;
        }
        case pkItemCount:
            d.Reset();
            d.TotalCount = sizeArg;
            d.ItemNumber = 0;
            d.LastKind = ptTotalCount;
            details(Sender());
            progress(ptTotalCount, {}, sizeArg);
            break;
        case pkTotalBytes:
            d.TotalSize = size;
            d.TotalDone = 0;
            d.ItemName.clear();
            d.ItemSize = 0;
            d.ItemDone = 0;
            d.BytesWritten = 0;
            d.LastKind = ptTotalSize;
            details(OwnerSender());
            progress(ptTotalSize, {}, sizeArg);
            break;
        case pkEngineItemStart:
            progress(ptExtItemStart, text, sizeArg);
            d.ItemName = LoadZipStrDef(msg::StepBase + code, text);
            d.ItemSize = size32;
            d.ItemDone = 0;
            d.LastKind = ptExtItemStart;
            details(Sender());
            item(size32, 0);
            break;
        case pkEngineItemBytes:
            progress(ptExtItemProgress, d.ItemName, sizeArg);
            d.ItemDone += size32;
            d.LastKind = ptExtItemProgress;
            details(Sender());
            item(d.ItemSize, static_cast<int32_t>(d.ItemPerCent()));
            break;
        default:
            ReportOtherProgress(kind, code, size, text);
            break;
    }
}

void TZipBase::StartWaitCursor() {
    if (waitCount_ == 0) {
        platform::Interaction& ui = platform::CurrentInteraction();
        savedCursor_ = ui.ScreenCursor();
        ui.SetScreenCursor(platform::Cursor::HourGlass);
    }
    ++waitCount_;
}

void TZipBase::EndWaitCursor() {
    if (waitCount_ > 0 && --waitCount_ == 0) {
        platform::CurrentInteraction().SetScreenCursor(savedCursor_);
    }
}

std::string TZipBase::MakeTempFileName(std::string_view prefix, std::string_view extension) {
    std::string folder;
    if (!Options.TempDir.empty()) {
        Options.TempDir = platform::IncludeTrailingBackslash(Options.TempDir);
        folder = Options.TempDir;
    } else {
        folder = platform::GetTempPath();
    }
    std::string name = platform::GetTempFileName(folder, prefix.empty() ? "zip" : prefix);
    if (name.empty()) {
        return name;
    }
    platform::DeleteFile(name);
    return platform::ChangeFileExt(name, extension.empty() ? ".zip" : extension);
}

}  // namespace ruvu
