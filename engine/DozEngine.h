// The engine behind the archive component: the open archive's directory and listing state, the
// listing itself, the drive checks and the disk requests of spanned sets. Every routine that can
// fail deep inside raises EDozErozev; the routines named as operations (List, SetArchiveComment)
// catch and report everything themselves.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "abi/CallbackRecord.h"
#include "engine/ZLibLoad.h"
#include "engine/ZipBase.h"
#include "engine/ZipDirEntry.h"
#include "platform/File.h"
#include "platform/Handles.h"
#include "zipformat/EndOfCentralDir.h"
#include "zipformat/EndRecordSearch.h"
#include "zipformat/NameCodec.h"

namespace ruvu {

class TCustomVivEDI;

class TDozEngine : public TZipBase {
  public:
    TDozEngine(TDozErozev& component, TCustomVivEDI& sfx);
    ~TDozEngine() override;

    // Follows the component's Active. Becoming active runs the work deferred while inactive: a
    // pending listing first, then a pending comment write. Every change clears both.
    void SetActive(bool value);
    // Begins an operation: clears the re-entry flag, sets Busy, takes the component's options and
    // file specifications, and zeroes SuccessCount.
    void StartUp(const EngineOptions& options, const std::vector<std::string>& specArgs,
                 const std::vector<std::string>& specArgsExcl);

    // Listing (Listing.cpp). Re-reads the directory of ZipFileName and raises OnDirUpdate; returns
    // ErrCode at the end (a warning's id when the listing only warned), 0 when nothing was read.
    int32_t List();
    // Frees every entry.
    void ClearDirectory();
    // OEM to ANSI (toOem false) or back, when CodePage and the archive's host call for it; the
    // result ends at the first NUL.
    std::string ConvertOem(std::string_view text, bool toOem) const;
    // The CodePage setting as the name codec and the libraries' records take it.
    zip::CodePageRule CodePageRule() const;
    // Replaces the archive comment in the end record (deferred while inactive).
    void SetArchiveComment(std::string_view text);

    // End record and parts (EndRecord.cpp).
    // Opens WorkFileName, finds its end record and leaves the file open in WorkHandle when it returns
    // true. With showErrors, a file without an end record raises the exception that explains why.
    bool OpenEndRecord(zip::EndOfCentralDir& record, bool showErrors);
    // Finds and opens the file holding the end record: the file itself or the last part of a set.
    // 0 found and open; 1 no archive (quiet and nothing found, or aborted in OnGetNextDisk); -1 error,
    // already reported.
    int32_t LocateLastPart(std::string_view fileName, zip::EndOfCentralDir& record, bool quiet);
    // The bare name of a part file of a set whose names start with base; empty when none is found.
    std::string FindPartFile(std::string_view base, bool compatibleNames) const;
    // Reads exactly count bytes from WorkHandle, else raises id.
    void ReadExact(void* buffer, size_t count, int32_t id);

    // Drives (DriveChecks.cpp).
    // True for fixed, remote and RAM drives.
    bool DriveIsFixed(std::string_view root) const;
    // Sets DriveRoot and IsFixedDrive from a file name.
    void SetDriveOf(std::string_view fileName);
    // Whether the drive of DriveRoot holds a usable disk; reads VolumeLabel and the disk sizes.
    // Raises 11003 for a root that is no drive letter and 11004 for a letter that is not present.
    bool CheckDrive();
    // Bit 0: DiskFreeBytes, bit 1: DiskTotalBytes; -1 when unreadable.
    void ReadFreeSpace(int selection);

    // Disks and parts of spanned sets (DiskRequests.cpp).
    // Makes sure the right disk is in the drive, asking as needed; raises 11006, 11007 or 11025.
    void RequestDisk(bool writing);
    // Closes the current part and opens part disk (0-based) as WorkHandle.
    void GetNewDisk(int32_t disk);
    // Whether the disk in the drive, or the part file, is the one for CurrentDisk; on success
    // WorkFileName names its file.
    bool IsExpectedDisk();
    // Turns a file name into the name of part CurrentDisk.
    void MakePartName(std::string& fileName, bool numbered) const;

    // Operations on the archive through the libraries (AddOperation.cpp, ExtractOperation.cpp,
    // DeleteOperation.cpp). Each checks its request, reports every failure itself and never throws.
    void Add();
    // Extracts, or tests with ExtrTest.
    void Extract();
    // Returns ErrCode; 0 when it ended silently because a library operation is running.
    int32_t Delete();

    // Spanned sets (SpanSeams.cpp).
    // Copies tempArchive onto the disks of ZipFileName; 0 on success, else reported.
    int32_t WriteSpan(const std::string& tempArchive);
    // Joins the set of ZipFileName into a temporary archive in folder (joined gets its name); 0 on
    // success, else reported.
    int32_t ReadSpan(const std::string& folder, std::string& joined);

    // Self-extracting archives (SfxOperations.cpp).
    // Converts ZipFileName into an executable (ConvertSFX) or an executable into a zip archive
    // (ConvertZIP): into target, or by default the same name with ".exe" / ".zip". 0 on success; 1
    // after a failure, reported with its id in ErrCode (1 for a failure without one).
    int32_t ConvertSFX(std::string_view target);
    int32_t ConvertZIP(std::string_view target);
    // Creates ZipFileName as an empty self-extracting archive from the stub; raises EDozErozev.
    void CreateEmptySFX();

    // The library callback (LibCallback.cpp): answers one record; returns 10106 after an event
    // handler failed during the work call, else Cancel.
    int32_t HandleCallback(abi::CallbackRecord& record);
    // Forgets the extra data and the memory output the callback kept for the operation.
    void ClearCallbackData();

    // Passwords (ZipPassDlg.cpp): a new password with its confirmation, and one for extracting.
    // Unattended, a message is reported instead and the password is empty.
    void GetAddPassword(TPasswordButton& button, std::string& password);
    void GetExtrPassword(TPasswordButton& button, std::string& password);

    TRurOzaU UnzLib;
    TDizOdeU ZipLib;
    bool ZipLibRunning = false;  // a DIZODE.DLL operation of this engine is in progress
    bool UnzLibRunning = false;  // a RUROZA.DLL operation of this engine is in progress
    std::string ExtraData;       // extra field bytes a handler set (callback action 14)
    std::vector<uint8_t> MemoryStream;

    TCustomVivEDI& SFX;
    std::vector<ZipDirEntry> Entries;
    std::vector<std::string> SpecArgs;
    std::vector<std::string> SpecArgsExcl;
    std::string Password;
    std::string ExtAddStoreSuffixes;

    // Listing state.
    std::string ZipFileName;
    std::string WorkFileName;
    platform::File WorkHandle;
    uint32_t PhysicalSize = 0;
    uint32_t ArchiveSize = 0;
    uint32_t EndRecordOffset = 0;
    uint32_t CentralDirOffset = 0;
    uint32_t FirstLocalOffset = 0;
    std::string ArchiveComment;
    std::string RawArchiveComment;
    bool Spanned = false;
    int32_t LastDiskNumber = 0;
    int32_t CurrentDisk = -1;
    int32_t ArchiveHost = 0;
    int32_t ArchiveMadeBy = 20;
    int32_t SkippedDirCount = 0;
    bool StructureWarning = false;
    std::string DriveRoot;
    bool IsFixedDrive = true;
    std::string VolumeLabel;
    int64_t DiskTotalBytes = -1;
    int64_t DiskFreeBytes = -1;
    bool ListPending = false;
    bool CommentPending = false;
    bool NewDiskRequested = false;

  private:
    // Reads every header of the directory from readPosition of WorkHandle on.
    void ReadEntries(const zip::CentralDirLocation& directory, uint32_t readPosition, int32_t& archiveHost,
                     int32_t& archiveMadeBy);
    [[noreturn]] void RaiseNoEndRecord(bool marker);
    void AnswerCallback(abi::CallbackRecord& record, uint32_t action);
    void AnswerNewName(abi::CallbackRecord& record);
    void AnswerPassword(abi::CallbackRecord& record);
    void AnswerStream(abi::CallbackRecord& record);
    void AnswerExtraData(abi::CallbackRecord& record);
    void NoteHandlerException(uint32_t action, std::string_view text);
    // The record's text, with the text of its message id in front when it has one.
    std::string CallbackMessageText(const abi::CallbackRecord& record) const;
    void RaiseDirUpdate();
    std::string pendingComment_;
    platform::ScopedHandle extraHandle_;
    platform::ScopedHandle memoryHandle_;
};

}  // namespace ruvu
