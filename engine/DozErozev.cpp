#include "engine/DozErozev.h"

#include <algorithm>

#include "engine/DozEngine.h"
#include "engine/Messages.h"
#include "platform/WinPath.h"

namespace ruvu {

namespace {

constexpr uint32_t kMaxPasswordRequests = 15;

bool IsSuffixSeparator(char c) {
    return c == ';' || c == ':' || c == ',';
}

// "doc;.TXT" becomes ".doc:.txt:": every item gets a leading dot and ends with ':'.
std::string NormaliseSuffixes(std::string_view text) {
    std::string out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = start;
        while (end < text.size() && !IsSuffixSeparator(text[end])) {
            ++end;
        }
        const std::string_view item = text.substr(start, end - start);
        if (!item.starts_with('.')) {
            out += '.';
        }
        out += item;
        out += ':';
        start = end + 1;
    }
    return platform::LowerCaseAscii(out);
}

struct SfxOptionBit {
    SFXOptsEnum option;
    uint16_t bit;
};
constexpr SfxOptionBit kSfxOptionBits[] = {
    {SFXAskCmdLine, sfx::kAskCmdLine},
    {SFXAskFiles, sfx::kAskFiles},
    {SFXHideOverWriteBox, sfx::kHideOverWriteBox},
    {SFXAutoRun, sfx::kAutoRun},
    {SFXNoSuccessMsg, sfx::kNoSuccessMsg},
};

}  // namespace

TDozErozev::TDozErozev(TObject* owner) : owner_(owner), engine_(std::make_unique<TDozEngine>(*this, sfx_)) {
    active_ = true;
    engine_->SetActive(true);
}

TDozErozev::~TDozErozev() {
    engine_->SetActive(false);
}

TDozErozev::Operation::Operation(TDozErozev& component) : component_(component) {
    component_.busy_ = true;
    component_.reentrySeen_ = false;
    component_.engine_->StartUp(component_.options_, component_.fSpecArgs_, component_.fSpecArgsExcl_);
}

TDozErozev::Operation::~Operation() {
    TDozEngine& engine = *component_.engine_;
    engine.Busy = false;
    component_.busy_ = false;
    if (engine.Reentry) {
        component_.reentrySeen_ = true;
    }
    component_.fSpecArgs_ = engine.SpecArgs;
    component_.fSpecArgsExcl_ = engine.SpecArgsExcl;
}

bool TDozErozev::Permitted() {
    if (busy_) {
        NoteReentry();
        return false;
    }
    return active_;
}

void TDozErozev::NoteReentry() {
    reentrySeen_ = true;
    engine_->Reentry = true;
    if (engine_->Options.Verbose) {
        engine_->ReportProgress(pkMessage, 0, 0, "Re-entry");
    }
}

void TDozErozev::SetActive(bool value) {
    active_ = value;
    if (value && !busy_ && (engine_->ListPending || engine_->CommentPending)) {
        Operation operation(*this);
        engine_->SetActive(true);
    } else {
        engine_->SetActive(value);
    }
}

int32_t TDozErozev::RunOperation(void (*work)(TDozEngine& engine)) {
    if (!Permitted()) {
        return kNotPermitted;
    }
    {
        Operation operation(*this);
        work(*engine_);
    }
    return ErrCode();
}

int32_t TDozErozev::Add() {
    return RunOperation([](TDozEngine& engine) { engine.Add(); });
}

int32_t TDozErozev::Extract() {
    return RunOperation([](TDozEngine& engine) { engine.Extract(); });
}

int32_t TDozErozev::Delete() {
    return RunOperation([](TDozEngine& engine) { engine.Delete(); });
}

int32_t TDozErozev::ConvertSFX(std::string_view target) {
    if (!Permitted()) {
        return kNotPermitted;
    }
    engine_->Options = options_;
    return engine_->ConvertSFX(target);
}

int32_t TDozErozev::ConvertZIP(std::string_view target) {
    if (!Permitted()) {
        return kNotPermitted;
    }
    engine_->Options = options_;
    return engine_->ConvertZIP(target);
}

int32_t TDozErozev::LoadLibrary(TZipLibLoader& loader) {
    if (!Permitted()) {
        return kNotPermitted;
    }
    Operation operation(*this);
    try {
        return loader.Load(kOperationLibraryVersion, true);
    } catch (const EDozErozev& error) {
        engine_->ShowExceptionError(error);
        return 0;
    }
}

int32_t TDozErozev::UnloadLibrary(TZipLibLoader& loader) {
    if (!Permitted()) {
        return 0;
    }
    return loader.Unload(true);
}

int32_t TDozErozev::LoadZipLib() {
    return LoadLibrary(engine_->ZipLib);
}

int32_t TDozErozev::LoadUnzLib() {
    return LoadLibrary(engine_->UnzLib);
}

int32_t TDozErozev::UnloadZipLib() {
    return UnloadLibrary(engine_->ZipLib);
}

int32_t TDozErozev::UnloadUnzLib() {
    return UnloadLibrary(engine_->UnzLib);
}

void TDozErozev::GetAddPassword(TPasswordButton& button, std::string& password) {
    if (!busy_) {
        engine_->Options.Unattended = options_.Unattended;
    }
    engine_->GetAddPassword(button, password);
}

void TDozErozev::GetExtrPassword(TPasswordButton& button, std::string& password) {
    if (!busy_) {
        engine_->Options.Unattended = options_.Unattended;
    }
    engine_->GetExtrPassword(button, password);
}

const std::string& TDozErozev::ExtAddStoreSuffixes() const {
    return engine_->ExtAddStoreSuffixes;
}

void TDozErozev::SetExtAddStoreSuffixes(std::string_view value) {
    if (busy_) {
        NoteReentry();
        return;
    }
    engine_->ExtAddStoreSuffixes = NormaliseSuffixes(value);
    if (engine_->ExtAddStoreSuffixes.empty()) {
        options_.AddStoreSuffixes.Exclude(assEXT);
    } else {
        options_.AddStoreSuffixes.Include(assEXT);
    }
}

void TDozErozev::SetPasswordReqCount(uint32_t value) {
    options_.PasswordReqCount = std::min(value, kMaxPasswordRequests);
}

const std::string& TDozErozev::ZipFileName() const {
    return engine_->ZipFileName;
}

void TDozErozev::SetZipFileName(std::string_view value) {
    if (busy_) {
        NoteReentry();
        return;
    }
    Operation operation(*this);
    engine_->ZipFileName = value;
    engine_->List();
}

const std::string& TDozErozev::Password() const {
    return engine_->Password;
}

void TDozErozev::SetPassword(std::string_view value) {
    engine_->Password = value;
}

SFXOpts TDozErozev::SFXOptions() const {
    SFXOpts options;
    for (const SfxOptionBit& entry : kSfxOptionBits) {
        if (sfx_.OptionsWord & entry.bit) {
            options.Include(entry.option);
        }
    }
    return options;
}

void TDozErozev::SetSFXOptions(SFXOpts value) {
    uint16_t word = 0;
    for (const SfxOptionBit& entry : kSfxOptionBits) {
        if (value.Contains(entry.option)) {
            word |= entry.bit;
        }
    }
    sfx_.OptionsWord = word;
}

OvrOpts TDozErozev::SFXOverWriteMode() const {
    switch (sfx_.OverwriteByte) {
        case sfx::kOverwriteAlways:
            return OvrAlways;
        case sfx::kOverwriteNever:
            return OvrNever;
        default:
            return OvrConfirm;
    }
}

void TDozErozev::SetSFXOverWriteMode(OvrOpts value) {
    sfx_.OverwriteByte = value == OvrAlways  ? sfx::kOverwriteAlways
                         : value == OvrNever ? sfx::kOverwriteNever
                                             : sfx::kOverwriteAsk;
}

int32_t TDozErozev::Count() const {
    return active_ && !engine_->ZipFileName.empty() ? static_cast<int32_t>(engine_->Entries.size()) : 0;
}

const std::vector<ZipDirEntry>& TDozErozev::Entries() const {
    return engine_->Entries;
}

int32_t TDozErozev::SuccessCount() const {
    return engine_->SuccessCount;
}

int32_t TDozErozev::ErrCode() const {
    if (!active_) {
        return msg::NotActive;
    }
    return reentrySeen_ ? engine_->ErrCode | kReentryBit : engine_->ErrCode;
}

void TDozErozev::SetErrCode(int32_t value) {
    if (busy_) {
        NoteReentry();
        return;
    }
    engine_->ErrCode = value;
}

bool TDozErozev::Cancel() const {
    return engine_->Cancel != 0;
}

void TDozErozev::SetCancel(bool value) {
    engine_->Cancel = value ? 1 : 0;
}

}  // namespace ruvu
