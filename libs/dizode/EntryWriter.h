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
    EntryWriter(OutputFile& out, libcommon::CallbackClient& client, DeflateEngines& engines);
    EntryResult Write(const EntryPlan& plan);

  private:
    struct Progress;
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
};

}  // namespace ruvu::dizode
