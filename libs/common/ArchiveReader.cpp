#include "libs/common/ArchiveReader.h"

#include <algorithm>

#include "platform/HostError.h"
#include "zipformat/ByteOrder.h"
#include "zipformat/CentralDirWalk.h"
#include "zipformat/DataDescriptor.h"
#include "zipformat/EndRecordSearch.h"
#include "zipformat/ExtraField.h"
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
    directory_ = found.Directory;
    if (directory_.HasLocator && !listZip64_) {
        return Fail(abi::kCodeUnsupported, "ZIP64 archives are not supported (archive larger than 4 GB)");
    }
    // Values the end record leaves to the ZIP64 end record cannot be guessed.
    if (end_.UsesZip64() && !directory_.HasZip64Record) {
        return Fail(abi::kCodeArchiveStructure,
                    directory_.HasLocator
                        ? "Error in zip structure: the ZIP64 end record is not where its locator says"
                        : "Error in zip structure: the ZIP64 end record is missing");
    }
    return true;
}

bool ArchiveReader::ReadDirectory() {
    source_.Forget();
    entries_.clear();
    if (!FindEndRecord()) {
        return false;
    }
    const zip::CentralDirLocation& dir = directory_;
    if (dir.ThisDisk != 0 || dir.StartDisk != 0 || dir.EntriesThisDisk != dir.TotalEntries) {
        return Fail(abi::kCodeUnsupported, "This is part of a spanned archive");
    }
    if (dir.Size > dir.End) {
        return Fail(abi::kCodeArchiveStructure, "Error in zip structure: central directory size too large");
    }
    centralDirPos_ = dir.End - dir.Size;
    if (dir.Offset > centralDirPos_) {
        return Fail(abi::kCodeArchiveStructure,
                    "Error in zip structure: central directory offset beyond the end");
    }
    // Where the stored offsets count from: 0 when they count from the start of the file, the size of
    // a stub put in front without adjusting them otherwise.
    const uint64_t base = centralDirPos_ - dir.Offset;
    zip::ChunkReader directory(source_, centralDirPos_, dir.End);
    // Every header takes at least 46 bytes, which bounds what a hostile count can reserve.
    entries_.reserve(
        static_cast<size_t>(std::min(dir.TotalEntries, dir.Size / zip::CentralDirHeader::kSize)));
    prefixSize_ = centralDirPos_;
    for (uint64_t i = 0; i < dir.TotalEntries; ++i) {
        ArchiveEntry entry;
        if (zip::ReadCentralEntry(directory, entry.header) != zip::CentralEntryError::None) {
            return Fail(abi::kCodeArchiveStructure,
                        "A central header signature is wrong or a header runs past the directory (entry " +
                            std::to_string(i + 1) + ")");
        }
        entry.name = zip::DecodeEntryName(entry.header, rule_);
        if (entry.header.UsesZip64() && !listZip64_) {
            return Fail(abi::kCodeUnsupported, "ZIP64 entries are not supported: " + entry.name);
        }
        const auto sizes = entry.header.Sizes();
        if (!sizes) {
            entry.zip64Damaged = true;
            entries_.push_back(std::move(entry));
            continue;
        }
        entry.compressedSize = sizes->CompressedSize;
        entry.uncompressedSize = sizes->UncompressedSize;
        if (sizes->LocalHeaderOffset > centralDirPos_ - base ||
            centralDirPos_ - base - sizes->LocalHeaderOffset < zip::LocalFileHeader::kSize) {
            return Fail(abi::kCodeArchiveStructure,
                        "A local header offset lies beyond the directory: " + entry.name);
        }
        entry.localHeaderPos = base + sizes->LocalHeaderOffset;
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
    layout.dataSize = entry.compressedSize;
    if (layout.dataPos > centralDirPos_ || centralDirPos_ - layout.dataPos < layout.dataSize) {
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
        // The descriptor's signature is optional; its sizes are 64-bit after a local header with a
        // ZIP64 block.
        const bool zip64 = zip::FindExtraBlock(local.Extra, zip::kExtraZip64).has_value();
        const uint64_t after = layout.dataPos + layout.dataSize;
        uint8_t first[8] = {};
        layout.descriptorSize = zip::DataDescriptorLength(
            after + sizeof first <= centralDirPos_ && ReadAt(after, first, sizeof first)
                ? std::span<const uint8_t>(first)
                : std::span<const uint8_t>(),
            entry.header.Crc32, zip64);
        if (after + layout.descriptorSize > centralDirPos_) {
            Fail(abi::kCodeArchiveStructure, "Error while reading a data descriptor: " + entry.name);
            return std::nullopt;
        }
    }
    return layout;
}

}  // namespace ruvu::libcommon
