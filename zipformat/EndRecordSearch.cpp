#include "zipformat/EndRecordSearch.h"

#include <algorithm>
#include <optional>

#include "zipformat/ByteOrder.h"
#include "zipformat/CentralDirHeader.h"
#include "zipformat/Zip64EndRecord.h"
#include "zipformat/Zip64Locator.h"
#include "zipformat/ZipConstants.h"

namespace ruvu::zip {

namespace {

enum class DirectoryFit {
    None,
    CountedBack,    // a central header where counting back from the directory's end leads (a stub in
                    // front that the stored offset does not count)
    AtStoredOffset  // the directory lies exactly where the stored offset says
};

// Whether the directory a candidate describes is where it says. An archive without entries fits
// when nothing lies between its stored offset and its end.
DirectoryFit FitOf(ByteSource& source, const CentralDirLocation& dir) {
    if (dir.ThisDisk != dir.StartDisk || dir.Size > dir.End) {
        return DirectoryFit::None;
    }
    const uint64_t start = dir.End - dir.Size;
    if (dir.TotalEntries == 0) {
        return dir.Size == 0 && dir.Offset == start ? DirectoryFit::AtStoredOffset : DirectoryFit::None;
    }
    uint8_t signature[4];
    if (!source.ReadExactAt(start, signature, sizeof signature) ||
        GetU32(signature) != CentralDirHeader::kSignature) {
        return DirectoryFit::None;
    }
    return dir.Offset == start ? DirectoryFit::AtStoredOffset : DirectoryFit::CountedBack;
}

}  // namespace

CentralDirLocation LocateCentralDir(ByteSource& source, uint64_t endRecordPos,
                                    const EndOfCentralDir& record) {
    CentralDirLocation dir;
    dir.ThisDisk = record.ThisDiskNo;
    dir.StartDisk = record.CentralDirDisk;
    dir.EntriesThisDisk = record.EntriesThisDisk;
    dir.TotalEntries = record.TotalEntries;
    dir.Size = record.CentralDirSize;
    dir.Offset = record.CentralDirOffset;
    dir.End = endRecordPos;
    if (endRecordPos < Zip64Locator::kSize) {
        return dir;
    }
    const uint64_t locatorPos = endRecordPos - Zip64Locator::kSize;
    uint8_t bytes[Zip64EndRecord::kSize];
    if (!source.ReadExactAt(locatorPos, bytes, Zip64Locator::kSize)) {
        return dir;
    }
    const Zip64Locator locator = *Zip64Locator::Read({bytes, Zip64Locator::kSize});
    if (locator.Signature != Zip64Locator::kSignature) {
        return dir;
    }
    dir.HasLocator = true;
    const uint64_t candidates[2] = {locator.EndRecordOffset, locatorPos >= Zip64EndRecord::kSize
                                                                 ? locatorPos - Zip64EndRecord::kSize
                                                                 : locatorPos};
    for (const uint64_t at : candidates) {
        if (at > locatorPos || locatorPos - at < Zip64EndRecord::kSize ||
            !source.ReadExactAt(at, bytes, sizeof bytes)) {
            continue;
        }
        const Zip64EndRecord end = *Zip64EndRecord::Read(bytes);
        if (end.Signature != Zip64EndRecord::kSignature ||
            end.RecordSize != locatorPos - at - Zip64EndRecord::kLeadingBytes) {
            continue;
        }
        dir.HasZip64Record = true;
        dir.End = at;
        if (record.ThisDiskNo == kZip64Marker16) {
            dir.ThisDisk = end.ThisDiskNo;
        }
        if (record.CentralDirDisk == kZip64Marker16) {
            dir.StartDisk = end.CentralDirDisk;
        }
        if (record.EntriesThisDisk == kZip64Marker16) {
            dir.EntriesThisDisk = end.EntriesThisDisk;
        }
        if (record.TotalEntries == kZip64Marker16) {
            dir.TotalEntries = end.TotalEntries;
        }
        if (record.CentralDirSize == kZip64Marker32) {
            dir.Size = end.CentralDirSize;
        }
        if (record.CentralDirOffset == kZip64Marker32) {
            dir.Offset = end.CentralDirOffset;
        }
        break;
    }
    return dir;
}

EndRecordSearch FindEndRecord(ByteSource& source, uint64_t fileSize, EndRecordLocation& found) {
    if (fileSize < EndOfCentralDir::kSize) {
        return EndRecordSearch::NotFound;
    }
    const size_t window = static_cast<size_t>(std::min<uint64_t>(fileSize, EndOfCentralDir::kMaxSize));
    const uint64_t windowPos = fileSize - window;
    std::string bytes(window, '\0');
    if (!source.ReadExactAt(windowPos, bytes.data(), window)) {
        return EndRecordSearch::ReadFailed;
    }
    const auto* p = reinterpret_cast<const uint8_t*>(bytes.data());
    auto candidateAt = [&](size_t i) {
        EndRecordLocation at;
        at.Offset = windowPos + i;
        at.Record = *EndOfCentralDir::Read({p + i, EndOfCentralDir::kSize});
        const size_t commentStart = i + EndOfCentralDir::kSize;
        at.Comment = bytes.substr(commentStart, at.Record.CommentLength);
        at.ArchiveEnd = at.Offset + EndOfCentralDir::kSize + at.Record.CommentLength;
        if (commentStart + at.Record.CommentLength < window) {
            at.Trailing = bytes.substr(commentStart + at.Record.CommentLength);
        }
        at.Directory = LocateCentralDir(source, at.Offset, at.Record);
        return at;
    };
    std::optional<size_t> highest;
    std::optional<EndRecordLocation> countedBack;
    for (size_t i = window - EndOfCentralDir::kSize + 1; i-- > 0;) {
        if (GetU32(p + i) != EndOfCentralDir::kSignature) {
            continue;
        }
        if (!highest) {
            highest = i;
        }
        const uint16_t commentLength = GetU16(p + i + offsetof(EndOfCentralDir, CommentLength));
        if (i + EndOfCentralDir::kSize + commentLength != window) {
            continue;
        }
        EndRecordLocation candidate = candidateAt(i);
        const DirectoryFit fit = FitOf(source, candidate.Directory);
        candidate.Fits = fit != DirectoryFit::None;
        if (fit == DirectoryFit::AtStoredOffset) {
            found = std::move(candidate);
            return EndRecordSearch::Found;
        }
        if (fit == DirectoryFit::CountedBack && !countedBack) {
            countedBack = std::move(candidate);
        }
    }
    if (countedBack) {
        found = std::move(*countedBack);
    } else if (highest) {
        found = candidateAt(*highest);
    } else {
        return EndRecordSearch::NotFound;
    }
    return EndRecordSearch::Found;
}

}  // namespace ruvu::zip
