#include "libs/common/ArchiveReader.h"

#include <algorithm>

#include "libs/common/ByteOrder.h"
#include "platform/HostError.h"

namespace ruvu::libcommon {

using platform::Access;
using platform::Share;

bool ArchiveReader::Fail(abi::LibraryCode code, std::string text) {
    error_ = Error{code, std::move(text)};
    return false;
}

bool ArchiveReader::Open(std::string_view windowsPath) {
    file_ = platform::File::Open(windowsPath, Access::Read, Share::DenyWrite);
    if (!file_.IsOpen()) {
        return Fail(abi::kCodeNoArchive,
                    "Zip file could not be opened: " + platform::HostErrorText(file_.Error()));
    }
    return ReadDirectory();
}

bool ArchiveReader::OpenHost(std::string_view hostPath) {
    file_ = platform::File::OpenHost(hostPath, Access::Read, Share::DenyWrite);
    if (!file_.IsOpen()) {
        return Fail(abi::kCodeNoArchive,
                    "Zip file could not be opened: " + platform::HostErrorText(file_.Error()));
    }
    return ReadDirectory();
}

bool ArchiveReader::ReadAt(uint64_t pos, void* buffer, size_t count) {
    if (file_.Seek(static_cast<int64_t>(pos)) < 0) {
        return false;
    }
    return file_.ReadFull(buffer, count) == static_cast<int64_t>(count);
}

bool ArchiveReader::FindEndRecord() {
    const int64_t size = file_.Size();
    if (size < 0) {
        return Fail(abi::kCodeNoArchive, "Zip file could not be read");
    }
    fileSize_ = static_cast<uint64_t>(size);
    if (fileSize_ < kEndRecordSize) {
        return Fail(abi::kCodeNoArchive, "This archive is not a valid Zip archive");
    }
    uint8_t head[8] = {};
    if (fileSize_ >= 8 && ReadAt(0, head, 8)) {
        spanMarker_ = Get32(head) == kDataDescriptorSignature && Get32(head + 4) == kLocalHeaderSignature;
    }
    const size_t window = static_cast<size_t>(std::min<uint64_t>(fileSize_, kEndRecordSearchWindow));
    std::string buffer(window, '\0');
    const uint64_t windowPos = fileSize_ - window;
    if (!ReadAt(windowPos, buffer.data(), window)) {
        return Fail(abi::kCodeNoArchive, "Error while reading the End Of Central Directory");
    }
    const auto* p = reinterpret_cast<const uint8_t*>(buffer.data());
    // The highest signature whose comment fits wins, as readers of the format do.
    for (size_t i = window - kEndRecordSize + 1; i-- > 0;) {
        if (Get32(p + i) != kEndRecordSignature) {
            continue;
        }
        uint16_t commentLength = 0;
        auto end = EndRecord::ParseFixed(p + i, commentLength);
        if (!end || i + kEndRecordSize + commentLength > window) {
            continue;
        }
        end->comment.assign(buffer, i + kEndRecordSize, commentLength);
        end_ = std::move(*end);
        endRecordPos_ = windowPos + i;
        return true;
    }
    return Fail(abi::kCodeNoArchive, "This archive is not a valid Zip archive");
}

bool ArchiveReader::ReadDirectory() {
    entries_.clear();
    if (!FindEndRecord()) {
        return false;
    }
    const auto dirEnd = DirectoryEnd();
    if (!dirEnd) {
        return false;
    }
    if (end_.diskNumber != 0 || end_.centralDirDisk != 0 || end_.entriesOnDisk != end_.totalEntries) {
        return Fail(abi::kCodeUnsupported, "This is part of a spanned archive");
    }
    if (end_.centralDirSize > *dirEnd) {
        return Fail(abi::kCodeArchiveStructure, "Error in zip structure: central directory size too large");
    }
    centralDirPos_ = *dirEnd - end_.centralDirSize;
    if (end_.centralDirOffset > centralDirPos_) {
        return Fail(abi::kCodeArchiveStructure,
                    "Error in zip structure: central directory offset beyond the end");
    }
    // Where the stored offsets count from: 0 when they count from the start of the file, the size of
    // a stub put in front without adjusting them otherwise.
    const uint64_t base = centralDirPos_ - end_.centralDirOffset;
    std::string directory(end_.centralDirSize, '\0');
    if (!ReadAt(centralDirPos_, directory.data(), directory.size())) {
        return Fail(abi::kCodeArchiveStructure, "Error while reading a central header");
    }
    entries_.reserve(end_.totalEntries);
    std::string_view rest(directory);
    prefixSize_ = centralDirPos_;
    for (uint32_t i = 0; i < end_.totalEntries; ++i) {
        size_t consumed = 0;
        auto header = CentralHeader::Parse(rest, consumed);
        if (!header) {
            return Fail(abi::kCodeArchiveStructure,
                        "A central header signature is wrong or a header runs past the directory (entry " +
                            std::to_string(i + 1) + ")");
        }
        rest.remove_prefix(consumed);
        if (header->UsesZip64()) {
            if (!listZip64_) {
                return Fail(abi::kCodeUnsupported, "ZIP64 entries are not supported: " + header->name);
            }
            // Without its real offset the entry cannot be found; the caller skips it.
            if (header->localHeaderOffset == kZip64Marker32) {
                entries_.push_back(ArchiveEntry{std::move(*header), 0});
                continue;
            }
        }
        const uint64_t pos = base + header->localHeaderOffset;
        if (pos + kLocalHeaderSize > centralDirPos_) {
            return Fail(abi::kCodeArchiveStructure,
                        "A local header offset lies beyond the directory: " + header->name);
        }
        prefixSize_ = std::min(prefixSize_, pos);
        entries_.push_back(ArchiveEntry{std::move(*header), pos});
    }
    // A single-part archive that starts with the spanned-set marker counts the marker as its own.
    if (spanMarker_ && prefixSize_ == 4) {
        prefixSize_ = 0;
    }
    return true;
}

std::optional<uint64_t> ArchiveReader::DirectoryEnd() {
    if (endRecordPos_ < kZip64LocatorSize) {
        return endRecordPos_;
    }
    const uint64_t locatorPos = endRecordPos_ - kZip64LocatorSize;
    uint8_t locator[kZip64LocatorSize];
    if (!ReadAt(locatorPos, locator, sizeof locator) || Get32(locator) != kZip64LocatorSignature) {
        return endRecordPos_;
    }
    if (!listZip64_ || end_.UsesZip64()) {
        Fail(abi::kCodeUnsupported, "ZIP64 archives are not supported (archive larger than 4 GB)");
        return std::nullopt;
    }
    // The ZIP64 end record ends at the locator: directly in front of it (the usual layout), or where
    // the locator says when nothing is in front of the archive.
    for (const uint64_t pos : {locatorPos >= 56 ? locatorPos - 56 : locatorPos, Get64(locator + 8)}) {
        uint8_t head[12];
        if (pos < locatorPos && locatorPos - pos >= sizeof head && ReadAt(pos, head, sizeof head) &&
            Get32(head) == kZip64EndRecordSignature && Get64(head + 4) + 12 == locatorPos - pos) {
            return pos;
        }
    }
    Fail(abi::kCodeArchiveStructure, "Error in zip structure: the ZIP64 end record is missing");
    return std::nullopt;
}

std::optional<EntryLayout> ArchiveReader::Layout(const ArchiveEntry& entry) {
    EntryLayout layout;
    layout.localHeaderPos = entry.localHeaderPos;
    uint8_t fixed[kLocalHeaderSize];
    if (!ReadAt(entry.localHeaderPos, fixed, sizeof fixed)) {
        Fail(abi::kCodeArchiveStructure, "Error while reading a local header: " + entry.header.name);
        return std::nullopt;
    }
    uint16_t nameLength = 0;
    uint16_t extraLength = 0;
    auto local = LocalHeader::ParseFixed(fixed, nameLength, extraLength);
    if (!local) {
        Fail(abi::kCodeArchiveStructure, "A local header signature is wrong: " + entry.header.name);
        return std::nullopt;
    }
    layout.dataPos = entry.localHeaderPos + kLocalHeaderSize + nameLength + extraLength;
    layout.dataSize = entry.header.compressedSize;
    if (layout.dataPos + layout.dataSize > centralDirPos_) {
        Fail(abi::kCodeArchiveStructure, "Entry data runs past the central directory: " + entry.header.name);
        return std::nullopt;
    }
    local->name.resize(nameLength);
    local->extra.resize(extraLength);
    if (!ReadAt(entry.localHeaderPos + kLocalHeaderSize, local->name.data(), nameLength) ||
        !ReadAt(entry.localHeaderPos + kLocalHeaderSize + nameLength, local->extra.data(), extraLength)) {
        Fail(abi::kCodeArchiveStructure, "Error while reading a local file name: " + entry.header.name);
        return std::nullopt;
    }
    if ((local->flags & kFlagDataDescriptor) != 0) {
        // The descriptor's signature is optional; its size fields are 32-bit here (no ZIP64).
        const uint64_t after = layout.dataPos + layout.dataSize;
        uint8_t sig[4] = {};
        const bool signed16 =
            after + 16 <= centralDirPos_ && ReadAt(after, sig, 4) && Get32(sig) == kDataDescriptorSignature;
        layout.descriptorSize = signed16 ? 16 : 12;
        if (after + layout.descriptorSize > centralDirPos_) {
            Fail(abi::kCodeArchiveStructure, "Error while reading a data descriptor: " + entry.header.name);
            return std::nullopt;
        }
    }
    layout.local = std::move(*local);
    return layout;
}

}  // namespace ruvu::libcommon
