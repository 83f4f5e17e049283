// The engine behind the archive component: the open archive's directory and listing state, the
// listing itself, the drive checks and the disk requests of spanned sets. Every routine that can
// fail deep inside raises EDozErozev; the routines named as operations (List, SetArchiveComment)
// catch and report everything themselves.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
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

// The volume label of a disk of a spanned set: "PKBACK# 001" for the first disk (0).
std::string SpanVolumeLabel(int32_t disk);
// The 1-based disk number such a label carries; 0 for any other label.
int32_t SpanLabelNumber(std::string_view label);

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

    // Writing a spanned set (SpanWriter.cpp, NewVolume.cpp). Copies the archive source onto the
    // volumes of destination: part files named by MakePartName on a hard disk (and on floppies with
    // spNoVolumeName), else files of that very name on floppies labelled "PKBACK# 001", ... Every
    // header and the end record stay whole on one volume. 0 on success; -7 (engine error), -8 (out of
    // memory) or -9 after a failure it reported, the parts it made on a hard disk removed again.
    int32_t WriteSpan(const std::string& source, const std::string& destination);
    // Writes bytes to the volumes, opening new ones as needed; the first keepTogether bytes lie on one
    // volume (WriteSplit records where they landed).
    void WriteSplit(const void* buffer, size_t length, size_t keepTogether);
    // Copies count bytes of WorkHandle from its position onto the volumes; a short read raises id.
    void CopyToSpan(uint64_t count, int32_t id);
    // Obtains the disk for CurrentDisk, judges it, prepares it and opens its volume file: false when
    // OutHandle is open and ready, true when another disk has been asked for and the caller tries again.
    bool NewVolume();

    // Joining a spanned set (SpanJoiner.cpp): source names the set (its last part); destination names
    // the joined archive, or a folder ending in "\" where a new temporary archive is made, whose name
    // is put into destination. The output is always a file this join created. 0 on success; -7, -8 or
    // -9 after a failure it reported, the output removed and destination emptied.
    int32_t ReadSpan(const std::string& source, std::string& destination);

    // Floppy preparation (FloppyPreparation.cpp).
    // Deletes the files and folders below folder (a path ending in "\") on a floppy or removable
    // drive; never through a link, never the source archive WorkFileName or a folder holding it, and
    // no deeper than a fixed number of levels. Nothing happens on other drives.
    void EraseFloppy(const std::string& folder);
    // Formats the disk in a removable drive as far as the host can (an unformatted virtual floppy):
    // 0 when formatted, -1 when the format failed, -3 when no format was attempted.
    int32_t FormatFloppy(const std::string& root);
    // Formats or wipes the disk in DriveRoot before a volume is written and labels it with VolumeLabel:
    // 0 wiped, -3 nothing done (no format, the erase not confirmed), else FormatFloppy's result.
    int32_t PrepareDisk();

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
    // File sizes and positions are 64-bit: archives of 4 GiB and more list through their ZIP64 records.
    uint64_t PhysicalSize = 0;
    uint64_t ArchiveSize = 0;
    uint64_t EndRecordOffset = 0;
    uint64_t CentralDirOffset = 0;
    uint64_t FirstLocalOffset = 0;
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

    // Spanned set state.
    std::string OutFileName;          // the set being written
    platform::File OutHandle;         // the volume file being written or the joined archive
    int64_t VolumeRoom = 0;           // bytes the current volume may still take
    uint32_t VolumeBytesWritten = 0;  // bytes written to the current volume
    uint32_t SourceDate = 0;          // date of the source archive; every volume gets it
    TZipDiskStatus DiskStatus = 0;    // bits passed to OnStatusDisk
    TZipDiskAction DiskAction = 0;    // OnStatusDisk's answer about the disk in the drive, 0 before
    uint8_t ProgressMode = 0;         // 2: every write reports its bytes as a step of the batch

  private:
    // Reads every header of the directory from readPosition of WorkHandle on.
    void ReadEntries(const zip::CentralDirLocation& directory, uint64_t readPosition, int32_t& archiveHost,
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

    // Spanned sets (SpanWriter.cpp, NewVolume.cpp).
    // Runs the work of WriteSpan or ReadSpan and reports what stopped it: 0, or -7 after an engine
    // error, -8 out of memory, -9 anything else.
    int32_t RunSpanWork(const std::function<void()>& work);
    // The answer to a Retry/Cancel box about the disk in the drive: Retry asks for another disk (true);
    // Cancel ends the writing with 11007, a box that could not be shown with 11006.
    bool RetryWithAnotherDisk(int answer);
    struct WrittenVolume {
        int32_t disk;
        std::string name;
    };
    // Opens volumes until one has room for keepTogether bytes.
    void ReserveRoom(size_t keepTogether);
    // Closes the volume being written with SourceDate; a volume left empty is removed and its number
    // asked for again, otherwise the next number is.
    void FinishVolume();
    // Gives the last part of a compatibly named set its ".zip" name; 0, or -7 after a reported failure.
    int32_t RenameLastPart();
    // The number (1-based) of an earlier volume of the set being written on the disk in the drive, 0
    // when the disk holds none.
    int32_t EarlierVolumeInDrive() const;
    // Refuses the disk holding an earlier volume: true (ask for another disk), or raises 11007.
    bool RefuseEarlierVolume(int32_t number, const std::string& name);
    // Labels the disk in the drive for CurrentDisk, wiping or formatting it first (PrepareDisk).
    void PrepareVolumeDisk();
    // The room the volume file name gets on the disk in the drive (its old bytes counting as free when
    // replacing), -1 when that is less than the volume must hold; raises when no volume could hold it.
    int64_t VolumeRoomFor(const std::string& name, bool replacing);
    // A question about a disk with a box (0 when it could not be shown); unattended, id is raised with
    // args instead.
    int AskAboutDisk(int32_t id, std::initializer_list<FormatArg> args, std::string_view caption,
                     uint32_t flags);
    std::vector<WrittenVolume> writtenVolumes_;  // closed volumes of the set being written
    std::vector<std::string> createdParts_;      // part files made on a hard disk, removed after a failure
    std::string volumeName_;                     // the volume file being written
    std::vector<uint8_t> copyBuffer_;
    size_t pendingKeep_ = 0;  // bytes the next volume must hold together
    int32_t blockDisk_ = 0;   // where the last kept-together block landed
    int64_t blockOffset_ = 0;
    bool writingVolumes_ = false;    // the last part's number is not known yet
    bool firstDiskRefused_ = false;  // another first disk has been asked for
    std::string pendingComment_;
    platform::ScopedHandle extraHandle_;
    platform::ScopedHandle memoryHandle_;
};

}  // namespace ruvu
