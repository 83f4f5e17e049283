#include "libs/dizode/ArchiveRewrite.h"

#include <chrono>
#include <vector>

#include "libs/dizode/EntryWriter.h"
#include "platform/FileSystem.h"
#include "platform/WinPath.h"
#include "zipformat/EndOfCentralDir.h"

namespace ruvu::dizode {

namespace {
constexpr size_t kCopyChunk = 1 << 20;
}

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
    zip::CentralDirEntry header = entry.header;
    header.LocalHeaderOffset = static_cast<uint32_t>(out_->Position());
    const uint64_t size = layout->End() - layout->localHeaderPos;
    if (out_->Position() + size >= kMaxZipSize) {
        reporter_.Problem("The archive would grow beyond 4GB", abi::kCodeUnsupported);
        return false;
    }
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
    if (central_.size() > 0xFFFF) {
        reporter_.Problem("Too many entries for an archive without ZIP64 records", abi::kCodeUnsupported);
        return false;
    }
    const uint64_t directoryPos = out_->Position();
    for (const auto& header : central_) {
        if (!out_->Write(header.Serialize())) {
            return ReportWriteError();
        }
    }
    zip::EndOfCentralDir end;
    end.EntriesThisDisk = end.TotalEntries = static_cast<uint16_t>(central_.size());
    end.CentralDirSize = static_cast<uint32_t>(out_->Position() - directoryPos);
    end.CentralDirOffset = static_cast<uint32_t>(directoryPos);
    const std::string comment = rawComment.substr(0, zip::EndOfCentralDir::kMaxCommentLength);
    end.CommentLength = static_cast<uint16_t>(comment.size());
    std::string record;
    end.AppendTo(record);
    record += comment;
    if (out_->Position() + record.size() >= kMaxZipSize) {
        reporter_.Problem("The archive would grow beyond 4GB", abi::kCodeUnsupported);
        return false;
    }
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
