// Joining a spanned set into one ordinary archive: the central directory is read from the last disks
// first, then every local header with its data is copied from the first disk on, then the directory
// again and the end record, each offset rewritten for the single file and every disk number 0. The set
// is read as one stream of bytes through its parts, the next part asked for where one ends, so a
// record that continues on the next disk is read whole; past the last part is an error, never a
// request for a disk that does not exist.
#include <algorithm>
#include <cstring>
#include <span>

#include "engine/DozEngine.h"
#include "engine/DozErozev.h"
#include "engine/LocalHeaderList.h"
#include "engine/Messages.h"
#include "platform/FileSystem.h"
#include "platform/TempFiles.h"
#include "platform/WinPath.h"
#include "zipformat/CentralDirHeader.h"
#include "zipformat/ChunkReader.h"
#include "zipformat/DataDescriptor.h"
#include "zipformat/FileSource.h"
#include "zipformat/LocalFileHeader.h"
#include "zipformat/SpannedSetMarker.h"
#include "zipformat/ZipConstants.h"

namespace ruvu {

namespace {

constexpr size_t kPieceSize = 64 * 1024;

// The parts of the set as one stream: the part in WorkHandle read through a chunked reader, the next
// one opened with GetNewDisk where it ends.
class SetInput {
  public:
    explicit SetInput(TDozEngine& engine)
        : engine_(engine), source_(engine.WorkHandle), reader_(source_, 0) {}

    // Reading goes on at pos of the part now open.
    void Restart(uint64_t pos) {
        const int64_t size = engine_.WorkHandle.Size();
        partSize_ = size > 0 ? static_cast<uint64_t>(size) : 0;
        reader_.Restart(pos);
    }
    uint64_t Position() const { return reader_.Position(); }

    // Up to max bytes (at least one) of the part now open, going on to the next part first where one
    // ends; id is raised past the last part and when a read fails.
    std::span<const uint8_t> Piece(size_t max, int32_t id) {
        while (Position() >= partSize_) {
            NextPart(id);
        }
        const size_t count = static_cast<size_t>(std::min<uint64_t>(max, partSize_ - Position()));
        const uint8_t* bytes = reader_.Next(count);
        if (bytes == nullptr) {
            throw EDozErozev(id, true);
        }
        return {bytes, count};
    }
    // Exactly count bytes, read across parts.
    void Read(void* buffer, size_t count, int32_t id) {
        auto* out = static_cast<uint8_t*>(buffer);
        while (count > 0) {
            const std::span<const uint8_t> piece = Piece(count, id);
            std::memcpy(out, piece.data(), piece.size());
            out += piece.size();
            count -= piece.size();
        }
    }
    // Moves forward to offset of disk; false when the stream is already past it. Bytes in between are
    // passed over.
    bool SeekForward(uint32_t disk, uint64_t offset, int32_t id) {
        for (;;) {
            const auto current = static_cast<uint32_t>(engine_.CurrentDisk);
            if (current > disk || (current == disk && Position() > offset)) {
                return false;
            }
            if (current == disk) {
                if (offset > partSize_) {
                    throw EDozErozev(id, true);
                }
                reader_.Restart(offset);
                return true;
            }
            NextPart(id);
        }
    }

  private:
    void NextPart(int32_t id) {
        if (engine_.CurrentDisk >= engine_.LastDiskNumber) {
            throw EDozErozev(id, true);
        }
        engine_.GetNewDisk(engine_.CurrentDisk + 1);
        Restart(0);
    }

    TDozEngine& engine_;
    zip::FileSource source_;
    zip::ChunkReader reader_;
    uint64_t partSize_ = 0;
};

// The joined archive, written through a buffer; every write reports its bytes when asked to.
class JoinedOutput {
  public:
    explicit JoinedOutput(TDozEngine& engine) : engine_(engine) { buffer_.reserve(kPieceSize); }

    uint64_t Position() const { return written_ + buffer_.size(); }
    void Write(const void* data, size_t count, int32_t id) {
        if (buffer_.size() + count > kPieceSize) {
            Flush(id);
        }
        if (count >= kPieceSize) {
            Put(data, count, id);
            return;
        }
        const auto* bytes = static_cast<const uint8_t*>(data);
        buffer_.insert(buffer_.end(), bytes, bytes + count);
    }
    void Flush(int32_t id) {
        Put(buffer_.data(), buffer_.size(), id);
        buffer_.clear();
    }

  private:
    void Put(const void* data, size_t count, int32_t id) {
        if (count == 0) {
            return;
        }
        const int64_t done = engine_.OutHandle.Write(data, count);
        if (done != static_cast<int64_t>(count)) {
            EDozErozev error(id, true);
            error.AppendMessage(" (" + platform::HostErrorText(engine_.OutHandle.Error()) + ")");
            throw error;
        }
        written_ += count;
        if (engine_.ProgressMode == 2) {
            engine_.ReportProgress(pkEngineItemBytes, 0, done, {});
        }
    }

    TDozEngine& engine_;
    std::vector<uint8_t> buffer_;
    uint64_t written_ = 0;
};

// Copies count bytes of the set to the joined archive.
void ReadCopy(SetInput& in, JoinedOutput& out, uint64_t count, int32_t id) {
    while (count > 0) {
        const std::span<const uint8_t> piece =
            in.Piece(static_cast<size_t>(std::min<uint64_t>(count, kPieceSize)), id);
        out.Write(piece.data(), piece.size(), id);
        count -= piece.size();
    }
}

// A 32-bit offset of the joined archive; a larger one cannot be written in its records.
uint32_t Offset32(uint64_t position) {
    if (position > UINT32_MAX) {
        throw EDozErozev(msg::ListFileTooLarge, true);
    }
    return static_cast<uint32_t>(position);
}

// Reads the fixed part, the name and (as stored) the extra field and comment lengths of the next
// central header.
zip::CentralDirEntry ReadCentralHeader(SetInput& in) {
    uint8_t fixed[zip::CentralDirHeader::kSize];
    in.Read(fixed, sizeof fixed, msg::CentralHeaderReadError);
    zip::CentralDirEntry header;
    static_cast<zip::CentralDirHeader&>(header) = *zip::CentralDirHeader::Read(fixed);
    if (header.Signature != zip::CentralDirHeader::kSignature) {
        throw EDozErozev(msg::CentralSignatureWrong, true);
    }
    header.Name.resize(header.FileNameLength);
    in.Read(header.Name.data(), header.Name.size(), msg::CentralNameReadError);
    return header;
}

void CheckCancel(const TDozEngine& engine) {
    if (engine.Cancel != 0) {
        throw EDozErozev(msg::UserCanceled, true);
    }
}

void JoinParts(TDozEngine& engine, const zip::EndOfCentralDir& record) {
    engine.SourceDate = engine.WorkHandle.GetDosDateTime();
    zip::FileSource last(engine.WorkHandle);
    const zip::CentralDirLocation dir = zip::LocateCentralDir(last, engine.EndRecordOffset, record);
    if (dir.HasLocator || record.UsesZip64()) {
        EDozErozev error(msg::SpanningUnsupported, true);
        error.AppendMessage(": the set needs ZIP64 records");
        throw error;
    }
    engine.LastDiskNumber = record.ThisDiskNo;
    engine.CurrentDisk = engine.LastDiskNumber;
    if (record.CentralDirDisk > record.ThisDiskNo) {
        throw EDozErozev(msg::CentralHeaderReadError, true);
    }
    SetInput in(engine);
    in.Restart(0);
    if (record.CentralDirDisk != record.ThisDiskNo) {
        engine.GetNewDisk(record.CentralDirDisk);
        in.Restart(0);
    }
    if (!in.SeekForward(record.CentralDirDisk, record.CentralDirOffset, msg::InputSeekError)) {
        throw EDozErozev(msg::InputSeekError, true);
    }

    // The directory: what each entry is and where its local header lies.
    TLocalHeaderList list(record.TotalEntries);
    const zip::CodePageRule rule = engine.CodePageRule();
    uint64_t totalBytes =
        uint64_t{record.CommentLength} + record.CentralDirSize + zip::EndOfCentralDir::kSize;
    for (size_t i = 0; i < list.Count(); ++i) {
        CheckCancel(engine);
        zip::CentralDirEntry header = ReadCentralHeader(in);
        header.Extra.resize(header.ExtraLength);
        in.Read(header.Extra.data(), header.Extra.size(), msg::CentralExtraReadError);
        header.Comment.resize(header.CommentLength);
        in.Read(header.Comment.data(), header.Comment.size(), msg::FileCommentReadError);
        TLocalHeaderItem& item = list.Item(i);
        item.Name = platform::SlashesToBackslashes(zip::DecodeEntryName(header, rule));
        item.Flags = header.Flags;
        item.Crc32 = header.Crc32;
        item.CompressedSize = header.CompressedSize;
        item.InputDisk = header.DiskStart;
        item.InputOffset = header.LocalHeaderOffset;
        totalBytes += uint64_t{header.FileNameLength} + zip::LocalFileHeader::kSize + header.ExtraLength +
                      header.CompressedSize;
        if ((header.Flags & zip::kFlagDataDescriptor) != 0) {
            totalBytes += zip::DataDescriptor::kSize;
        }
    }

    engine.GetNewDisk(0);
    in.Restart(0);
    engine.ReportProgress(pkEngineItemStart, stepJoining, static_cast<int64_t>(totalBytes),
                          LoadZipStr(msg::StepJoining));
    engine.ProgressMode = 2;
    JoinedOutput out(engine);
    uint8_t marker[zip::kSpannedSetMarkerSize];
    in.Read(marker, sizeof marker, msg::ExtendedLocalSignatureError);
    if (zip::GetU32(marker) != zip::kSpannedSetMarker) {
        throw EDozErozev(msg::ExtendedLocalSignatureError, true);
    }

    // The local headers with their data, in the order they lie on the disks.
    const std::string copying = LoadZipStr(msg::Copying);
    for (size_t index : list.InputOrder()) {
        CheckCancel(engine);
        TLocalHeaderItem& item = list.Item(index);
        if (!in.SeekForward(item.InputDisk, item.InputOffset, msg::LocalHeaderReadError)) {
            throw EDozErozev(msg::LocalHeaderNotFound, true);
        }
        uint8_t fixed[zip::LocalFileHeader::kSize];
        in.Read(fixed, sizeof fixed, msg::LocalHeaderReadError);
        const zip::LocalFileHeader local = *zip::LocalFileHeader::Read(fixed);
        if (local.Signature != zip::LocalFileHeader::kSignature) {
            throw EDozErozev(msg::LocalSignatureWrong, true);
        }
        item.Disk = 0;
        item.Offset = static_cast<int64_t>(out.Position());
        engine.ReportProgress(pkMessage, 0, 0, copying + item.Name);
        out.Write(fixed, sizeof fixed, msg::LocalHeaderWriteError);
        ReadCopy(in, out, local.FileNameLength, msg::LocalNameReadError);
        ReadCopy(in, out, local.ExtraLength, msg::LocalExtraReadError);
        // A header written before its data was known may carry 0; the directory has the size.
        ReadCopy(in, out, local.CompressedSize != 0 ? local.CompressedSize : item.CompressedSize,
                 msg::ZippedDataReadError);
        if ((local.Flags & zip::kFlagDataDescriptor) != 0) {
            uint8_t first[8];
            in.Read(first, sizeof first, msg::DataDescriptorError);
            out.Write(first, sizeof first, msg::DataDescriptorError);
            ReadCopy(in, out, zip::DataDescriptorLength(first, item.Crc32) - sizeof first,
                     msg::DataDescriptorError);
        }
    }

    // The directory again, each header pointing at its entry in the joined archive.
    if (!in.SeekForward(record.CentralDirDisk, record.CentralDirOffset, msg::CentralHeaderReadError)) {
        throw EDozErozev(msg::CentralHeaderReadError, true);
    }
    const uint64_t directoryStart = out.Position();
    for (size_t i = 0; i < list.Count(); ++i) {
        CheckCancel(engine);
        zip::CentralDirEntry header = ReadCentralHeader(in);
        const TLocalHeaderItem& item = list.Item(i);
        if (header.DiskStart != item.InputDisk || header.LocalHeaderOffset != item.InputOffset) {
            // Not the directory read before: another disk was given in between.
            throw EDozErozev(msg::LocalHeaderNotFound, true);
        }
        header.DiskStart = 0;
        header.LocalHeaderOffset = Offset32(static_cast<uint64_t>(item.Offset));
        uint8_t fixed[zip::CentralDirHeader::kSize];
        header.Write(fixed);
        out.Write(fixed, sizeof fixed, msg::CentralHeaderWriteError);
        out.Write(header.Name.data(), header.Name.size(), msg::CentralHeaderWriteError);
        ReadCopy(in, out, header.ExtraLength, msg::CentralExtraReadError);
        ReadCopy(in, out, header.CommentLength, msg::FileCommentReadError);
    }

    // The end record, read where the directory ends, with its comment.
    uint8_t endBytes[zip::EndOfCentralDir::kSize];
    in.Read(endBytes, sizeof endBytes, msg::EocReadError);
    zip::EndOfCentralDir end = *zip::EndOfCentralDir::Read(endBytes);
    if (end.Signature != zip::EndOfCentralDir::kSignature || end.CommentLength != record.CommentLength ||
        end.TotalEntries != record.TotalEntries) {
        throw EDozErozev(msg::EocReadError, true);
    }
    end.ThisDiskNo = 0;
    end.CentralDirDisk = 0;
    end.EntriesThisDisk = end.TotalEntries;
    end.CentralDirOffset = Offset32(directoryStart);
    end.Write(endBytes);
    out.Write(endBytes, sizeof endBytes, msg::EocWriteError);
    ReadCopy(in, out, end.CommentLength, msg::ArchiveCommentReadError);
    out.Flush(msg::OutputWriteError);
    Offset32(out.Position());
}

}  // namespace

int32_t TDozEngine::ReadSpan(const std::string& source, std::string& destination) {
    ErrCode = 0;
    const bool wasRunning = UnzLibRunning;
    UnzLibRunning = true;
    SetDriveOf(source);
    CurrentDisk = -1;
    NewDiskRequested = false;
    ProgressMode = 0;
    WorkFileName = source;
    WorkHandle.Close();
    OutHandle.Close();
    // The listing's comment outlives the join, which opens the last part again.
    const std::string comment = ArchiveComment;
    const std::string rawComment = RawArchiveComment;
    StartWaitCursor();
    std::string output;
    bool found = true;  // the last part was found (a failure to find it is reported already)
    int32_t result = RunSpanWork([&] {
        if (platform::ExtractFileName(destination).empty()) {
            output = platform::CreateTempFile(destination, "zip", ".zip", OutHandle);
            if (output.empty()) {
                throw EDozErozev(msg::TempFileCreateError, true);
            }
        } else {
            // Never a file that is there already: the join writes only what it made itself.
            OutHandle =
                platform::File::Open(platform::ChangeFileExt(destination, ".zip"), platform::Access::Write,
                                     platform::Share::Exclusive, platform::Disposition::CreateNew);
            if (!OutHandle.IsOpen()) {
                EDozErozev error(msg::OutputCreateError, true);
                error.AppendMessage(": " + platform::ChangeFileExt(destination, ".zip") + " (" +
                                    platform::HostErrorText(OutHandle.Error()) + ")");
                throw error;
            }
            output = platform::ChangeFileExt(destination, ".zip");
        }
        zip::EndOfCentralDir record{};
        const int32_t located = LocateLastPart(WorkFileName, record, false);
        if (located < 0) {
            found = false;
        } else if (located > 0) {
            throw EDozErozev(msg::UserCanceled, true);
        } else {
            JoinParts(*this, record);
        }
    });
    if (!found) {
        result = -9;
    }
    ProgressMode = 0;
    WorkHandle.Close();
    if (OutHandle.IsOpen()) {
        OutHandle.SetDosDateTime(SourceDate);
        OutHandle.Close();
    }
    if (result != 0 && !output.empty()) {
        platform::DeleteFile(output);
        output.clear();
    }
    destination = output;
    ArchiveComment = comment;
    RawArchiveComment = rawComment;
    UnzLibRunning = wasRunning;
    EndWaitCursor();
    return result;
}

}  // namespace ruvu
