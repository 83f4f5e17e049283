// Loaders of the two run-time libraries. A loader finds the library (DLLDirectory or the platform's
// search), checks its version and keeps it loaded while any hold flag is set, so a library is never
// released in the middle of a work call and one the application holds stays loaded between
// operations. Failures raise EDozErozev (10650 not loaded, 10651 old or corrupt).
#pragma once

#include <cstdint>
#include <string>

#include "abi/LibraryEntry.h"
#include "engine/EDozErozev.h"
#include "platform/Modules.h"

namespace ruvu {

class TZipBase;

// Hold flags: who keeps a library loaded.
enum LibraryHold : uint8_t {
    holdWorkCall = 1,   // a work call is running
    holdOperation = 2,  // the running operation
    holdExplicit = 4,   // the application (LoadZipLib, LoadUnzLib)
    holdAll = holdWorkCall | holdOperation | holdExplicit,
};

// Versions a library may report, and the least the operations work with.
inline constexpr int32_t kLowestLibraryVersion = 153;
inline constexpr int32_t kHighestLibraryVersion = 300;
inline constexpr int32_t kOperationLibraryVersion = 177;

// The exception for a negative work result (shown).
EDozErozev WorkResultError(int32_t result);

class TZipLibLoader {
  public:
    TZipLibLoader(const TZipLibLoader&) = delete;
    TZipLibLoader& operator=(const TZipLibLoader&) = delete;
    virtual ~TZipLibLoader();

    // Adds the flag and loads the library when it is not loaded. Returns the version.
    int32_t LoadLib(uint8_t flag);
    // Removes the flags; unloads when none is left. Returns the version (0 once unloaded).
    int32_t UnloadLib(uint8_t flags);
    // Loads with the explicit or the operation hold and refuses a version below minimum (10651, every
    // hold dropped).
    int32_t Load(int32_t minimum, bool explicitHold);
    int32_t Unload(bool explicitHold);
    // Asks the library to stop the job in progress (the work entry with a null record).
    void AbortLib();

    bool Loaded() const { return module_ != nullptr; }
    uint8_t HoldFlags() const { return holds_; }
    int32_t Version() const { return version_; }
    int32_t PrivVersion() const { return privVersion_; }
    // The plain file name until loaded, then the module's full path.
    const std::string& ModulePath() const { return modulePath_; }
    // The file LoadLib tries: DLLDirectory joined with the file name, "." taken from the program's
    // folder, the plain name when that file does not exist.
    std::string LibraryFileToLoad() const;

  protected:
    TZipLibLoader(TZipBase& owner, int kind);
    // Runs the work entry under the work-call hold; a negative result raises its message.
    template <class Record>
    int32_t ExecRecord(Record& record) {
        LoadLib(holdWorkCall);
        const auto work = reinterpret_cast<int32_t (*)(Record*)>(workEntry_);
        const int32_t result = work(&record);
        UnloadLib(holdWorkCall);
        if (result < 0) {
            throw WorkResultError(result);
        }
        return result;
    }

  private:
    void Clear();
    void Release();

    TZipBase& owner_;
    int kind_;  // 0 RUROZA.DLL, 1 DIZODE.DLL
    platform::ModuleHandle module_ = nullptr;
    void* workEntry_ = nullptr;
    abi::VersionFunction versionEntry_ = nullptr;
    abi::VersionFunction privVersionEntry_ = nullptr;
    std::string modulePath_;
    uint8_t holds_ = 0;
    int32_t version_ = 0;
    int32_t privVersion_ = 0;
};

// RUROZA.DLL: extracting and testing.
class TRurOzaU : public TZipLibLoader {
  public:
    explicit TRurOzaU(TZipBase& owner) : TZipLibLoader(owner, 0) {}
    int32_t Exec(abi::UnzParams& params) { return ExecRecord(params); }
};

// DIZODE.DLL: adding and deleting.
class TDizOdeU : public TZipLibLoader {
  public:
    explicit TDizOdeU(TZipBase& owner) : TZipLibLoader(owner, 1) {}
    int32_t Exec(abi::ZipParams& params) { return ExecRecord(params); }
};

}  // namespace ruvu
