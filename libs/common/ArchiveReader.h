// Reading an existing zip archive: the end record (also behind a comment or a self-extracting stub),
// the central directory with every length checked, and the local headers. Both libraries open their
// archives through this class; it never writes. Where the archive is and how its names read come from
// the zip format layer, so the libraries agree with the engine's listing on both.
//
// Offsets: stored local header offsets count from the start of the archive's own data. Archives with a
// stub in front either count the stub (zip tools adjust them) or not (a stub concatenated later); the
// reader tells the two apart by where the central directory really lies and reports file positions
// that are right in both cases.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "abi/LibraryEntry.h"
#include "libs/common/ReadAheadSource.h"
#include "platform/File.h"
#include "zipformat/CentralDirHeader.h"
#include "zipformat/EndOfCentralDir.h"
#include "zipformat/EndRecordSearch.h"
#include "zipformat/LocalFileHeader.h"
#include "zipformat/NameCodec.h"

namespace ruvu::libcommon {

struct ArchiveEntry {
    zip::CentralDirEntry header;
    std::string name;             // the stored name decoded by the code page rule, "/" as stored
    uint64_t localHeaderPos = 0;  // file position of the local header
    // The true sizes: the header's, or its ZIP64 block's where the header holds markers.
    uint64_t compressedSize = 0;
    uint64_t uncompressedSize = 0;
    // A field holds its marker but the ZIP64 block is too short for its value: nothing of the entry
    // can be trusted (listed only with SetListZip64Entries; the caller skips it).
    bool zip64Damaged = false;
};

// Where an entry's bytes lie: local header, data, and the data descriptor when there is one.
struct EntryLayout {
    uint64_t localHeaderPos = 0;
    uint64_t dataPos = 0;         // first byte of the (possibly encrypted) data
    uint64_t dataSize = 0;        // compressed size, encryption header included
    uint64_t descriptorSize = 0;  // 0, 12 or 16 bytes after the data
    zip::LocalFileEntry local;
    uint64_t End() const { return dataPos + dataSize + descriptorSize; }
};

class ArchiveReader {
  public:
    // Why Open failed: code is the LibraryCode to report, text an English description.
    struct Error {
        abi::LibraryCode code = abi::kCodeOk;
        std::string text;
    };

    ArchiveReader() = default;
    ArchiveReader(const ArchiveReader&) = delete;
    ArchiveReader& operator=(const ArchiveReader&) = delete;

    // Opens a Windows path for reading with writes denied to others and reads the directory, decoding
    // the names by rule. False on failure, with LastError() telling why (kCodeNoArchive: missing or no
    // zip archive; kCodeArchiveStructure: damaged; kCodeUnsupported: ZIP64 or spanned).
    bool Open(std::string_view windowsPath, zip::CodePageRule rule);
    // The same for an already resolved host path.
    bool OpenHost(std::string_view hostPath, zip::CodePageRule rule);
    void Close() {
        file_.Close();
        source_.Forget();
    }
    // Extraction and rewrites read ZIP64 archives: the counts, size and offset of the directory from the
    // ZIP64 end record, each entry's sizes and offset from its ZIP64 block. An entry whose block is too short
    // is listed as zip64Damaged for the caller to skip (or refuse). Off by default: a caller that has not
    // asked for them gets ZIP64 archives and entries refused (kCodeUnsupported).
    void SetListZip64Entries(bool on) { listZip64_ = on; }

    const Error& LastError() const { return error_; }
    const std::vector<ArchiveEntry>& Entries() const { return entries_; }
    const zip::EndOfCentralDir& End() const { return end_; }
    // The directory's counts, size and offset, with the ZIP64 end record's values where the end
    // record holds markers.
    const zip::CentralDirLocation& Directory() const { return directory_; }
    // The archive comment as stored.
    const std::string& Comment() const { return comment_; }
    zip::CodePageRule Rule() const { return rule_; }
    // File position of the end record and of the central directory.
    uint64_t EndRecordPos() const { return endRecordPos_; }
    uint64_t CentralDirPos() const { return centralDirPos_; }
    // Bytes in front of the first local header (a self-extracting stub); 0 for a plain archive.
    uint64_t PrefixSize() const { return prefixSize_; }
    // The archive began with the spanned-set marker (the data descriptor signature).
    bool HasSpanMarker() const { return spanMarker_; }
    uint64_t FileSize() const { return fileSize_; }

    // Reads and checks the local header of an entry and works out where its data and descriptor lie.
    // nullopt (with LastError set) when the header is missing, broken or runs past the directory.
    std::optional<EntryLayout> Layout(const ArchiveEntry& entry);

    // Reads count bytes at a file position; false on a short read.
    bool ReadAt(uint64_t pos, void* buffer, size_t count) { return source_.ReadExactAt(pos, buffer, count); }
    platform::File& File() { return file_; }

  private:
    bool Fail(abi::LibraryCode code, std::string text);
    bool ReadDirectory();
    bool FindEndRecord();

    platform::File file_;
    ReadAheadSource source_{file_};
    zip::CodePageRule rule_ = zip::CodePageRule::Auto;
    Error error_;
    std::vector<ArchiveEntry> entries_;
    zip::EndOfCentralDir end_;
    std::string comment_;
    uint64_t endRecordPos_ = 0;
    zip::CentralDirLocation directory_;
    uint64_t centralDirPos_ = 0;
    uint64_t prefixSize_ = 0;
    uint64_t fileSize_ = 0;
    bool spanMarker_ = false;
    bool listZip64_ = false;
};

}  // namespace ruvu::libcommon
