// Writing a spanned set: the source archive (built by the compression library in a temporary file) is
// copied record by record onto a series of volumes. The central directory is read first, so every
// entry is known by its position in the directory; the local headers are then copied in the order they
// lie in the source, each kept whole on one volume while the data may run on, and the central headers
// and the end record follow with the disk and offset each local header, the directory and the end
// record actually landed on.
#include <algorithm>
#include <functional>

#include "engine/DozEngine.h"
#include "engine/DozErozev.h"
#include "engine/LocalHeaderList.h"
#include "engine/Messages.h"
#include "platform/FileSystem.h"
#include "platform/WinPath.h"
#include "zipformat/CentralDirWalk.h"
#include "zipformat/DataDescriptor.h"
#include "zipformat/FileSource.h"
#include "zipformat/LocalFileHeader.h"
#include "zipformat/SpannedSetMarker.h"
#include "zipformat/ZipConstants.h"

namespace ruvu {

namespace {

constexpr size_t kCopyBlock = 64 * 1024;
constexpr int64_t kLargestChunk = 2147483647;

// A set holds classic records only: 16-bit disk numbers and entry counts, 32-bit sizes and offsets.
[[noreturn]] void RaiseUnsupportedSource(std::string_view why) {
    EDozErozev error(msg::SpanningUnsupported, true);
    error.AppendMessage(": " + std::string(why));
    throw error;
}

// Reads the central directory of the source and makes one list item per header, in its order.
std::vector<zip::CentralDirEntry> ReadSourceDirectory(zip::ByteSource& input,
                                                      const zip::CentralDirLocation& dir,
                                                      zip::CodePageRule rule, TLocalHeaderList& list) {
    if (dir.End < dir.Size) {
        throw EDozErozev(msg::CentralHeaderReadError, true);
    }
    const uint64_t start = dir.End - dir.Size;
    // Offsets count from the start of the archive's own data; a stub in front shifts them all.
    const int64_t shift = static_cast<int64_t>(start) - static_cast<int64_t>(dir.Offset);
    std::vector<zip::CentralDirEntry> central;
    central.reserve(
        static_cast<size_t>(std::min<uint64_t>(dir.TotalEntries, dir.Size / zip::CentralDirHeader::kSize)));
    zip::ChunkReader reader(input, start, dir.End);
    for (size_t i = 0; i < list.Count(); ++i) {
        zip::CentralDirEntry& entry = central.emplace_back();
        switch (zip::ReadCentralEntry(reader, entry)) {
            case zip::CentralEntryError::None:
                break;
            case zip::CentralEntryError::BadSignature:
                throw EDozErozev(msg::CentralSignatureWrong, true);
            default:
                throw EDozErozev(msg::CentralHeaderReadError, true);
        }
        if (entry.UsesZip64()) {
            RaiseUnsupportedSource("an entry needs ZIP64 records");
        }
        const int64_t local = int64_t{entry.LocalHeaderOffset} + shift;
        if (local < 0) {
            throw EDozErozev(msg::LocalHeaderReadError, true);
        }
        TLocalHeaderItem& item = list.Item(i);
        item.Name = platform::SlashesToBackslashes(zip::DecodeEntryName(entry, rule));
        item.Flags = entry.Flags;
        item.Crc32 = entry.Crc32;
        item.CompressedSize = entry.CompressedSize;
        item.InputOffset = static_cast<uint64_t>(local);
    }
    return central;
}

}  // namespace

int32_t TDozEngine::RunSpanWork(const std::function<void()>& work) {
    try {
        work();
        return 0;
    } catch (const EDozErozev& error) {
        ShowExceptionError(error);
        return -7;
    } catch (const std::bad_alloc&) {
        ShowZipMessage(msg::OutOfMemory);
        return -8;
    } catch (const std::exception& error) {
        ShowZipMessage(msg::SpanUnknownError, error.what());
        return -9;
    } catch (...) {
        ShowZipMessage(msg::SpanUnknownError);
        return -9;
    }
}

int32_t TDozEngine::WriteSpan(const std::string& source, const std::string& destination) {
    ErrCode = 0;
    const bool wasRunning = ZipLibRunning;
    ZipLibRunning = true;
    CurrentDisk = 0;
    VolumeRoom = 0;
    NewDiskRequested = true;
    VolumeBytesWritten = 0;
    LastDiskNumber = -1;
    WorkFileName = source;
    OutFileName = destination;
    OutHandle.Close();
    WorkHandle.Close();
    ProgressMode = 0;
    SetDriveOf(destination);
    writtenVolumes_.clear();
    createdParts_.clear();
    pendingKeep_ = 0;
    writingVolumes_ = true;
    firstDiskRefused_ = false;
    StartWaitCursor();
    int32_t result = RunSpanWork([&] {
        if (!platform::FileExists(source)) {
            throw EDozErozev(msg::InputFileMissing, true);
        }
        if (platform::ExtractFileName(destination).empty()) {
            throw EDozErozev(msg::OutputCreateError, true);
        }
        if (Options.MinFreeVolumeSize < 1) {
            EDozErozev error(msg::DiskNotEnoughSpace, true);
            error.AppendMessage("\nMinFreeVolumeSize must be at least 1");
            throw error;
        }
        copyBuffer_.resize(kCopyBlock);
        zip::EndOfCentralDir record{};
        OpenEndRecord(record, true);
        SourceDate = WorkHandle.GetDosDateTime();
        zip::FileSource input(WorkHandle);
        const zip::CentralDirLocation dir = zip::LocateCentralDir(input, EndRecordOffset, record);
        if (dir.ThisDisk != 0 || dir.StartDisk != 0) {
            RaiseUnsupportedSource("the source is itself part of a spanned set");
        }
        if (dir.HasLocator || record.UsesZip64()) {
            RaiseUnsupportedSource("the archive needs ZIP64 records");
        }
        TLocalHeaderList list(dir.TotalEntries);
        std::vector<zip::CentralDirEntry> central = ReadSourceDirectory(input, dir, CodePageRule(), list);

        uint8_t marker[zip::kSpannedSetMarkerSize];
        zip::PutU32(marker, zip::kSpannedSetMarker);
        WriteSplit(marker, sizeof marker, 0);
        ReportProgress(pkEngineItemStart, stepSplitting, ArchiveSize, {});
        ProgressMode = 2;

        const std::string copying = LoadZipStr(msg::Copying);
        for (size_t index : list.InputOrder()) {
            if (Cancel != 0) {
                throw EDozErozev(msg::UserCanceled, true);
            }
            TLocalHeaderItem& item = list.Item(index);
            zip::LocalFileEntry local;
            switch (zip::ReadLocalEntry(input, item.InputOffset, local)) {
                case zip::LocalEntryError::None:
                    break;
                case zip::LocalEntryError::BadSignature:
                    throw EDozErozev(msg::LocalSignatureWrong, true);
                default:
                    throw EDozErozev(msg::LocalHeaderReadError, true);
            }
            ReportProgress(pkMessage, 0, 0, copying + item.Name);
            // A header written before its data was known may carry 0; the directory has the size.
            uint64_t dataLength = local.CompressedSize != 0 ? local.CompressedSize : item.CompressedSize;
            const uint64_t dataPos = item.InputOffset + local.HeaderLength();
            if ((local.Flags & zip::kFlagDataDescriptor) != 0) {
                uint8_t first[8];
                if (!input.ReadExactAt(dataPos + dataLength, first, sizeof first)) {
                    throw EDozErozev(msg::DataDescriptorError, true);
                }
                dataLength += zip::DataDescriptorLength(first, item.Crc32);
            }
            const std::string header = local.Serialize();
            WriteSplit(header.data(), header.size(), header.size());
            item.Disk = static_cast<uint16_t>(blockDisk_);
            item.Offset = blockOffset_;
            if (WorkHandle.Seek(static_cast<int64_t>(dataPos)) < 0) {
                throw EDozErozev(msg::InputSeekError, true);
            }
            CopyToSpan(dataLength, msg::ZippedDataReadError);
        }

        ReportProgress(pkMessage, 0, 0, copying + LoadZipStr(msg::CentralDirectory));
        int32_t startDisk = -1;
        int64_t startOffset = 0;
        std::vector<int32_t> headerDisks(central.size());
        for (size_t i = 0; i < central.size(); ++i) {
            if (Cancel != 0) {
                throw EDozErozev(msg::UserCanceled, true);
            }
            const TLocalHeaderItem& item = list.Item(i);
            central[i].DiskStart = item.Disk;
            central[i].LocalHeaderOffset = static_cast<uint32_t>(item.Offset);
            const std::string header = central[i].Serialize();
            WriteSplit(header.data(), header.size(), header.size());
            if (i == 0) {
                startDisk = blockDisk_;
                startOffset = blockOffset_;
            }
            headerDisks[i] = blockDisk_;
        }

        // The end record names the disk it lands on itself, so that disk is settled first.
        std::string block;
        record.AppendTo(block);
        block.resize(zip::EndOfCentralDir::kSize + record.CommentLength);
        if (WorkHandle.Seek(static_cast<int64_t>(EndRecordOffset) + zip::EndOfCentralDir::kSize) < 0) {
            throw EDozErozev(msg::InputSeekError, true);
        }
        ReadExact(block.data() + zip::EndOfCentralDir::kSize, record.CommentLength,
                  msg::ArchiveCommentReadError);
        ReserveRoom(block.size());
        if (startDisk < 0) {
            startDisk = CurrentDisk;
            startOffset = VolumeBytesWritten;
        }
        record.ThisDiskNo = static_cast<uint16_t>(CurrentDisk);
        record.CentralDirDisk = static_cast<uint16_t>(startDisk);
        record.CentralDirOffset = static_cast<uint32_t>(startOffset);
        record.EntriesThisDisk =
            static_cast<uint16_t>(std::count(headerDisks.begin(), headerDisks.end(), CurrentDisk));
        record.Write({reinterpret_cast<uint8_t*>(block.data()), block.size()});
        WriteSplit(block.data(), block.size(), block.size());
    });
    ProgressMode = 0;
    EndWaitCursor();
    copyBuffer_.clear();
    copyBuffer_.shrink_to_fit();
    if (OutHandle.IsOpen()) {
        // The last volume; after a failure it is kept on a floppy with what it got, like the others.
        OutHandle.SetDosDateTime(SourceDate);
        OutHandle.Close();
    }
    WorkHandle.Close();
    if (result == 0) {
        result = RenameLastPart();
    }
    writingVolumes_ = false;
    if (result != 0) {
        // Parts on a hard disk are of no use without the rest of the set.
        for (const std::string& part : createdParts_) {
            platform::DeleteFile(part);
        }
    }
    createdParts_.clear();
    writtenVolumes_.clear();
    LastDiskNumber = CurrentDisk;
    ZipLibRunning = wasRunning;
    return result;
}

void TDozEngine::CopyToSpan(uint64_t count, int32_t id) {
    if (copyBuffer_.empty()) {
        copyBuffer_.resize(kCopyBlock);
    }
    while (count > 0) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(count, copyBuffer_.size()));
        if (WorkHandle.ReadFull(copyBuffer_.data(), n) != static_cast<int64_t>(n)) {
            throw EDozErozev(id, true);
        }
        WriteSplit(copyBuffer_.data(), n, 0);
        count -= n;
    }
}

void TDozEngine::ReserveRoom(size_t keepTogether) {
    for (;;) {
        while (!OutHandle.IsOpen()) {
            pendingKeep_ = keepTogether;
            const bool askAgain = NewVolume();
            pendingKeep_ = 0;
            if (!askAgain) {
                break;
            }
            firstDiskRefused_ = firstDiskRefused_ || CurrentDisk == 0;
        }
        if (static_cast<int64_t>(keepTogether) <= VolumeRoom) {
            return;
        }
        FinishVolume();
    }
}

void TDozEngine::FinishVolume() {
    if (OutHandle.IsOpen()) {
        if (VolumeBytesWritten == 0) {
            // Nothing of the set is on it (the disk filled up at once): the number is asked for again,
            // the first one too.
            OutHandle.Close();
            platform::DeleteFile(volumeName_);
            std::erase(createdParts_, volumeName_);
            firstDiskRefused_ = firstDiskRefused_ || CurrentDisk == 0;
        } else {
            OutHandle.SetDosDateTime(SourceDate);
            OutHandle.Close();
            writtenVolumes_.push_back({CurrentDisk, volumeName_});
            ++CurrentDisk;
        }
    }
    VolumeRoom = 0;
    VolumeBytesWritten = 0;
    NewDiskRequested = true;
}

void TDozEngine::WriteSplit(const void* buffer, size_t length, size_t keepTogether) {
    ReportProgress(pkTick, 0, 0, {});
    if (Cancel != 0) {
        throw EDozErozev(msg::UserCanceled, true);
    }
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    size_t keep = keepTogether;
    for (;;) {
        ReserveRoom(keep);
        if (keep > 0 && keep == keepTogether) {
            blockDisk_ = CurrentDisk;
            blockOffset_ = VolumeBytesWritten;
        }
        const size_t chunk = static_cast<size_t>(
            std::min<int64_t>(std::min<int64_t>(VolumeRoom, kLargestChunk), static_cast<int64_t>(length)));
        int64_t written = chunk == 0 ? 0 : OutHandle.Write(bytes, chunk);
        if (written < static_cast<int64_t>(chunk)) {
            const platform::HostError error = OutHandle.Error();
            if (IsFixedDrive || error != platform::HostError::DiskFull) {
                EDozErozev failure(msg::OutputWriteError, true);
                failure.AppendMessage(": " + volumeName_ + " (" + platform::HostErrorText(error) + ")");
                throw failure;
            }
            // The floppy is full after all (its free space was less than it said): what must stay
            // together is taken back, and the rest goes on the next disk.
            written = std::max<int64_t>(written, 0);
            if (keep > static_cast<size_t>(written)) {
                OutHandle.SetSize(VolumeBytesWritten);
                OutHandle.Seek(0, platform::SeekOrigin::End);
                written = 0;
            }
            VolumeRoom = written;
        }
        VolumeBytesWritten += static_cast<uint32_t>(written);
        VolumeRoom -= written;
        if (ProgressMode == 2 && written > 0) {
            ReportProgress(pkEngineItemBytes, 0, written, {});
        }
        bytes += written;
        length -= static_cast<size_t>(written);
        keep = keep > static_cast<size_t>(written) ? keep - static_cast<size_t>(written) : 0;
        if (length == 0) {
            return;
        }
        FinishVolume();
    }
}

int32_t TDozEngine::RenameLastPart() {
    const bool partNames = IsFixedDrive || Options.SpanOptions.Contains(spNoVolumeName);
    if (!partNames || !Options.SpanOptions.Contains(spCompatName)) {
        return 0;
    }
    // Written as name.zNN while the number of the last disk was not known.
    std::string part = OutFileName;
    MakePartName(part, false);
    try {
        if (platform::FileExists(OutFileName)) {
            DiskStatus |= 8;
            bool keep = false;
            TDozErozev& c = Component();
            if (c.OnStatusDisk && !ShuttingDown) {
                TZipDiskAction action = 0;
                c.OnStatusDisk(&c, CurrentDisk, OutFileName, DiskStatus, action);
                keep = action != 0;
            } else if (Options.Unattended) {
                keep = true;
            } else {
                const int answer = platform::CurrentInteraction().MessageBox(
                    LoadZipStrFmt(msg::OverwriteExistingFile, {OutFileName}), LoadZipStr(msg::ConfirmCaption),
                    platform::MB_YESNO | platform::MB_ICONWARNING | platform::MB_DEFBUTTON2);
                if (answer == 0) {
                    ShowZipMessage(msg::MsgBoxNoMemory);
                }
                keep = answer != platform::IDYES;
            }
            if (keep) {
                // A note, not a failure: the set is complete under the name of its last part.
                ReportProgress(pkMessage, 0, 0, LoadZipStrFmt(msg::LastPartLeftAs, {part}));
                return 0;
            }
            platform::HostError error = platform::HostError::None;
            if (!platform::DeleteFile(OutFileName, &error)) {
                EDozErozev failure(msg::OutputCreateError, true);
                failure.AppendMessage(": " + OutFileName + " (" + platform::HostErrorText(error) + ")");
                throw failure;
            }
        }
        platform::HostError error = platform::HostError::None;
        if (!platform::RenameFile(part, OutFileName, false, &error)) {
            EDozErozev failure(msg::OutputCreateError, true);
            failure.AppendMessage(": " + OutFileName + " (" + platform::HostErrorText(error) + ")");
            throw failure;
        }
    } catch (const EDozErozev& error) {
        ShowExceptionError(error);
        return -7;
    }
    return 0;
}

}  // namespace ruvu
