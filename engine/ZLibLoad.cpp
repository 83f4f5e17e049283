#include "engine/ZLibLoad.h"

#include "engine/Messages.h"
#include "engine/ZipBase.h"
#include "platform/FileSystem.h"
#include "platform/WinPath.h"

namespace ruvu {

namespace {

struct LibraryNames {
    const char* file;
    const char* work;
    const char* version;
    const char* privVersion;
};

// Index 0 is the decompression library, 1 the compression library.
constexpr LibraryNames kLibraries[2] = {
    {abi::kUnzLibraryFile, abi::kUnzExecName, abi::kUnzVersionName, abi::kUnzPrivVersionName},
    {abi::kZipLibraryFile, abi::kZipExecName, abi::kZipVersionName, abi::kZipPrivVersionName},
};

// Ends the wait cursor however LoadLib leaves.
class WaitCursorScope {
  public:
    explicit WaitCursorScope(TZipBase& owner) : owner_(owner) { owner_.StartWaitCursor(); }
    WaitCursorScope(const WaitCursorScope&) = delete;
    WaitCursorScope& operator=(const WaitCursorScope&) = delete;
    ~WaitCursorScope() { owner_.EndWaitCursor(); }

  private:
    TZipBase& owner_;
};

}  // namespace

EDozErozev WorkResultError(int32_t result) {
    switch (result) {
        case abi::kResultAborted:
        case abi::kResultFatal:
            return EDozErozev(msg::DllAborting, true);
        case abi::kResultBusy:
            return EDozErozev(msg::DllBusy, true);
        case abi::kResultCancelled:
            return EDozErozev(msg::DllUserCancelled, true);
        case abi::kResultNoMemory:
            return EDozErozev(msg::DllNoMemory, true);
        case abi::kResultBadRecord:
            return EDozErozev(msg::DllInvalidStructure, true);
        case abi::kResultHandlerException:
            return EDozErozev(msg::DllHandlerException, true);
        default:
            return EDozErozev(msg::DllCritical, {FormatArg(result)});
    }
}

TZipLibLoader::TZipLibLoader(TZipBase& owner, int kind) : owner_(owner), kind_(kind) {
    Clear();
}

TZipLibLoader::~TZipLibLoader() {
    Release();
}

void TZipLibLoader::Release() {
    if (module_ != nullptr) {
        platform::FreeLibrary(module_);
        module_ = nullptr;
    }
}

void TZipLibLoader::Clear() {
    Release();
    workEntry_ = nullptr;
    versionEntry_ = nullptr;
    privVersionEntry_ = nullptr;
    modulePath_ = kLibraries[kind_].file;
    holds_ = 0;
    version_ = 0;
    privVersion_ = 0;
}

std::string TZipLibLoader::LibraryFileToLoad() const {
    const std::string plain = kLibraries[kind_].file;
    const std::string& folder = owner_.Options.DLLDirectory;
    if (folder.empty()) {
        return plain;
    }
    std::string file = platform::JoinPath(folder, plain);
    if (folder.front() == '.') {
        file = platform::JoinPath(platform::ProgramDir(), file);
    }
    return platform::FileExists(file) ? file : plain;
}

int32_t TZipLibLoader::LoadLib(uint8_t flag) {
    holds_ |= flag;
    if (module_ != nullptr) {
        return version_;
    }
    WaitCursorScope wait(owner_);
    const std::string file = LibraryFileToLoad();
    const uint8_t holds = holds_;
    Clear();
    holds_ = holds;
    module_ = platform::LoadLibrary(file);
    if (module_ == nullptr) {
        Clear();
        throw EDozErozev(msg::LibLoadFailed, {file});
    }
    const LibraryNames& names = kLibraries[kind_];
    workEntry_ = platform::GetProcAddress(module_, names.work);
    versionEntry_ = reinterpret_cast<abi::VersionFunction>(platform::GetProcAddress(module_, names.version));
    privVersionEntry_ =
        reinterpret_cast<abi::VersionFunction>(platform::GetProcAddress(module_, names.privVersion));
    modulePath_ = platform::GetModuleFileName(module_);
    if (workEntry_ != nullptr && versionEntry_ != nullptr) {
        version_ = versionEntry_();
        if (privVersionEntry_ != nullptr) {
            privVersion_ = privVersionEntry_();
        }
    }
    if (version_ < kLowestLibraryVersion || version_ > kHighestLibraryVersion) {
        const std::string path = modulePath_;
        Clear();
        throw EDozErozev(msg::LibOldOrCorrupt, {path});
    }
    if (owner_.Options.Verbose) {
        owner_.ReportProgress(pkMessage, 0, 0, LoadZipStrDef(msg::LibLoaded, "loaded ") + modulePath_);
    }
    return version_;
}

int32_t TZipLibLoader::UnloadLib(uint8_t flags) {
    holds_ &= static_cast<uint8_t>(~flags);
    if (module_ == nullptr) {
        Clear();
    } else if (holds_ == 0) {
        if (owner_.Options.Verbose) {
            owner_.ReportProgress(pkMessage, 0, 0,
                                  LoadZipStrDef(msg::LibUnloaded, "unloaded ") + modulePath_);
        }
        Clear();
    }
    return version_;
}

int32_t TZipLibLoader::Load(int32_t minimum, bool explicitHold) {
    const int32_t version = LoadLib(explicitHold ? holdExplicit : holdOperation);
    if (version < minimum) {
        const std::string path = modulePath_;
        UnloadLib(holdAll);
        throw EDozErozev(msg::LibOldOrCorrupt, {path});
    }
    return version;
}

int32_t TZipLibLoader::Unload(bool explicitHold) {
    return UnloadLib(explicitHold ? holdExplicit : holdOperation);
}

void TZipLibLoader::AbortLib() {
    if (module_ != nullptr && workEntry_ != nullptr) {
        if (kind_ == 0) {
            reinterpret_cast<abi::UnzExecFunction>(workEntry_)(nullptr);
        } else {
            reinterpret_cast<abi::ZipExecFunction>(workEntry_)(nullptr);
        }
    }
}

}  // namespace ruvu
