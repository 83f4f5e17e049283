#include "sfx/ZipArchiveStream.h"

#include <algorithm>
#include <vector>

#include "zipformat/CentralDirWalk.h"
#include "zipformat/ChunkReader.h"
#include "zipformat/OffsetShift.h"
#include "zipformat/ZipStart.h"

namespace ruvu {

namespace {

constexpr size_t kCopyChunk = 1 << 20;

int32_t CentralReadError(zip::CentralEntryError error) {
    return error == zip::CentralEntryError::HeaderCut || error == zip::CentralEntryError::BadSignature
               ? sfxmsg::CentralHeaderReadError
               : sfxmsg::CentralExtraReadError;
}

std::string RecordBytes(const auto& record) {
    std::string bytes;
    zip::AppendRecord(record, bytes);
    return bytes;
}

}  // namespace

TZipArchiveStream::TZipArchiveStream() = default;

TZipArchiveStream::TZipArchiveStream(const std::string& fileName) : fileName_(fileName) {
    file_ = platform::File::Open(fileName, platform::Access::Read, platform::Share::DenyNone);
    if (!file_.IsOpen()) {
        throw ESfxError(sfxmsg::ZipOpenError);
    }
    source_.emplace(file_);
}

uint64_t TZipArchiveStream::FindEndRecord() {
    if (!source_) {
        return 0;
    }
    const int64_t size = file_.Size();
    if (size < 0 ||
        zip::FindEndRecord(*source_, static_cast<uint64_t>(size), end_) != zip::EndRecordSearch::Found) {
        throw ESfxError(sfxmsg::EocReadError);
    }
    if (end_.Directory.ThisDisk != 0 || end_.Directory.StartDisk != 0) {
        throw ESfxError(sfxmsg::CannotSpan);
    }
    endFound_ = true;
    return end_.Offset;
}

uint64_t TZipArchiveStream::FindZipStart() {
    if (!source_) {
        return 0;
    }
    if (!endFound_) {
        FindEndRecord();
    }
    const std::optional<uint64_t> start = zip::FindZipStart(*source_, end_);
    if (!start) {
        throw ESfxError(sfxmsg::CentralHeaderReadError);
    }
    return *start;
}

void TZipArchiveStream::CopyRaw(SfxOutput& out, uint64_t from, uint64_t to, int32_t readId, int32_t writeId) {
    std::vector<char> buffer(static_cast<size_t>(std::min<uint64_t>(kCopyChunk, to > from ? to - from : 0)));
    while (from < to) {
        const size_t take = static_cast<size_t>(std::min<uint64_t>(buffer.size(), to - from));
        if (!source_->ReadExactAt(from, buffer.data(), take)) {
            throw ESfxError(readId);
        }
        out.Write({buffer.data(), take}, writeId);
        from += take;
    }
}

void TZipArchiveStream::CopyArchive(SfxOutput& out, uint64_t zipStart) {
    if (!source_) {
        zip::EndOfCentralDir empty;
        empty.CentralDirOffset = static_cast<uint32_t>(out.Written());
        out.Write(RecordBytes(empty), sfxmsg::EocWriteError);
        return;
    }
    if (!endFound_) {
        FindEndRecord();
    }
    const zip::CentralDirLocation& dir = end_.Directory;
    const uint64_t directoryStart = dir.End - std::min(dir.Size, dir.End);
    const int64_t shift =
        zip::Displacement(dir) + static_cast<int64_t>(out.Written()) - static_cast<int64_t>(zipStart);
    CopyRaw(out, zipStart, directoryStart, sfxmsg::DataCopyError, sfxmsg::DataCopyError);
    CopyCentralDirectory(out, directoryStart, shift);
}

void TZipArchiveStream::CopyCentralDirectory(SfxOutput& out, uint64_t directoryStart, int64_t shift) {
    const zip::CentralDirLocation& dir = end_.Directory;
    zip::ChunkReader in(*source_, directoryStart, dir.End);
    zip::CentralDirEntry entry;
    std::string batch;
    for (uint64_t i = 0; i < dir.EntriesThisDisk; ++i) {
        const zip::CentralEntryError error = zip::ReadCentralEntry(in, entry);
        if (error != zip::CentralEntryError::None) {
            throw ESfxError(CentralReadError(error));
        }
        zip::ShiftLocalHeaderOffset(entry, dir.ThisDisk, shift);
        batch += entry.Serialize();
        if (batch.size() >= kCopyChunk) {
            out.Write(batch, sfxmsg::CentralHeaderWriteError);
            batch.clear();
        }
    }
    out.Write(batch, sfxmsg::CentralHeaderWriteError);
    CopyEndRecords(out, in.Position(), shift);
}

void TZipArchiveStream::CopyEndRecords(SfxOutput& out, uint64_t from, int64_t shift) {
    const zip::CentralDirLocation& dir = end_.Directory;
    if (dir.HasZip64Record && from <= dir.End) {
        // Whatever lies between the last header and the ZIP64 end record (a signature record) stays.
        CopyRaw(out, from, dir.End, sfxmsg::CentralHeaderReadError, sfxmsg::CentralHeaderWriteError);
        uint8_t bytes[zip::Zip64EndRecord::kSize];
        if (!source_->ReadExactAt(dir.End, bytes, sizeof bytes)) {
            throw ESfxError(sfxmsg::EocReadError);
        }
        zip::Zip64EndRecord record = *zip::Zip64EndRecord::Read(bytes);
        zip::ShiftCentralDirOffset(record, shift);
        out.Write(RecordBytes(record), sfxmsg::EocWriteError);
        const uint64_t locatorPos = end_.Offset - zip::Zip64Locator::kSize;
        CopyRaw(out, dir.End + zip::Zip64EndRecord::kSize, locatorPos, sfxmsg::EocReadError,
                sfxmsg::EocWriteError);
        if (!source_->ReadExactAt(locatorPos, bytes, zip::Zip64Locator::kSize)) {
            throw ESfxError(sfxmsg::EocReadError);
        }
        zip::Zip64Locator locator = *zip::Zip64Locator::Read({bytes, zip::Zip64Locator::kSize});
        zip::ShiftZip64EndRecordOffset(locator, shift);
        out.Write(RecordBytes(locator), sfxmsg::EocWriteError);
    } else if (from <= end_.Offset) {
        CopyRaw(out, from, end_.Offset, sfxmsg::CentralHeaderReadError, sfxmsg::CentralHeaderWriteError);
    }
    zip::EndOfCentralDir record = end_.Record;
    zip::ShiftCentralDirOffset(record, shift);
    out.Write(RecordBytes(record), sfxmsg::EocWriteError);
    if (end_.Comment.size() != end_.Record.CommentLength) {
        throw ESfxError(sfxmsg::ArchiveCommentReadError);
    }
    out.Write(end_.Comment, sfxmsg::CopyArchiveCommentError);
}

void TZipArchiveStream::CopyDetached(SfxOutput& out, uint64_t zipStart) {
    if (!source_) {
        CopyArchive(out, zipStart);
        return;
    }
    if (!endFound_) {
        FindEndRecord();
    }
    const zip::CentralDirLocation& dir = end_.Directory;
    zip::ChunkReader in(*source_, dir.End - std::min(dir.Size, dir.End), dir.End);
    zip::CentralDirEntry entry;
    std::string batch;
    uint64_t leftOut = 0;
    for (uint64_t i = 0; i < dir.EntriesThisDisk; ++i) {
        const zip::CentralEntryError error = zip::ReadCentralEntry(in, entry);
        if (error != zip::CentralEntryError::None) {
            throw ESfxError(CentralReadError(error));
        }
        leftOut += entry.Extra.size() + entry.Comment.size();
        entry.Extra.clear();
        entry.Comment.clear();
        batch += entry.Serialize();
    }
    out.Write(batch, sfxmsg::CentralHeaderWriteError);
    zip::EndOfCentralDir record = end_.Record;
    record.ThisDiskNo = 0xFFFF;
    record.CentralDirSize = static_cast<uint32_t>(record.CentralDirSize - leftOut);
    record.CentralDirOffset = static_cast<uint32_t>(record.CentralDirOffset - leftOut);
    record.CommentLength = 0;
    out.Write(RecordBytes(record), sfxmsg::EocWriteError);
}

}  // namespace ruvu
