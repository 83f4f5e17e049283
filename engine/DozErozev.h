// The archive component: the published properties and events, the public operations, and the frame
// every operation runs in (Permitted, Start, Done, the re-entry rule). It forwards the work to its
// engine, TDozEngine. No engine exception leaves the component: operations report failures through
// OnMessage (and a message box unless Unattended) and return ErrCode, or -255 when not permitted.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/EngineOptions.h"
#include "engine/OptionSets.h"
#include "engine/ProgressDetails.h"
#include "engine/TObject.h"
#include "engine/ZipDirEntry.h"
#include "sfx/VivEDI.h"

namespace ruvu {

class TDozEngine;
class TZipLibLoader;

class TDozErozev : public TObject {
  public:
    // The result of an operation that was not permitted.
    static constexpr int32_t kNotPermitted = -255;
    // Set in ErrCode's reading while a refused re-entry was seen since the last Start.
    static constexpr int32_t kReentryBit = 0x4000000;

    // owner is passed as Sender of OnAfterCallback and of OnProgressDetails for total sizes; it may
    // be null.
    explicit TDozErozev(TObject* owner = nullptr);
    ~TDozErozev() override;

    TObject* Owner() const { return owner_; }
    // Caption of the engine's message boxes.
    const std::string& ApplicationTitle() const { return applicationTitle_; }
    void SetApplicationTitle(std::string_view title) { applicationTitle_ = title; }

    // Published properties.
    bool Active() const { return active_; }
    void SetActive(bool value);
    int32_t AddCompLevel() const { return options_.AddCompLevel; }
    void SetAddCompLevel(int32_t value) { options_.AddCompLevel = value; }
    TDateTime AddFrom() const { return options_.AddFrom; }
    void SetAddFrom(TDateTime value) { options_.AddFrom = value; }
    AddOpts AddOptions() const { return options_.AddOptions; }
    void SetAddOptions(AddOpts value) { options_.AddOptions = value; }
    AddStoreExts AddStoreSuffixes() const { return options_.AddStoreSuffixes; }
    void SetAddStoreSuffixes(AddStoreExts value) { options_.AddStoreSuffixes = value; }
    CodePageOpts CodePage() const { return options_.CodePage; }
    void SetCodePage(CodePageOpts value) { options_.CodePage = value; }
    const std::string& DLLDirectory() const { return options_.DLLDirectory; }
    void SetDLLDirectory(std::string_view value) { options_.DLLDirectory = value; }
    // The user's suffix list, normalised: ".doc:.txt:". Refused while busy.
    const std::string& ExtAddStoreSuffixes() const;
    void SetExtAddStoreSuffixes(std::string_view value);
    const std::string& ExtrBaseDir() const { return options_.ExtrBaseDir; }
    void SetExtrBaseDir(std::string_view value) { options_.ExtrBaseDir = value; }
    ExtrOpts ExtrOptions() const { return options_.ExtrOptions; }
    void SetExtrOptions(ExtrOpts value) { options_.ExtrOptions = value; }
    // File specifications of the next operation, one per item; the operation empties them.
    std::vector<std::string>& FSpecArgs() { return fSpecArgs_; }
    std::vector<std::string>& FSpecArgsExcl() { return fSpecArgsExcl_; }
    DeleteOpts HowToDelete() const { return options_.HowToDelete; }
    void SetHowToDelete(DeleteOpts value) { options_.HowToDelete = value; }
    uint32_t PasswordReqCount() const { return options_.PasswordReqCount; }
    void SetPasswordReqCount(uint32_t value);  // above 15 is kept as 15
    const std::string& RootDir() const { return options_.RootDir; }
    void SetRootDir(std::string_view value) { options_.RootDir = value; }
    const std::string& TempDir() const { return options_.TempDir; }
    void SetTempDir(std::string_view value) { options_.TempDir = value; }
    bool Trace() const { return options_.Trace; }
    void SetTrace(bool value) { options_.Trace = value; }
    bool Unattended() const { return options_.Unattended; }
    void SetUnattended(bool value) { options_.Unattended = value; }
    bool UseDirOnlyEntries() const { return options_.UseDirOnlyEntries; }
    void SetUseDirOnlyEntries(bool value) { options_.UseDirOnlyEntries = value; }
    bool Verbose() const { return options_.Verbose; }
    void SetVerbose(bool value) { options_.Verbose = value; }
    std::string VersionInfo() const { return "1.77"; }
    void SetVersionInfo(std::string_view) {}
    const std::string& ZipFileName() const;
    // Lists the archive of the new name (deferred while not Active). Refused while busy.
    void SetZipFileName(std::string_view value);
    const std::string& Password() const;
    void SetPassword(std::string_view value);
    bool ConfirmErase() const { return options_.ConfirmErase; }
    void SetConfirmErase(bool value) { options_.ConfirmErase = value; }
    uint32_t KeepFreeOnAllDisks() const { return options_.KeepFreeOnAllDisks; }
    void SetKeepFreeOnAllDisks(uint32_t value) { options_.KeepFreeOnAllDisks = value; }
    uint32_t KeepFreeOnDisk1() const { return options_.KeepFreeOnDisk1; }
    void SetKeepFreeOnDisk1(uint32_t value) { options_.KeepFreeOnDisk1 = value; }
    int32_t MaxVolumeSize() const { return options_.MaxVolumeSize; }
    void SetMaxVolumeSize(int32_t value) { options_.MaxVolumeSize = value; }
    int32_t MinFreeVolumeSize() const { return options_.MinFreeVolumeSize; }
    void SetMinFreeVolumeSize(int32_t value) { options_.MinFreeVolumeSize = value; }
    SpanOpts SpanOptions() const { return options_.SpanOptions; }
    void SetSpanOptions(SpanOpts value) { options_.SpanOptions = value; }

    // SFX properties, kept in the SFX settings object.
    const std::string& SFXCaption() const { return sfx_.Caption; }
    void SetSFXCaption(std::string_view value) { sfx_.Caption = value; }
    const std::string& SFXCommandLine() const { return sfx_.CommandLine; }
    void SetSFXCommandLine(std::string_view value) { sfx_.CommandLine = value; }
    const std::string& SFXDefaultDir() const { return sfx_.DefaultDir; }
    void SetSFXDefaultDir(std::string_view value) { sfx_.DefaultDir = value; }
    // Without its style character; a leading character 1 or 2 chooses the message box style.
    const std::string& SFXMessage() const { return sfx_.Message; }
    void SetSFXMessage(std::string_view value) { sfx_.AssignMessage(value); }
    const std::string& SFXPath() const { return sfx_.SFXPath; }
    void SetSFXPath(std::string_view value) { sfx_.SFXPath = value; }
    // The icon as the bytes of an .ICO file; empty for no icon.
    const std::vector<uint8_t>& SFXIcon() const { return sfx_.Icon; }
    void SetSFXIcon(const std::vector<uint8_t>& value) { sfx_.Icon = value; }
    SFXOpts SFXOptions() const;
    void SetSFXOptions(SFXOpts value);  // SFXCheckSize is dropped
    OvrOpts SFXOverWriteMode() const;
    void SetSFXOverWriteMode(OvrOpts value);

    // Public members.
    // Entries listed while Active and ZipFileName is not empty, else 0.
    int32_t Count() const;
    const std::vector<ZipDirEntry>& Entries() const;
    int32_t SuccessCount() const;
    // 10109 while not Active; otherwise the last code, with kReentryBit when a re-entry was seen.
    int32_t ErrCode() const;
    void SetErrCode(int32_t value);  // refused while busy
    bool Cancel() const;
    void SetCancel(bool value);  // allowed while busy: it is how an operation is stopped
    bool Busy() const { return busy_; }
    bool ReentrySeen() const { return reentrySeen_; }

    // Operations (each returns ErrCode afterwards, or kNotPermitted).
    int32_t Add();
    // Extracts, or tests when ExtrOptions holds ExtrTest; SuccessCount counts the files done.
    int32_t Extract();
    int32_t Delete();
    // Loads a library and holds it until its Unload; the version, 0 after a reported failure.
    int32_t LoadZipLib();
    int32_t LoadUnzLib();
    // Drops the hold of LoadZipLib / LoadUnzLib; the version left (0 once unloaded), 0 when refused.
    int32_t UnloadZipLib();
    int32_t UnloadUnzLib();
    // Converts the archive ZipFileName into a self-extracting executable of the same name with ".exe"
    // (ConvertSFX), or the executable ZipFileName back into a zip archive with ".zip" (ConvertZIP);
    // given a target name, into that file instead. An existing target goes to the trash only once the
    // new file is complete. 0 on success; 1 after a failure, reported like any operation's (ErrCode
    // holds its id); kNotPermitted when not permitted. Busy is not set; ZipFileName stays as it is.
    int32_t ConvertSFX(std::string_view target = {});
    int32_t ConvertZIP(std::string_view target = {});
    // Asks for a new password (with confirmation) or an extract password, without the busy check.
    void GetAddPassword(TPasswordButton& button, std::string& password);
    void GetExtrPassword(TPasswordButton& button, std::string& password);

    // The engine, for the operations built on it and for tests.
    TDozEngine& Engine() { return *engine_; }

    // Events. Sender is this component unless noted.
    std::function<void(TObject* Sender, bool& abort)> OnAfterCallback;  // Sender: Owner()
    std::function<void(TObject* Sender, const std::string& ForFile, bool& DoOverwrite)> OnCopyZipOverwrite;
    std::function<void(TObject* Sender, const std::string& ForFile, uint32_t FoundCRC, uint32_t ExpectedCRC,
                       bool& DoExtract)>
        OnCRC32Error;
    std::function<void(TObject* Sender)> OnDirUpdate;
    std::function<void(TObject* Sender, const std::string& ForFile, bool IsOlder, bool& DoOverwrite,
                       int32_t DirIndex)>
        OnExtractOverwrite;
    std::function<void(TObject* Sender, const std::string& ForFile, UnZipSkipTypes SkipType,
                       int32_t ExtError)>
        OnExtractSkipped;
    std::function<void(TObject* Sender, const std::string& ForFile, std::string& FileComment,
                       bool& IsChanged)>
        OnFileComment;
    std::function<void(TObject* Sender, const std::string& ForFile, std::string& Data, bool& IsChanged)>
        OnFileExtra;
    std::function<void(TObject* Sender, int32_t DiskSeqNo, int32_t DiskTotal, const std::string& Drive,
                       bool& AbortAction)>
        OnGetNextDisk;
    std::function<void(TObject* Sender, const std::string& Item, uint32_t TotalSize, int32_t PerCent)>
        OnItemProgress;
    std::function<void(TObject* Sender, int32_t ErrCode, const std::string& Message)> OnMessage;
    std::function<void(TObject* Sender, int32_t SeqNo, const ZipDirEntry& ZipEntry)> OnNewName;
    std::function<void(TObject* Sender, bool IsZipAction, std::string& NewPassword,
                       const std::string& ForFile, uint32_t& RepeatCount, TPasswordButton& Action)>
        OnPasswordError;
    std::function<void(TObject* Sender, ProgressType ProgrType, const std::string& Filename,
                       int32_t FileSize)>
        OnProgress;
    // Sender is Owner() for the total-size report.
    std::function<void(TObject* Sender, const TProgressDetails& details)> OnProgressDetails;
    std::function<void(TObject* Sender, std::string& FileName, const std::string& ExtName, bool& IsChanged)>
        OnSetAddName;
    std::function<void(TObject* Sender, std::string& FileName, bool& IsChanged)> OnSetExtName;
    std::function<void(TObject* Sender, std::string& OldFileName, bool& IsChanged)> OnSetNewName;
    std::function<void(TObject* Sender, int32_t PreviousDisk, const std::string& PreviousFile,
                       TZipDiskStatus Status, TZipDiskAction& Action)>
        OnStatusDisk;
    std::function<void(TObject* Sender)> OnTick;
    std::function<void(TObject* Sender, int32_t TotalSize, int32_t PerCent)> OnTotalProgress;

  private:
    // Start and Done of the operation frame, as one scope.
    class Operation {
      public:
        explicit Operation(TDozErozev& component);
        Operation(const Operation&) = delete;
        Operation& operator=(const Operation&) = delete;
        ~Operation();

      private:
        TDozErozev& component_;
    };

    // Permitted, Start, the work, Done; ErrCode afterwards or kNotPermitted.
    int32_t RunOperation(void (*work)(TDozEngine& engine));
    int32_t LoadLibrary(TZipLibLoader& loader);
    int32_t UnloadLibrary(TZipLibLoader& loader);
    // Active and not busy; a request while busy is a re-entry.
    bool Permitted();
    // Records and refuses a request made while busy.
    void NoteReentry();

    TObject* owner_;
    std::string applicationTitle_ = "RuvuvADU";
    bool active_ = false;
    bool busy_ = false;
    bool reentrySeen_ = false;
    EngineOptions options_;
    std::vector<std::string> fSpecArgs_;
    std::vector<std::string> fSpecArgsExcl_;
    TCustomVivEDI sfx_;
    std::unique_ptr<TDozEngine> engine_;  // declared last: it refers to sfx_
};

}  // namespace ruvu
