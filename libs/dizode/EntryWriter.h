// Writes one new entry into the archive being built: reads the source file with large reads,
// deflates it (libdeflate in memory up to kInMemoryLimit, zlib streaming above), stores it instead when
// deflating does not make it smaller, encrypts it when a password is given, and reports the item
// through the callback (start, a progress call per 32 KiB read, end). Sizes are known before the
// local header is final: no data descriptors are written. Sizes and offsets that do not fit 32 bits
// go into ZIP64 blocks (EntryPlace.h).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "libs/common/CallbackClient.h"
#include "libs/dizode/EntryPlace.h"
#include "libs/dizode/OutputFile.h"
#include "libs/dizode/SourceCollector.h"
#include "zipformat/CentralDirHeader.h"
#include "zipformat/NameCodec.h"

struct libdeflate_compressor;

namespace ruvu::dizode {

inline constexpr uint64_t kInMemoryLimit = 64ull << 20;
inline constexpr int64_t kProgressStep = 32 * 1024;

struct EntryPlan {
    const SourceFile* source = nullptr;
    std::string displayName;  // the stored name as UTF-8, used in callbacks and messages
    zip::EncodedText name;    // the bytes stored
    std::string comment;      // raw bytes of the entry's comment
    bool store = false;       // level 0 or a stored suffix
    int level = 9;
    std::optional<std::string> password;  // encrypt with it when set
};

struct EntryResult {
    enum class Kind {
        Written,
        Skipped,      // the source could not be read; nothing was left in the output
        WriteFailed,  // the output failed; the job cannot go on
        Stopped,      // the callback or an abort stopped the job
    };
    Kind kind = Kind::Written;
    zip::CentralDirEntry header;  // complete, with its ZIP64 block when it needs one
    EntryPlace place;
    std::string problem;  // why it was skipped
};

// A file read whole and compressed ahead of its turn on another thread (CompressAhead.h), written by
// the calling thread with the callbacks a file read in its turn gets.
struct PreparedEntry {
    enum class State {
        Unprepared,  // left to the calling thread: a folder, a file too large to hold, one that grew
        OpenFailed,
        ReadFailed,
        Ready,
    };
    State state = State::Unprepared;
    platform::HostError error = platform::HostError::None;
    int64_t size = 0;       // the size when it was opened
    int64_t readBytes = 0;  // what was read (up to a read error)
    uint32_t crc = 0;
    std::vector<uint8_t> data;    // the bytes read, dropped once deflated
    std::vector<uint8_t> packed;  // the deflate stream, when it is smaller than the data
};

// Appends the next read of a file expected to hold expectedSize bytes to data: at most 1 MiB, and a
// small read once the expected bytes are in (only the end of the file or its growth is left), so a
// small file does not cost a large zero-filled buffer. Returns the bytes read, 0 at the end, -1 on error.
int64_t ReadMore(platform::File& file, std::vector<uint8_t>& data, int64_t expectedSize);

// Compressors for the levels used in a job, made once.
class DeflateEngines {
  public:
    DeflateEngines();
    ~DeflateEngines();
    DeflateEngines(const DeflateEngines&) = delete;
    DeflateEngines& operator=(const DeflateEngines&) = delete;
    libdeflate_compressor* For(int level);

  private:
    libdeflate_compressor* engines_[10] = {};
};

class EntryWriter {
  public:
    // threads: what a file streamed from disk is deflated on.
    EntryWriter(OutputFile& out, libcommon::CallbackClient& client, DeflateEngines& engines,
                unsigned threads = 1);
    EntryResult Write(const EntryPlan& plan);
    // As Write, with the file already read and compressed (the plan's store and level were the
    // preparer's).
    EntryResult WritePrepared(const EntryPlan& plan, PreparedEntry& prepared);

  private:
    struct Progress;
    zip::CentralDirEntry NewHeader(const EntryPlan& plan) const;
    // Writes a file read whole: payload is the deflate stream when deflated, else the data.
    EntryResult WriteWhole(const EntryPlan& plan, zip::CentralDirEntry header, Progress& progress,
                           uint32_t crc, std::vector<uint8_t>& payload, bool deflated, uint64_t size);
    EntryResult WriteHeaderOnly(const EntryPlan& plan, zip::CentralDirEntry header);
    EntryResult WriteInMemory(const EntryPlan& plan, zip::CentralDirEntry header, platform::File& file);
    // reportReads false: a second pass over a file whose bytes were already reported. zip64Local
    // reserves the ZIP64 block in the local header whatever the file's size says.
    EntryResult WriteStreamed(const EntryPlan& plan, zip::CentralDirEntry header, platform::File& file,
                              bool deflate, bool reportReads, bool zip64Local = false);
    EntryResult Written(zip::CentralDirEntry header, const EntryPlace& place);

    OutputFile& out_;
    libcommon::CallbackClient& client_;
    DeflateEngines& engines_;
    unsigned threads_;
};

}  // namespace ruvu::dizode
