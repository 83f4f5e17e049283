#include "engine/Messages.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace ruvu {

namespace {

struct MessageText {
    int32_t id;
    const char* text;
};

// Every text of the engine, exact to the byte ("\n" is one line feed).
constexpr MessageText kMessages[] = {
    {msg::ZipFatalAbort, "Fatal Error in DizODE.DLL: abort exception"},
    {msg::NoZipSpecified, "Error - no zip file specified!"},
    {msg::OutOfMemory, "Requested memory not available"},
    {msg::PasswordMismatch, "Error - passwords do NOT match\nPassword ignored"},
    {msg::Copying, "Copying: "},
    {msg::EventHandlerException, "Exception in Event handler "},
    {msg::WasBusy, "Was busy, Instructions may have been lost!"},
    {msg::BusyPleaseWait, " Busy, Please wait"},
    {msg::NotActive, "not Active"},
    {msg::IndexOutOfRange, "Index (%d) outside range 1..%d"},
    {msg::TemporaryZipFile, "Temporary zipfile: %s"},
    {msg::BusyPlus, "Busy + %s"},
    {msg::EventException, "Exception in Event "},
    {msg::DllAborting, "DLL Error - Aborting"},
    {msg::DllBusy, "DLL Error - Busy"},
    {msg::DllUserCancelled, "DLL Error - User Cancelled"},
    {msg::DllNoMemory, "DLL Error - Not enough memory"},
    {msg::DllInvalidStructure, "DLL Error - Invalid structure"},
    {msg::DllHandlerException, "DLL Error - Exception in handler "},
    {msg::DllCritical, "critical DLL Error %d"},
    {msg::DllUnknownError, " Unknown error %d"},
    {msg::SfxHeaderCopyError, "Error while copying the SFX header"},
    {msg::SpannedRenameNotImplemented, "Rename is not implemented for a spanned zip file"},
    {msg::Processing, "Processing: "},
    {msg::RenamedTo, " renamed to: "},
    {msg::InvalidDateTime, "Invalid date/time argument for file: "},
    {msg::NoAddPassword, "Error - no add password given"},
    {msg::NoExtractPassword, "Error - no extract password given"},
    {msg::PasswordOk, "&Ok"},
    {msg::PasswordCancel, "&Cancel"},
    {msg::PasswordCaption, "Password"},
    {msg::EnterPassword, "Enter Password "},
    {msg::ConfirmPassword, "Confirm Password "},
    {msg::PasswordCancelAll, "Cancel all"},
    {msg::PasswordAbort, "Abort"},
    {msg::ForFile, " for file: "},
    {msg::CopySameArchive, "Source archive is the same as the destination archive!"},
    {msg::CopyOverwriteFile, "Overwrite file '%s' in '%s' ?"},
    {msg::CopyFileFailed, "Copying a file from '%s' to '%s' failed"},
    {msg::CopyFileNotPresent, "File '%s' is not present in '%s'!"},
    {msg::SfxDataCopyError, "Error while copying the SFX data"},
    {msg::CopyDestinationOpenError, "Destination zip archive could not be opened!"},
    {msg::SpannedCopyNotImplemented, "CopyZippedFiles is not implemented for a spanned zip file"},
    {msg::ListSeekError, "Seek error reading Zip archive!"},
    {msg::ListUnknownError, "Unknown error in List() function\n"},
    {msg::ListStructureWarning, "Warning - Error in zip structure!"},
    {msg::ListGarbageWarning, "Warning - Garbage at the end of the zipfile!"},
    {msg::ListFileTooLarge, "File larger than 4GB"},
    {msg::ListUnknownMethod, "Unknown Compression Method"},
    {msg::AddNoFiles, "Error - no files to zip!"},
    {msg::AddUnattendedNoPassword, "Unattended action not possible without a password"},
    {msg::AddFreshenSpanned, "AddFreshen or AddUpdate not possible on a spanned archive"},
    {msg::AddAutoSfxError, "Error %.1d occurred during Auto SFX creation."},
    {msg::AddStreamsUnsupported,
     "Error - your DizODE.dll can not use streams, please update to version >= 1.60"},
    {msg::AddStreamSame, "Input stream may not be set to the output stream"},
    {msg::AddWildcardsNotAllowed, "Wildcards are not allowed in Filename or file specification"},
    {msg::AddDestDirMissing, "Destination directory '%s' must exist!"},
    {msg::DeleteNoFiles, "Error - no files selected for deletion"},
    {msg::DeleteSpannedNotImplemented, "Delete Files from archive is not implemented for a spanned zip file"},
    {msg::UnzFatalAbort, "Fatal Error in RurOZA.DLL: abort exception"},
    {msg::ExtractUnattendedWarning, "Warning - Unattended Extract: possible not all files extracted"},
    {msg::ExtractStreamsUnsupported,
     "Error - your RurOZA.dll can not use streams, please update to version >= 1.60"},
    {msg::ExtractDirMissing, "Extract directory '%s' must exist"},
    {msg::LibLoadFailed, "Failed to load %s"},
    {msg::LibOldOrCorrupt, "Unable to load %s - It is old or corrupt"},
    {msg::LibLoaded, "Loaded "},
    {msg::LibUnloaded, "Unloaded "},
    {msg::SfxStubNotFound, "Error - VIVEDI.BIN not found!"},
    {msg::SfxInputNotZip, "Error: input file is not a zip file"},
    {msg::SfxNotSupported, "SFX Functions not supported"},
    {msg::SfxMessageTooLong, "SFX Message string exceeds 255 characters!"},
    {msg::SfxDefaultDirTooLong, "SFX Default path exceeds 255 characters!"},
    {msg::SfxCaptionTooLong, "SFX Dialog title exceeds 255 characters!"},
    {msg::SfxCommandLineTooLong, "SFX Command line exceeds 255 characters!"},
    {msg::SfxFallbackPathTooLong, "SFX Fallback path exceeds 255 characters!"},
    {msg::SfxNoExeSpecified, "Error - no .EXE file specified"},
    {msg::SfxInputNotExe, "Error: input file is not an .EXE file"},
    {msg::SfxTypeUnknown, "Error determining the type of SFX archive"},
    {msg::InputFileMissing, "Input file does not exist"},
    {msg::ZipOpenError, "Zip file could not be opened"},
    {msg::InvalidDrive, "Not a valid drive: %s"},
    {msg::DriveNotDefined, "Drive %s is NOT defined"},
    {msg::VolumeLabelError, "Volume label could not be set"},
    {msg::MsgBoxNoMemory, "Not enough memory to display MsgBox"},
    {msg::UserCanceled, "User canceled operation"},
    {msg::InputSeekError, "Seek error in input file"},
    {msg::OutputCreateError, "Creation of output file failed"},
    {msg::OutputWriteError, "Write error in output file"},
    {msg::EocReadError, "Error while reading the End Of Central Directory"},
    {msg::LocalHeaderReadError, "Error while reading a local header"},
    {msg::CentralHeaderReadError, "Error while reading a central header"},
    {msg::LocalSignatureWrong, "A local header signature is wrong"},
    {msg::CentralSignatureWrong, "A central header signature is wrong"},
    {msg::LocalNameReadError, "Error while reading a local file name"},
    {msg::CentralNameReadError, "Error while reading a central file name"},
    {msg::LocalExtraReadError, "Error while reading a local extra field"},
    {msg::CentralExtraReadError, "Error while reading a central extra field"},
    {msg::DataDescriptorError, "Error while reading/writing a data descriptor area"},
    {msg::ZippedDataReadError, "Error while reading zipped data"},
    {msg::FileCommentReadError, "Error while reading a file comment"},
    {msg::ArchiveCommentReadError, "Error while reading the archive comment"},
    {msg::SpanUnknownError,
     "UnKnown error in function ReadSpan(), WriteSpan(), ChangeFileDetails() or CopyZippedFiles()\n"},
    {msg::UnattendedSpanning, "Unattended disk spanning not implemented"},
    {msg::LocalHeaderNotFound, "A local header not found in internal structure"},
    {msg::TempFileCreateError, "Temporary file could not be created"},
    {msg::LocalHeaderWriteError, "Error while writing a local header"},
    {msg::CentralHeaderWriteError, "Error while writing a central header"},
    {msg::EocWriteError, "Error while writing the End Of Central Directory"},
    {msg::ExtendedLocalSignatureError, "Error while reading a Extended Local signature"},
    {msg::DiskNotEnoughSpace, "This disk has not enough free space available"},
    {msg::InsertLastDisk, "Please insert last disk"},
    {msg::InsertDiskOf, "Please insert disk volume %.1d of %.1d"},
    {msg::InDrive, "\nin drive: %s"},
    {msg::NotValidZip, "This archive is not a valid Zip archive"},
    {msg::FirstDiskOfSet, "This is the first disk in a backup set,\nplease insert the last disk of this set"},
    {msg::NthDiskOfSet, "This is the %dth disk in a backup set,\nplease insert the last disk of this set"},
    {msg::OverwriteExistingFile, "There is already a file %s\nDo you want to overwrite this file"},
    {msg::PreviousDiskWarning,
     "ATTENTION: This is previous disk no %d!!!\nAre you sure you want to overwrite the contents"},
    {msg::SfxCannotSpan, "Error - Self extracting archives(.exe) can not be spanned"},
    {msg::CopyCehNameError, "Error while copying a filename of a CEH structure"},
    {msg::SkipEocSeekError, "Seek error while skipping a EOC structure"},
    {msg::CopyArchiveCommentError, "Error while copying the zip archive comment"},
    {msg::FirstFileOfSet, "This is the first file in a backup set,\nplease choose the last file of this set"},
    {msg::InsertDisk, "Please insert disk volume %.1d"},
    {msg::CentralDirectory, "Central directory"},
    {msg::SpanningUnsupported, "DiskSpanning not supported"},
    {msg::UnknownError, "Unknown Error"},
    {msg::LastPartLeftAs, "Last part left as : %s"},
    {msg::EraseDrive, "Erase %s"},
    {msg::ConfirmCaption, "Confirm"},
    {msg::ExtraDataTooLarge, "Size of FileExtraData is larger than available array"},
    {msg::DetailsSpannedNotImplemented, "ChangeFileDetails is not implemented for a spanned zip file"},
    {msg::DetailsNoHandler, "No Event Handler found to Change File Details"},
    {msg::LocalExtraWriteError, "Error while writing a local extra field"},
    {msg::CentralExtraWriteError, "Error while writing a central extra field"},
    {msg::FileCommentWriteError, "Error while writing a file comment"},
    {msg::DetailsNoFileName, "No FileName in changed file details"},
    {msg::DetailsTooLong, "The combined length of CEH + FileName + FileComment + ExtraData exceeds 65535"},
    {msg::ChangingDetails, "Changing details of: "},
    {msg::DuplicateFileName, "Duplicate Filename: %s"},
    {msg::DetailsEncrypted, "Cannot change details of Excrypted file"},
    {msg::InvalidFileName, "Invalid Filename: '%s'"},
    {msg::CannotChangePath, "Cannot change path"},
    {msg::FilespecSkipped, "Filespec '%s' skipped"},
    {msg::StepResettingArchiveBit, "*Resetting Archive bit"},
    {msg::StepCopyingZipFile, "*Copying Zip File"},
    {msg::StepSfx, "*SFX"},
    {msg::StepUnknown, "*??"},
    {msg::StepFinalising, "*Finalising"},
    {msg::StepCopying, "*Copying"},
    {msg::StepCentralDirectory, "*Central Directory"},
    {msg::StepChecking, "*Checking"},
    {msg::StepLoadingDirectory, "*Loading Directory"},
    {msg::StepJoining, "*Joining split zip file"},
    {msg::StepSplitting, "*Splitting zip file"},
    {msg::DroppingEmptyDirs, "Dropping %d empty directory entries"},
    {msg::NothingToWrite, "Nothing to write"},
    {msg::EraseFloppyRemoving, "EraseFloppy - Removing %s"},
    {msg::EraseFloppyDeleting, "EraseFloppy - Deleting %s"},
    {msg::TraceGetNewDisk, "Trace : GetNewDisk Opening: %s"},
};

ZipStrHook& Hook() {
    static ZipStrHook hook;
    return hook;
}

}  // namespace

void SetZipStrHook(ZipStrHook hook) {
    Hook() = std::move(hook);
}

std::string_view BuiltInZipStr(int32_t id) {
    if (id < 10000) {
        return {};
    }
    auto found = std::find_if(std::begin(kMessages), std::end(kMessages),
                              [id](const MessageText& entry) { return entry.id == id; });
    return found == std::end(kMessages) ? std::string_view{} : std::string_view{found->text};
}

size_t BuiltInZipStrCount() {
    return std::size(kMessages);
}

std::string LoadZipStr(int32_t id) {
    std::string text;
    if (const ZipStrHook& hook = Hook()) {
        hook(id, text);
    }
    if (text.empty()) {
        text = BuiltInZipStr(id);
    }
    return text;
}

std::string LoadZipStrDef(int32_t id, std::string_view defaultText) {
    std::string text = LoadZipStr(id);
    return text.empty() ? std::string(defaultText) : text;
}

std::string LoadZipStrFmt(int32_t id, std::initializer_list<FormatArg> args) {
    std::string text = LoadZipStr(id);
    return text.empty() ? text : FormatText(text, args);
}

}  // namespace ruvu
