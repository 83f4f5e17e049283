#include "libs/common/ArchiveReader.h"

#include <algorithm>

#include "platform/HostError.h"
#include "zipformat/ByteOrder.h"
#include "zipformat/CentralDirWalk.h"
#include "zipformat/DataDescriptor.h"
#include "zipformat/EndRecordSearch.h"
#include "zipformat/SpannedSetMarker.h"
#include "zipformat/ZipConstants.h"

namespace ruvu::libcommon {

using platform::Access;
using platform::Share;

bool ArchiveReader::Fail(abi::LibraryCode code, std::string text) {
    error_ = Error{code, std::move(text)};
    return false;
}

bool ArchiveReader::Open(std::string_view windowsPath, zip::CodePageRule rule) {
    rule_ = rule;
    file_ = platform::File::Open(windowsPath, Access::Read, Share::DenyWrite);
    if (!file_.IsOpen()) {
        return Fail(abi::kCodeNoArchive,
                    "Zip file could not be opened: " + platform::HostErrorText(file_.Error()));
    }
    return ReadDirectory();
}

bool ArchiveReader::OpenHost(std::string_view hostPath, zip::CodePageRule rule) {
    rule_ = rule;
    file_ = platform::File::OpenHost(hostPath, Access::Read, Share::DenyWrite);
    if (!file_.IsOpen()) {
        return Fail(abi::kCodeNoArchive,
                    "Zip file could not be opened: " + platform::HostErrorText(file_.Error()));
    }
    return ReadDirectory();
}

bool ArchiveReader::FindEndRecord() {
    const int64_t size = file_.Size();
    if (size < 0) {
        return Fail(abi::kCodeNoArchive, "Zip file could not be read");
    }
    fileSize_ = static_cast<uint64_t>(size);
    uint8_t head[8] = {};
    spanMarker_ = ReadAt(0, head, sizeof head) && zip::StartsSpannedSet(head);
    zip::EndRecordLocation found;
    switch (zip::FindEndRecord(source_, fileSize_, found)) {
        case zip::EndRecordSearch::ReadFailed:
            return Fail(abi::kCodeNoArchive, "Error while reading the End Of Central Directory");
        case zip::EndRecordSearch::NotFound:
            return Fail(abi::kCodeNoArchive, "This archive is not a valid Zip archive");
        case zip::EndRecordSearch::Found:
            break;
    }
    end_ = found.Record;
    comment_ = std::move(found.Comment);
    endRecordPos_ = found.Offset;
    if (found.Directory.HasLocator) {
        if (!listZip64_ || end_.UsesZip64()) {
            return Fail(abi::kCodeUnsupported, "ZIP64 archives are not supported (archive larger than 4 GB)");
        }
        if (!found.Directory.HasZip64Record) {
            return Fail(abi::kCodeArchiveStructure,
                        "Error in zip structure: the ZIP64 end record is missing");
        }
    }
    directoryEnd_ = found.Directory.End;
    return true;
}

bool ArchiveReader::ReadDirectory() {
    source_.Forget();
    entries_.clear();
    if (!FindEndRecord()) {
        return false;
    }
    if (end_.ThisDiskNo != 0 || end_.CentralDirDisk != 0 || end_.EntriesThisDisk != end_.TotalEntries) {
        return Fail(abi::kCodeUnsupported, "This is part of a spanned archive");
    }
    if (end_.CentralDirSize > directoryEnd_) {
        return Fail(abi::kCodeArchiveStructure, "Error in zip structure: central directory size too large");
    }
    centralDirPos_ = directoryEnd_ - end_.CentralDirSize;
    if (end_.CentralDirOffset > centralDirPos_) {
        return Fail(abi::kCodeArchiveStructure,
                    "Error in zip structure: central directory offset beyond the end");
    }
    // Where the stored offsets count from: 0 when they count from the start of the file, the size of
    // a stub put in front without adjusting them otherwise.
    const uint64_t base = centralDirPos_ - end_.CentralDirOffset;
    zip::ChunkReader directory(source_, centralDirPos_, directoryEnd_);
    entries_.reserve(std::min<size_t>(end_.TotalEntries, end_.CentralDirSize / zip::CentralDirHeader::kSize));
    prefixSize_ = centralDirPos_;
    for (uint32_t i = 0; i < end_.TotalEntries; ++i) {
        ArchiveEntry entry;
        if (zip::ReadCentralEntry(directory, entry.header) != zip::CentralEntryError::None) {
            return Fail(abi::kCodeArchiveStructure,
                        "A central header signature is wrong or a header runs past the directory (entry " +
                            std::to_string(i + 1) + ")");
        }
        entry.name = zip::DecodeEntryName(entry.header, rule_);
        if (entry.header.UsesZip64()) {
            if (!listZip64_) {
                return Fail(abi::kCodeUnsupported, "ZIP64 entries are not supported: " + entry.name);
            }
            // Without its real offset the entry cannot be found; the caller skips it.
            if (entry.header.LocalHeaderOffset == zip::kZip64Marker32) {
                entries_.push_back(std::move(entry));
                continue;
            }
        }
        entry.localHeaderPos = base + entry.header.LocalHeaderOffset;
        if (entry.localHeaderPos + zip::LocalFileHeader::kSize > centralDirPos_) {
            return Fail(abi::kCodeArchiveStructure,
                        "A local header offset lies beyond the directory: " + entry.name);
        }
        prefixSize_ = std::min(prefixSize_, entry.localHeaderPos);
        entries_.push_back(std::move(entry));
    }
    // A single-part archive that starts with the spanned-set marker counts the marker as its own.
    if (spanMarker_ && prefixSize_ == zip::kSpannedSetMarkerSize) {
        prefixSize_ = 0;
    }
    return true;
}

std::optional<EntryLayout> ArchiveReader::Layout(const ArchiveEntry& entry) {
    EntryLayout layout;
    layout.localHeaderPos = entry.localHeaderPos;
    uint8_t fixed[zip::LocalFileHeader::kSize];
    if (!ReadAt(entry.localHeaderPos, fixed, sizeof fixed)) {
        Fail(abi::kCodeArchiveStructure, "Error while reading a local header: " + entry.name);
        return std::nullopt;
    }
    static_cast<zip::LocalFileHeader&>(layout.local) = *zip::LocalFileHeader::Read(fixed);
    zip::LocalFileEntry& local = layout.local;
    if (local.Signature != zip::LocalFileHeader::kSignature) {
        Fail(abi::kCodeArchiveStructure, "A local header signature is wrong: " + entry.name);
        return std::nullopt;
    }
    const uint64_t namePos = entry.localHeaderPos + zip::LocalFileHeader::kSize;
    layout.dataPos = namePos + local.FileNameLength + local.ExtraLength;
    layout.dataSize = entry.header.CompressedSize;
    if (layout.dataPos + layout.dataSize > centralDirPos_) {
        Fail(abi::kCodeArchiveStructure, "Entry data runs past the central directory: " + entry.name);
        return std::nullopt;
    }
    local.Name.resize(local.FileNameLength);
    local.Extra.resize(local.ExtraLength);
    if (!ReadAt(namePos, local.Name.data(), local.Name.size()) ||
        !ReadAt(namePos + local.Name.size(), local.Extra.data(), local.Extra.size())) {
        Fail(abi::kCodeArchiveStructure, "Error while reading a local file name: " + entry.name);
        return std::nullopt;
    }
    if ((local.Flags & zip::kFlagDataDescriptor) != 0) {
        // The descriptor's signature is optional; its size fields are 32-bit here (no ZIP64).
        const uint64_t after = layout.dataPos + layout.dataSize;
        uint8_t first[8] = {};
        const bool withSignature =
            after + zip::DataDescriptor::kSize <= centralDirPos_ && ReadAt(after, first, sizeof first) &&
            zip::DataDescriptorLength(first, entry.header.Crc32) == zip::DataDescriptor::kSize;
        layout.descriptorSize =
            withSignature ? zip::DataDescriptor::kSize : zip::DataDescriptor::kSizeWithoutSignature;
        if (after + layout.descriptorSize > centralDirPos_) {
            Fail(abi::kCodeArchiveStructure, "Error while reading a data descriptor: " + entry.name);
            return std::nullopt;
        }
    }
    return layout;
}

}  // namespace ruvu::libcommon
