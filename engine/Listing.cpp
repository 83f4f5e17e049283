// Reading the central directory of the open archive into the engine's directory list.
#include <algorithm>

#include "engine/ChunkReader.h"
#include "engine/DozEngine.h"
#include "engine/DozErozev.h"
#include "engine/Messages.h"
#include "engine/Utf8Text.h"
#include "platform/CodePage.h"

namespace ruvu {

void TDozEngine::ClearDirectory() {
    Entries.clear();
}

bool TDozEngine::OemConversionApplies() const {
    const CodePageOpts codePage = Options.CodePage;
    return (codePage == cpAuto && ArchiveHost == zip::kHostMsDos) || ArchiveHost == zip::kHostHpfs ||
           (ArchiveHost == zip::kHostNtfs && ArchiveMadeBy == 50) || codePage == cpOEM;
}

std::string TDozEngine::ConvertOem(std::string_view text, bool toOem) const {
    if (!OemConversionApplies()) {
        return std::string(text);
    }
    text = text.substr(0, text.find('\0'));
    // Every OEM code page agrees with ASCII on its lower half.
    if (platform::IsPlainAscii(text)) {
        return std::string(text);
    }
    return toOem ? platform::AnsiToOem(text) : platform::OemToAnsi(text);
}

std::string TDozEngine::DecodeText(std::string_view raw, uint16_t flags) const {
    if ((flags & zip::kFlagUtf8) == 0 && OemConversionApplies()) {
        return RepairUtf8(ConvertOem(raw, false));
    }
    return RepairUtf8(raw);
}

TDozEngine::CentralDirInfo TDozEngine::ReadCentralDirInfo(const zip::EndOfCentralDir& record) {
    CentralDirInfo info;
    info.thisDisk = record.ThisDiskNo;
    info.startDisk = record.CentralDirDisk;
    info.totalEntries = record.TotalEntries;
    info.size = record.CentralDirSize;
    info.offset = record.CentralDirOffset;
    // An archive that outgrew the end record's fields has a zip64 end record and its locator in
    // front of it; without them the end record is taken as it stands.
    const uint32_t minimum = zip::Zip64Locator::kSize + zip::Zip64EndRecord::kSize;
    if (EndRecordOffset < minimum) {
        return info;
    }
    const uint32_t locatorAt = EndRecordOffset - zip::Zip64Locator::kSize;
    uint8_t bytes[zip::Zip64EndRecord::kSize];
    if (WorkHandle.Seek(locatorAt) < 0 || WorkHandle.ReadFull(bytes, zip::Zip64Locator::kSize) != 20 ||
        zip::GetU32(bytes) != zip::kZip64LocatorSignature) {
        return info;
    }
    const zip::Zip64Locator locator = zip::Zip64Locator::Read(bytes);
    // The record lies where the locator says, or directly before the locator when a stub in front of
    // the archive shifted everything.
    const uint64_t candidates[2] = {locator.EndRecordOffset,
                                    uint64_t{locatorAt} - zip::Zip64EndRecord::kSize};
    for (uint64_t at : candidates) {
        if (at + zip::Zip64EndRecord::kSize > locatorAt || WorkHandle.Seek(static_cast<int64_t>(at)) < 0 ||
            WorkHandle.ReadFull(bytes, sizeof bytes) != static_cast<int64_t>(sizeof bytes)) {
            continue;
        }
        const zip::Zip64EndRecord end = zip::Zip64EndRecord::Read(bytes);
        if (end.Signature != zip::kZip64EndRecordSignature || end.RecordSize != locatorAt - at - 12) {
            continue;
        }
        info.trailerSize = EndRecordOffset - static_cast<uint32_t>(at);
        if (record.ThisDiskNo == 0xFFFF) {
            info.thisDisk = end.ThisDiskNo;
        }
        if (record.CentralDirDisk == 0xFFFF) {
            info.startDisk = end.CentralDirDisk;
        }
        if (record.TotalEntries == 0xFFFF) {
            info.totalEntries = end.TotalEntries;
        }
        if (record.CentralDirSize == 0xFFFFFFFF) {
            info.size = end.CentralDirSize;
        }
        if (record.CentralDirOffset == 0xFFFFFFFF) {
            info.offset = end.CentralDirOffset;
        }
        break;
    }
    return info;
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
    uint32_t readPosition = 0;
    uint32_t storedOffset = 0;
    // The archive-level host and version that decide how the archive comment is converted.
    int32_t archiveHost = zip::kHostMsDos;
    int32_t archiveMadeBy = 20;
    try {
        const CentralDirInfo info = ReadCentralDirInfo(record);
        LastDiskNumber = static_cast<int32_t>(info.thisDisk);
        CurrentDisk = LastDiskNumber;
        if (LastDiskNumber != 0) {
            Spanned = true;
        }
        int64_t position = 0;
        if (info.thisDisk != info.startDisk) {
            GetNewDisk(static_cast<int32_t>(info.startDisk));
            ArchiveSize = static_cast<uint32_t>(std::max<int64_t>(0, WorkHandle.Size()));
            position = static_cast<int64_t>(std::min<uint64_t>(info.offset, INT64_MAX));
        } else {
            // Counted back from the end record, so an archive behind a stub lists too.
            position = int64_t{EndRecordOffset} - info.trailerSize -
                       static_cast<int64_t>(std::min<uint64_t>(info.size, UINT32_MAX));
        }
        if (position < 0 || position > int64_t{UINT32_MAX}) {
            throw EDozErozev(msg::ListSeekError, true);
        }
        readPosition = static_cast<uint32_t>(position);
        storedOffset = static_cast<uint32_t>(info.offset);
        CentralDirOffset = readPosition;
        FirstLocalOffset = ArchiveSize == zip::EndOfCentralDir::kSize ? 0 : ArchiveSize;
        StructureWarning = readPosition != info.offset;
        if (StructureWarning) {
            ShowZipMessage(msg::ListStructureWarning);
        }
        if (WorkHandle.Seek(readPosition) < 0) {
            throw EDozErozev(msg::ListSeekError, true);
        }
        ReadEntries(info, archiveHost, archiveMadeBy);
        LastDiskNumber = static_cast<int32_t>(info.thisDisk);
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
        ArchiveComment = RepairUtf8(ConvertOem(RawArchiveComment, false));
    }
    RaiseDirUpdate();
    return ErrCode;
}

void TDozEngine::ReadEntries(const CentralDirInfo& info, int32_t& archiveHost, int32_t& archiveMadeBy) {
    TDozErozev& c = Component();
    const std::string stepText = LoadZipStr(msg::StepLoadingDirectory);
    ReportProgress(pkEngineItemStart, stepLoadingDirectory,
                   static_cast<int64_t>(std::min<uint64_t>(info.totalEntries, INT64_MAX)), stepText);
    // Every header takes at least 46 bytes of the file, which bounds what a hostile count can reserve.
    Entries.reserve(static_cast<size_t>(
        std::min<uint64_t>(info.totalEntries, ArchiveSize / zip::CentralDirHeader::kSize + 1)));

    ChunkReader reader(WorkHandle);
    auto take = [&](size_t count, int32_t id) -> std::string_view {
        if (count == 0) {
            return {};
        }
        const uint8_t* bytes = reader.Next(count);
        if (!bytes) {
            throw EDozErozev(id, true);
        }
        return {reinterpret_cast<const char*>(bytes), count};
    };
    for (uint64_t seqNo = 1; seqNo <= info.totalEntries; ++seqNo) {
        const uint8_t* bytes = reader.Next(zip::CentralDirHeader::kSize);
        while (!bytes) {
            // The directory goes on in the next part of the set.
            if (CurrentDisk >= LastDiskNumber) {
                throw EDozErozev(msg::CentralHeaderReadError, true);
            }
            GetNewDisk(CurrentDisk + 1);
            reader.Restart();
            bytes = reader.Next(zip::CentralDirHeader::kSize);
        }
        const zip::CentralDirHeader header = zip::CentralDirHeader::Read(bytes);
        if (header.Signature != zip::kCentralHeaderSignature) {
            throw EDozErozev(msg::CentralSignatureWrong, true);
        }
        const std::string_view rawName = take(header.FileNameLength, msg::CentralNameReadError);
        ArchiveMadeBy = header.MadeByVersion;
        ArchiveHost = header.HostSystem;
        if (header.HostSystem != zip::kHostMsDos) {
            archiveHost = header.HostSystem;
            archiveMadeBy = header.MadeByVersion;
        }
        ZipDirEntry entry;
        entry.SetHeaderFields(header);
        entry.FileName = DecodeText(rawName, header.Flags);
        std::replace(entry.FileName.begin(), entry.FileName.end(), '/', '\\');
        entry.ExtraData = take(header.ExtraLength, msg::ListSeekError);
        entry.FileComment = DecodeText(take(header.CommentLength, msg::FileCommentReadError), header.Flags);

        // A name without a file part (ending in a separator) is a directory-only entry.
        const bool directoryOnly =
            entry.FileName.empty() || entry.FileName.back() == '\\' || entry.FileName.back() == ':';
        if (!Options.UseDirOnlyEntries && directoryOnly) {
            ++SkippedDirCount;
        } else {
            const ZipDirEntry& kept = Entries.emplace_back(std::move(entry));
            if (c.OnNewName && !ShuttingDown) {
                c.OnNewName(&c, static_cast<int32_t>(seqNo), kept);
            }
        }
        const uint32_t localHeaderOffset = header.LocalHeaderOffset;
        FirstLocalOffset = std::min(FirstLocalOffset, localHeaderOffset);
        ReportProgress(pkEngineItemBytes, stepLoadingDirectory, 1, stepText);
        if (Cancel != 0) {
            throw EDozErozev(msg::UserCanceled, true);
        }
    }
}

}  // namespace ruvu
