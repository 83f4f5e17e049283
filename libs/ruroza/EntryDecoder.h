// Turns an entry's stored bytes back into its data, whatever the method: the stored bytes are read in
// pieces (or whole, when the method's decoder asks for it), decrypted on the way when the entry is
// encrypted, handed to the method's decoder (MethodDecoders.h), and its output is checked against the
// declared size and the CRC, reported as progress and passed to the sink.
//
// Memory stays bounded whatever the archive claims: fixed read pieces, the decoders' own bounded
// buffers, and a whole entry in memory only where a decoder finds its sizes small and plausible.
// Output beyond the declared size stops the entry at once (a zip bomb never fills the disk).
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "libs/common/ArchiveReader.h"
#include "libs/common/CallbackClient.h"
#include "libs/common/ScratchBuffer.h"
#include "libs/ruroza/EntryCipher.h"
#include "libs/ruroza/MethodDecoder.h"

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

// The stored bytes of one entry (without encryption header or trailer), decrypted by the cipher when
// there is one.
struct StoredData {
    libcommon::ArchiveReader* reader = nullptr;
    uint64_t pos = 0;
    uint64_t size = 0;
    EntryCipher* cipher = nullptr;
};

// What the headers say about the data.
struct EntryFacts {
    uint16_t method = 0;
    uint16_t flags = 0;
    uint64_t size = 0;            // the declared size of the file
    std::optional<uint32_t> crc;  // nullopt: the entry carries no CRC to check
};

struct DecodeResult {
    enum class Status { Ok, CrcError, DataError, Unsupported, ReadError, WriteError, Stopped };
    Status status = Status::Ok;
    uint32_t crc = 0;    // of the bytes produced
    std::string detail;  // what was wrong, for messages
};

class EntryDecoder {
  public:
    EntryDecoder() = default;
    EntryDecoder(const EntryDecoder&) = delete;
    EntryDecoder& operator=(const EntryDecoder&) = delete;

    // Decodes the data into sink (null: test only), checking the authentication code of an encrypted
    // entry, the declared size and the CRC. A failed sink write gives WriteError; a stop asked for
    // through progress gives Stopped.
    DecodeResult Decode(StoredData& data, const EntryFacts& facts, OutputSink* sink, ItemProgress& progress);

  private:
    struct Run;
    // The decoder of a method, made on first use and kept for the entries that follow.
    MethodDecoder* DecoderFor(uint16_t method);

    std::map<uint16_t, std::unique_ptr<MethodDecoder>> decoders_;
    libcommon::ScratchBuffer input_;
};

}  // namespace ruvu::ruroza
