// The engine's texts: one numeric id per text, the built-in table of texts and the lookup. The code
// names texts only by these ids.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

#include "engine/FormatText.h"

namespace ruvu {
namespace msg {

enum MessageId : int32_t {
    ZipFatalAbort = 10101,
    NoZipSpecified = 10102,
    OutOfMemory = 10103,
    PasswordMismatch = 10104,
    Copying = 10105,
    EventHandlerException = 10106,
    WasBusy = 10107,
    BusyPleaseWait = 10108,
    NotActive = 10109,
    IndexOutOfRange = 10110,
    TemporaryZipFile = 10111,
    BusyPlus = 10112,
    EventException = 10113,
    DllAborting = 10118,
    DllBusy = 10119,
    DllUserCancelled = 10120,
    DllNoMemory = 10121,
    DllInvalidStructure = 10122,
    DllHandlerException = 10123,
    DllCritical = 10124,
    DllUnknownError = 10125,
    SfxHeaderCopyError = 10140,
    SpannedRenameNotImplemented = 10141,
    Processing = 10142,
    RenamedTo = 10143,
    InvalidDateTime = 10144,
    NoAddPassword = 10150,
    NoExtractPassword = 10151,
    PasswordOk = 10152,
    PasswordCancel = 10153,
    PasswordCaption = 10154,
    EnterPassword = 10155,
    ConfirmPassword = 10156,
    PasswordCancelAll = 10157,
    PasswordAbort = 10158,
    ForFile = 10159,
    CopySameArchive = 10180,
    CopyOverwriteFile = 10181,
    CopyFileFailed = 10182,
    CopyFileNotPresent = 10183,
    SfxDataCopyError = 10184,
    CopyDestinationOpenError = 10185,
    SpannedCopyNotImplemented = 10186,
    ListSeekError = 10201,
    ListUnknownError = 10202,
    ListStructureWarning = 10203,
    ListGarbageWarning = 10204,
    ListFileTooLarge = 10205,
    ListUnknownMethod = 10206,
    AddNoFiles = 10301,
    AddUnattendedNoPassword = 10302,
    AddFreshenSpanned = 10303,
    AddAutoSfxError = 10304,
    AddStreamsUnsupported = 10305,
    AddStreamSame = 10306,
    AddWildcardsNotAllowed = 10307,
    AddDestDirMissing = 10308,
    DeleteNoFiles = 10401,
    DeleteSpannedNotImplemented = 10402,
    UnzFatalAbort = 10501,
    ExtractUnattendedWarning = 10502,
    ExtractStreamsUnsupported = 10503,
    ExtractDirMissing = 10504,
    LibLoadFailed = 10650,
    LibOldOrCorrupt = 10651,
    LibLoaded = 10652,
    LibUnloaded = 10653,
    SfxStubNotFound = 10802,
    SfxInputNotZip = 10803,
    SfxNotSupported = 10804,
    SfxMessageTooLong = 10805,
    SfxDefaultDirTooLong = 10806,
    SfxCaptionTooLong = 10807,
    SfxCommandLineTooLong = 10808,
    SfxFallbackPathTooLong = 10809,
    SfxNoExeSpecified = 10901,
    SfxInputNotExe = 10902,
    SfxTypeUnknown = 10903,
    InputFileMissing = 11001,
    ZipOpenError = 11002,
    InvalidDrive = 11003,
    DriveNotDefined = 11004,
    VolumeLabelError = 11005,
    MsgBoxNoMemory = 11006,
    UserCanceled = 11007,
    InputSeekError = 11008,
    OutputCreateError = 11009,
    OutputWriteError = 11010,
    EocReadError = 11011,
    LocalHeaderReadError = 11012,
    CentralHeaderReadError = 11013,
    LocalSignatureWrong = 11014,
    CentralSignatureWrong = 11015,
    LocalNameReadError = 11016,
    CentralNameReadError = 11017,
    LocalExtraReadError = 11018,
    CentralExtraReadError = 11019,
    DataDescriptorError = 11020,
    ZippedDataReadError = 11021,
    FileCommentReadError = 11022,
    ArchiveCommentReadError = 11023,
    SpanUnknownError = 11024,
    UnattendedSpanning = 11025,
    LocalHeaderNotFound = 11026,
    TempFileCreateError = 11027,
    LocalHeaderWriteError = 11028,
    CentralHeaderWriteError = 11029,
    EocWriteError = 11030,
    ExtendedLocalSignatureError = 11031,
    DiskNotEnoughSpace = 11032,
    InsertLastDisk = 11033,
    InsertDiskOf = 11034,
    InDrive = 11035,
    NotValidZip = 11036,
    FirstDiskOfSet = 11037,
    NthDiskOfSet = 11038,
    OverwriteExistingFile = 11039,
    PreviousDiskWarning = 11040,
    SfxCannotSpan = 11041,
    CopyCehNameError = 11042,
    SkipEocSeekError = 11043,
    CopyArchiveCommentError = 11044,
    FirstFileOfSet = 11045,
    InsertDisk = 11046,
    CentralDirectory = 11047,
    SpanningUnsupported = 11048,
    UnknownError = 11049,
    LastPartLeftAs = 11050,
    EraseDrive = 11101,
    ConfirmCaption = 11102,
    ExtraDataTooLarge = 11201,
    DetailsSpannedNotImplemented = 11301,
    DetailsNoHandler = 11302,
    LocalExtraWriteError = 11303,
    CentralExtraWriteError = 11304,
    FileCommentWriteError = 11305,
    DetailsNoFileName = 11306,
    DetailsTooLong = 11307,
    ChangingDetails = 11308,
    DuplicateFileName = 11309,
    DetailsEncrypted = 11310,
    InvalidFileName = 11311,
    CannotChangePath = 11312,
    FilespecSkipped = 11313,
    StepResettingArchiveBit = 11401,
    StepCopyingZipFile = 11402,
    StepSfx = 11403,
    StepUnknown = 11404,
    StepFinalising = 11405,
    StepCopying = 11406,
    StepCentralDirectory = 11407,
    StepChecking = 11408,
    StepLoadingDirectory = 11409,
    StepJoining = 11410,
    StepSplitting = 11411,
    DroppingEmptyDirs = 11500,
    NothingToWrite = 11501,
    EraseFloppyRemoving = 11600,
    EraseFloppyDeleting = 11601,
    TraceGetNewDisk = 11602,
};

// Engine-named progress items: StepBase + code names the item (codes 1 to 11).
inline constexpr int32_t StepBase = 11400;

}  // namespace msg

// Appended to the text of an exception whose id has no text.
inline constexpr std::string_view kMissingTextFallback =
    "\nZidAraRU.res is probably not linked to the executable";
// Reported instead of a text that is missing; filled with the id.
inline constexpr std::string_view kMissingTextReport =
    "ZidAraRU.res is probably not linked to the executable\nMissing String ID is: %d ";

// An application's own lookup, asked before the built-in table: it may fill text for an id.
using ZipStrHook = std::function<void(int32_t id, std::string& text)>;
// Installs the lookup hook for the whole process; an empty function removes it.
void SetZipStrHook(ZipStrHook hook);

// The built-in text of an id; empty for an id below 10000 or not in the table.
std::string_view BuiltInZipStr(int32_t id);
// Number of ids in the built-in table.
size_t BuiltInZipStrCount();

// The text of an id: the hook first, then the built-in table; empty when neither has one.
std::string LoadZipStr(int32_t id);
// As LoadZipStr, giving defaultText when the id has no text.
std::string LoadZipStrDef(int32_t id, std::string_view defaultText);
// As LoadZipStr, a non-empty text being formatted with the arguments.
std::string LoadZipStrFmt(int32_t id, std::initializer_list<FormatArg> args);

}  // namespace ruvu
