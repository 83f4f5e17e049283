// Turns an entry's stored bytes back into its data: stored or deflated, decrypted on the way when the
// entry is encrypted, with the CRC computed and the size checked against the declared one.
//
// Memory stays bounded whatever the archive claims. Entries of up to kInMemoryLimit bytes whose sizes
// are plausible are inflated by libdeflate in one call into a buffer of exactly the declared size;
// bigger ones, and any whose sizes cannot be right, go through zlib in fixed-size pieces. Output
// beyond the declared size stops the entry at once (a zip bomb never fills the disk).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "libs/common/ArchiveReader.h"
#include "libs/common/CallbackClient.h"
#include "libs/common/ScratchBuffer.h"
#include "zipformat/ZipCrypto.h"

struct libdeflate_decompressor;

namespace ruvu::ruroza {

// Where decoded bytes go: a file, or nowhere when testing.
class OutputSink {
  public:
    virtual ~OutputSink() = default;
    virtual bool Write(const uint8_t* data, size_t size) = 0;
};

// Progress of one item: an action 2 per 32 KiB of output, carrying the bytes written since the last
// one; End reports the rest and ends the item (action 3). Both return false once the job must stop.
class ItemProgress {
  public:
    explicit ItemProgress(libcommon::CallbackClient& client) : client_(client) {}
    bool Add(uint64_t produced, uint64_t written);
    bool End();

  private:
    libcommon::CallbackClient& client_;
    uint64_t unreported_ = 0;
    uint64_t unwritten_ = 0;
};

// The stored bytes of one entry (after the encryption header), decrypted with keys when present.
struct StoredData {
    libcommon::ArchiveReader* reader = nullptr;
    uint64_t pos = 0;
    uint64_t size = 0;
    std::optional<zip::ZipCryptoKeys> keys;
};

struct DecodeResult {
    enum class Status { Ok, CrcError, DataError, ReadError, WriteError, Stopped };
    Status status = Status::Ok;
    uint32_t crc = 0;    // of the bytes produced
    std::string detail;  // what was wrong, for messages
};

class EntryDecoder {
  public:
    static constexpr uint64_t kInMemoryLimit = 64ull << 20;

    EntryDecoder();
    ~EntryDecoder();
    EntryDecoder(const EntryDecoder&) = delete;
    EntryDecoder& operator=(const EntryDecoder&) = delete;

    // Decodes method (stored or deflated) into sink (null: test only), checking the declared size and
    // CRC. A failed sink write gives WriteError; a stop asked for through progress gives Stopped.
    DecodeResult Decode(StoredData& data, uint16_t method, uint64_t declaredSize, uint32_t expectedCrc,
                        OutputSink* sink, ItemProgress& progress);

  private:
    struct Run;
    DecodeResult Stored(Run& run);
    DecodeResult InflateInMemory(Run& run);
    DecodeResult InflateStreaming(Run& run);

    libdeflate_decompressor* decompressor_ = nullptr;
    libcommon::ScratchBuffer input_;
    libcommon::ScratchBuffer output_;
};

}  // namespace ruvu::ruroza
