// Reading the central directory of the open archive into the engine's directory list.
#include <algorithm>
#include <optional>

#include "engine/DozEngine.h"
#include "engine/DozErozev.h"
#include "engine/Messages.h"
#include "platform/CodePage.h"
#include "zipformat/CentralDirWalk.h"
#include "zipformat/FileSource.h"

namespace ruvu {

void TDozEngine::ClearDirectory() {
    Entries.clear();
}

zip::CodePageRule TDozEngine::CodePageRule() const {
    static_assert(static_cast<int>(cpAuto) == static_cast<int>(zip::CodePageRule::Auto) &&
                  static_cast<int>(cpNone) == static_cast<int>(zip::CodePageRule::None) &&
                  static_cast<int>(cpOEM) == static_cast<int>(zip::CodePageRule::Oem));
    return static_cast<zip::CodePageRule>(Options.CodePage);
}

std::string TDozEngine::ConvertOem(std::string_view text, bool toOem) const {
    if (!zip::OemRuleApplies(CodePageRule(), static_cast<uint8_t>(ArchiveHost),
                             static_cast<uint8_t>(ArchiveMadeBy))) {
        return std::string(text);
    }
    text = text.substr(0, text.find('\0'));
    // Every OEM code page agrees with ASCII on its lower half.
    if (platform::IsPlainAscii(text)) {
        return std::string(text);
    }
    return toOem ? platform::AnsiToOem(text) : platform::OemToAnsi(text);
}

int32_t TDozEngine::List() {
    ClearDirectory();
    PhysicalSize = 0;
    CentralDirOffset = 0;
    FirstLocalOffset = 0;
    ArchiveComment.clear();
    Spanned = false;
    SkippedDirCount = 0;
    ErrCode = 0;
    if (!Active) {
        ListPending = true;
        return 0;
    }
    WorkFileName = ZipFileName;
    if (ZipFileName.empty()) {
        RaiseDirUpdate();
        return 0;
    }
    zip::EndOfCentralDir record{};
    int32_t located = 0;
    try {
        SetDriveOf(ZipFileName);
        CheckDrive();
        located = LocateLastPart(ZipFileName, record, true);
    } catch (const EDozErozev& error) {
        ShowExceptionError(error);
        WorkHandle.Close();
        return 0;
    }
    if (located < 0) {
        return 0;
    }
    if (located == 1 || !WorkHandle.IsOpen()) {
        RaiseDirUpdate();
        return 0;
    }

    StartWaitCursor();
    bool failed = false;
    uint64_t readPosition = 0;
    uint64_t storedOffset = 0;
    // The archive-level host and version that decide how the archive comment is converted.
    int32_t archiveHost = zip::kHostMsDos;
    int32_t archiveMadeBy = 20;
    try {
        zip::FileSource source(WorkHandle);
        const zip::CentralDirLocation directory = zip::LocateCentralDir(source, EndRecordOffset, record);
        if (record.UsesZip64() && !directory.HasZip64Record) {
            // The values the end record leaves to the ZIP64 end record cannot be guessed.
            EDozErozev error(msg::EocReadError, true);
            error.AppendMessage(directory.HasLocator ? ": the ZIP64 end record is not where its locator says"
                                                     : ": the ZIP64 end record is missing");
            throw error;
        }
        LastDiskNumber = static_cast<int32_t>(directory.ThisDisk);
        CurrentDisk = LastDiskNumber;
        if (LastDiskNumber != 0) {
            Spanned = true;
        }
        int64_t position = 0;
        if (directory.ThisDisk != directory.StartDisk) {
            GetNewDisk(static_cast<int32_t>(directory.StartDisk));
            ArchiveSize = static_cast<uint64_t>(std::max<int64_t>(0, WorkHandle.Size()));
            position = static_cast<int64_t>(std::min<uint64_t>(directory.Offset, INT64_MAX));
        } else {
            // Counted back from the end record, so an archive behind a stub lists too.
            position = static_cast<int64_t>(directory.End) -
                       static_cast<int64_t>(std::min<uint64_t>(directory.Size, INT64_MAX));
        }
        if (position < 0) {
            throw EDozErozev(msg::ListSeekError, true);
        }
        readPosition = static_cast<uint64_t>(position);
        storedOffset = directory.Offset;
        CentralDirOffset = readPosition;
        FirstLocalOffset = ArchiveSize == zip::EndOfCentralDir::kSize ? 0 : ArchiveSize;
        StructureWarning = readPosition != directory.Offset;
        if (StructureWarning) {
            ShowZipMessage(msg::ListStructureWarning);
        }
        if (WorkHandle.Seek(position) < 0) {
            throw EDozErozev(msg::ListSeekError, true);
        }
        ReadEntries(directory, readPosition, archiveHost, archiveMadeBy);
        LastDiskNumber = static_cast<int32_t>(directory.ThisDisk);
    } catch (const EDozErozev& error) {
        failed = true;
        ShowExceptionError(error);
    } catch (const std::bad_alloc&) {
        failed = true;
        ShowZipMessage(msg::OutOfMemory);
    } catch (const std::exception& error) {
        failed = true;
        ShowZipMessage(msg::ListUnknownError, error.what());
    } catch (...) {
        failed = true;
        ShowZipMessage(msg::ListUnknownError);
    }
    ReportProgress(pkItemEnd, stepLoadingDirectory, 0, {});
    EndWaitCursor();
    WorkHandle.Close();
    if (failed) {
        ZipFileName.clear();
        FirstLocalOffset = 0;
    } else {
        FirstLocalOffset += readPosition - storedOffset;
        ArchiveHost = archiveHost;
        ArchiveMadeBy = archiveMadeBy;
        ArchiveComment = zip::DecodeEntryText(RawArchiveComment, 0, static_cast<uint8_t>(ArchiveHost),
                                              static_cast<uint8_t>(ArchiveMadeBy), CodePageRule());
    }
    RaiseDirUpdate();
    return ErrCode;
}

void TDozEngine::ReadEntries(const zip::CentralDirLocation& directory, uint64_t readPosition,
                             int32_t& archiveHost, int32_t& archiveMadeBy) {
    TDozErozev& c = Component();
    const std::string stepText = LoadZipStr(msg::StepLoadingDirectory);
    ReportProgress(pkEngineItemStart, stepLoadingDirectory,
                   static_cast<int64_t>(std::min<uint64_t>(directory.TotalEntries, INT64_MAX)), stepText);
    // Every header takes at least 46 bytes of the file, which bounds what a hostile count can reserve.
    Entries.reserve(static_cast<size_t>(
        std::min<uint64_t>(directory.TotalEntries, ArchiveSize / zip::CentralDirHeader::kSize + 1)));

    zip::FileSource source(WorkHandle);
    zip::ChunkReader reader(source, readPosition);
    zip::CentralDirEntry header;
    const zip::CodePageRule rule = CodePageRule();
    for (uint64_t seqNo = 1; seqNo <= directory.TotalEntries; ++seqNo) {
        zip::CentralEntryError error = zip::ReadCentralEntry(reader, header);
        while (error == zip::CentralEntryError::HeaderCut) {
            // The directory goes on in the next part of the set.
            if (CurrentDisk >= LastDiskNumber) {
                throw EDozErozev(msg::CentralHeaderReadError, true);
            }
            GetNewDisk(CurrentDisk + 1);
            reader.Restart(0);
            error = zip::ReadCentralEntry(reader, header);
        }
        switch (error) {
            case zip::CentralEntryError::BadSignature:
                throw EDozErozev(msg::CentralSignatureWrong, true);
            case zip::CentralEntryError::NameCut:
                throw EDozErozev(msg::CentralNameReadError, true);
            case zip::CentralEntryError::ExtraCut:
                throw EDozErozev(msg::ListSeekError, true);
            case zip::CentralEntryError::CommentCut:
                throw EDozErozev(msg::FileCommentReadError, true);
            case zip::CentralEntryError::HeaderCut:
            case zip::CentralEntryError::None:
                break;
        }
        ArchiveMadeBy = header.MadeByVersion;
        ArchiveHost = header.HostSystem;
        if (header.HostSystem != zip::kHostMsDos) {
            archiveHost = header.HostSystem;
            archiveMadeBy = header.MadeByVersion;
        }
        ZipDirEntry entry;
        entry.SetHeaderFields(header);
        entry.FileName = zip::DecodeEntryName(header, rule);
        std::replace(entry.FileName.begin(), entry.FileName.end(), '/', '\\');
        // An entry whose ZIP64 block lacks a value is listed as stored, with a message: the others
        // stay reachable, and the library skips this one as damaged.
        const std::optional<zip::EntrySizes> sizes = header.Sizes();
        if (sizes) {
            entry.SetSizes(*sizes);
        } else {
            ShowZipMessage(msg::CentralExtraReadError,
                           ": the ZIP64 block of " + entry.FileName + " is too short");
        }
        FirstLocalOffset = std::min(FirstLocalOffset, entry.LocalHeaderOffset64);
        entry.FileComment = zip::DecodeEntryComment(header, rule);
        entry.ExtraData = std::move(header.Extra);

        // A name without a file part (ending in a separator), or an entry whose attributes make it a
        // folder, is a directory-only entry.
        const bool directoryOnly = entry.FileName.empty() || entry.FileName.back() == '\\' ||
                                   entry.FileName.back() == ':' || header.IsDirectory();
        if (!Options.UseDirOnlyEntries && directoryOnly) {
            ++SkippedDirCount;
        } else {
            const ZipDirEntry& kept = Entries.emplace_back(std::move(entry));
            if (c.OnNewName && !ShuttingDown) {
                c.OnNewName(&c, static_cast<int32_t>(seqNo), kept);
            }
        }
        ReportProgress(pkEngineItemBytes, stepLoadingDirectory, 1, stepText);
        if (Cancel != 0) {
            throw EDozErozev(msg::UserCanceled, true);
        }
    }
}

}  // namespace ruvu
