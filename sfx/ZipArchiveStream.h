// The zip part of a file, read for copying into another: a plain archive, the archive behind a
// self-extracting stub, or the empty archive (no file at all: an end record without entries). The
// copy shifts every offset that counts from the start of the file by the bytes put in front of the
// archive or taken away, so the copy is right whether the source's offsets counted the stub or not.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/File.h"
#include "sfx/SfxOutput.h"
#include "zipformat/EndRecordSearch.h"
#include "zipformat/FileSource.h"

namespace ruvu {

class TZipArchiveStream {
  public:
    // The empty archive.
    TZipArchiveStream();
    // Over a file, opened for reading while others may read and write it; ESfxError 11002 when it
    // cannot be opened.
    explicit TZipArchiveStream(const std::string& fileName);
    TZipArchiveStream(const TZipArchiveStream&) = delete;
    TZipArchiveStream& operator=(const TZipArchiveStream&) = delete;

    // The file's bytes; null for the empty archive.
    zip::ByteSource* Source() { return source_ ? &*source_ : nullptr; }
    const std::string& FileName() const { return fileName_; }

    // Finds the end record (of the archive that fits the file exactly, when the tail holds several)
    // and returns its file position; ESfxError 11011 when there is none. A part of a spanned set
    // (disk numbers other than 0) is refused with 11041: its other parts' offsets would not follow.
    uint64_t FindEndRecord();
    // The file position where the zip part starts: the first local header; ESfxError 11013 when a
    // central header cannot be read. 0 for the empty archive.
    uint64_t FindZipStart();

    // Copies the archive from zipStart behind what out holds, shifting the offsets.
    void CopyArchive(SfxOutput& out, uint64_t zipStart);
    // Copies only the directory, each header without its extra field and comment, and an end record
    // marked 0xFFFF whose directory size and offset are reduced by what was left out; the archive
    // comment is not copied. The stub of such an executable takes the data from the archive file the
    // name block names.
    void CopyDetached(SfxOutput& out, uint64_t zipStart);

  private:
    void CopyRaw(SfxOutput& out, uint64_t from, uint64_t to, int32_t readId, int32_t writeId);
    void CopyCentralDirectory(SfxOutput& out, uint64_t directoryStart, int64_t shift);
    void CopyEndRecords(SfxOutput& out, uint64_t from, int64_t shift);

    std::string fileName_;
    platform::File file_;
    std::optional<zip::FileSource> source_;
    zip::EndRecordLocation end_;
    bool endFound_ = false;
};

}  // namespace ruvu
