#include "libs/dizode/ArchiveRewrite.h"

#include <chrono>
#include <vector>

#include "libs/dizode/EntryPlace.h"
#include "platform/FileSystem.h"
#include "platform/WinPath.h"
#include "zipformat/EndOfCentralDir.h"
#include "zipformat/ExtraField.h"
#include "zipformat/Zip64EndRecord.h"
#include "zipformat/Zip64Locator.h"

namespace ruvu::dizode {

namespace {

constexpr size_t kCopyChunk = 1 << 20;

// The records after the central directory: the end record with the comment, preceded by the ZIP64
// end record and its locator when the count or the directory's place does not fit the end record.
// Each field that does not fit holds its marker; the others keep their values.
std::string EndRecords(uint64_t count, uint64_t directoryPos, uint64_t directoryEnd,
                       const std::string& comment) {
    const uint64_t size = directoryEnd - directoryPos;
    zip::EndOfCentralDir end;
    end.EntriesThisDisk = end.TotalEntries =
        count >= zip::kZip64Marker16 ? zip::kZip64Marker16 : static_cast<uint16_t>(count);
    end.CentralDirSize = NeedsZip64(size) ? zip::kZip64Marker32 : static_cast<uint32_t>(size);
    end.CentralDirOffset =
        NeedsZip64(directoryPos) ? zip::kZip64Marker32 : static_cast<uint32_t>(directoryPos);
    end.CommentLength = static_cast<uint16_t>(comment.size());
    std::string records;
    if (end.UsesZip64() || NeedsZip64(directoryEnd)) {
        zip::Zip64EndRecord zip64;
        zip64.MadeByVersion = zip64.VersionNeeded = zip::kVersionZip64;
        zip64.EntriesThisDisk = zip64.TotalEntries = count;
        zip64.CentralDirSize = size;
        zip64.CentralDirOffset = directoryPos;
        zip64.AppendTo(records);
        zip::Zip64Locator locator;
        locator.EndRecordOffset = directoryEnd;
        locator.AppendTo(records);
    }
    end.AppendTo(records);
    return records + comment;
}

}  // namespace

bool ArchiveRewrite::Begin(const std::string& archivePath) {
    archivePath_ = archivePath;
    const std::string folder = platform::ExtractFileDir(archivePath);
    if (!platform::DirectoryExists(folder)) {
        reporter_.Problem("Archive could not be created: the folder " + folder + " does not exist",
                          abi::kCodeCreateError);
        return false;
    }
    platform::ReplacementOptions options;
    options.exclusive = true;
    options.refuseReadOnly = true;
    bool announced = false;
    options.onWait = [&](std::chrono::milliseconds) {
        if (!announced) {
            announced = true;
            if (!reporter_.Client().Message("Waiting for another program to finish changing " +
                                            archivePath_)) {
                return false;
            }
        }
        return reporter_.Client().Tick();
    };
    replacement_ = platform::FileReplacement::Begin(archivePath, options);
    if (!replacement_.IsOpen()) {
        ReportBeginError(replacement_.Error());
        return false;
    }
    out_.emplace(replacement_.Out());
    return reporter_.Trace("Temporary archive beside " + replacement_.TargetHostPath());
}

void ArchiveRewrite::ReportBeginError(platform::HostError error) {
    if (reporter_.Client().Stopped()) {
        return;
    }
    if (platform::FileExists(archivePath_)) {
        // The archive itself cannot be written: read-only, or held by another writer too long.
        reporter_.Problem(
            "Zip file could not be opened: " + platform::HostErrorText(error) + ": " + archivePath_,
            abi::kCodeNoArchive);
        return;
    }
    reporter_.Problem("Temporary file could not be created in " + platform::ExtractFileDir(archivePath_) +
                          ": " + platform::HostErrorText(error),
                      abi::kCodeTempFile);
}

bool ArchiveRewrite::ReportWriteError() {
    reporter_.Problem("Write error in the temporary archive for " + archivePath_ + ": " +
                          platform::HostErrorText(out_->Error()),
                      abi::kCodeWriteError);
    return false;
}

bool ArchiveRewrite::CopyPrefix(libcommon::ArchiveReader& original, uint64_t size) {
    std::vector<uint8_t> buffer(kCopyChunk);
    for (uint64_t at = 0; at < size;) {
        const size_t take = static_cast<size_t>(std::min<uint64_t>(kCopyChunk, size - at));
        if (!original.ReadAt(at, buffer.data(), take)) {
            reporter_.Problem("Error while reading the archive: " + archivePath_, abi::kCodeReadError);
            return false;
        }
        if (!out_->Write(buffer.data(), take)) {
            return ReportWriteError();
        }
        at += take;
    }
    return true;
}

bool ArchiveRewrite::CopyEntry(libcommon::ArchiveReader& original, const libcommon::ArchiveEntry& entry) {
    if (entry.zip64Damaged) {
        reporter_.Problem("The archive is damaged: the ZIP64 block of " + entry.name + " is too short",
                          abi::kCodeArchiveStructure);
        return false;
    }
    const auto layout = original.Layout(entry);
    if (!layout) {
        reporter_.Problem(original.LastError().text, original.LastError().code);
        return false;
    }
    if (!claimed_.Claim(layout->localHeaderPos, layout->End())) {
        reporter_.Problem("The archive is damaged: the data of " + entry.name + " overlaps another entry's",
                          abi::kCodeArchiveStructure);
        return false;
    }
    // The entry moves: its central header gets the ZIP64 block its new offset needs, and no other.
    EntryPlace place;
    place.compressedSize = entry.compressedSize;
    place.uncompressedSize = entry.uncompressedSize;
    place.localHeaderOffset = out_->Position();
    place.localZip64 = zip::FindExtraBlock(layout->local.Extra, zip::kExtraZip64).has_value();
    zip::CentralDirEntry header = entry.header;
    SetCentralPlace(header, place);
    if (header.Extra.size() > 0xFFFF) {
        reporter_.Problem("The extra field of " + entry.name + " has no room for its ZIP64 block",
                          abi::kCodeArchiveStructure);
        return false;
    }
    const uint64_t size = layout->End() - layout->localHeaderPos;
    std::vector<uint8_t> buffer(
        static_cast<size_t>(std::min<uint64_t>(kCopyChunk, std::max<uint64_t>(size, 1))));
    for (uint64_t at = 0; at < size;) {
        const size_t take = static_cast<size_t>(std::min<uint64_t>(buffer.size(), size - at));
        if (!original.ReadAt(layout->localHeaderPos + at, buffer.data(), take)) {
            reporter_.Problem("Error while reading zipped data: " + entry.name, abi::kCodeReadError);
            return false;
        }
        if (!out_->Write(buffer.data(), take)) {
            return ReportWriteError();
        }
        at += take;
        if (!reporter_.Client().Tick()) {
            return false;
        }
    }
    central_.push_back(std::move(header));
    return true;
}

bool ArchiveRewrite::Commit(const std::string& rawComment, libcommon::ArchiveReader* original) {
    const uint64_t directoryPos = out_->Position();
    for (const auto& header : central_) {
        if (!out_->Write(header.Serialize())) {
            return ReportWriteError();
        }
    }
    const uint64_t directoryEnd = out_->Position();
    const std::string comment = rawComment.substr(0, zip::EndOfCentralDir::kMaxCommentLength);
    const std::string record = EndRecords(central_.size(), directoryPos, directoryEnd, comment);
    if (!out_->Write(record) || !out_->Flush()) {
        return ReportWriteError();
    }
    out_.reset();
    if (original != nullptr) {
        original->Close();
    }
    if (!replacement_.Commit()) {
        reporter_.Problem("The archive could not be replaced: " + archivePath_ + ": " +
                              platform::HostErrorText(replacement_.Error()),
                          abi::kCodeWriteError);
        return false;
    }
    // The archive is in place: a stop requested by this last line no longer changes the outcome.
    reporter_.Trace("Archive written: " + archivePath_);
    return true;
}

}  // namespace ruvu::dizode
