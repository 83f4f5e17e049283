#include "libs/dizode/EntryWriter.h"

#include <libdeflate.h>
#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <vector>

#include "libs/common/NewEncryptionHeader.h"
#include "libs/dizode/StreamDeflater.h"
#include "platform/HostError.h"
#include "zipformat/Crc32.h"
#include "zipformat/ExtraField.h"
#include "zipformat/LocalFileHeader.h"
#include "zipformat/ZipConstants.h"

namespace ruvu::dizode {

using zip::CentralDirEntry;

namespace {

constexpr size_t kReadSize = 1 << 20;

// Whether the data of a file of this size might reach 4 GiB once deflated (zlib's bound for data
// that does not compress) or stored, and encrypted: its local header then reserves the ZIP64 block.
// A negative size is unknown.
bool MightNeedZip64(int64_t size, bool deflate) {
    if (size < 0) {
        return true;
    }
    const auto s = static_cast<uint64_t>(size);
    const uint64_t growth = deflate ? (s >> 12) + (s >> 14) + (s >> 25) + 64 : 0;
    return NeedsZip64(s) || NeedsZip64(s + growth + zip::kEncryptionHeaderSize);
}

uint32_t ExternalAttributes(const SourceFile& source, bool unixHost) {
    uint32_t dos = 0;
    if (source.isVolumeLabel) {
        return zip::kDosVolumeLabel;
    }
    if (source.isDirectory) {
        dos |= zip::kDosDirectory;
    }
    if ((source.mode & S_IWUSR) == 0) {
        dos |= zip::kDosReadOnly;
    }
    return unixHost ? (static_cast<uint32_t>(source.mode & 0xFFFF) << 16) | dos : dos;
}

EntryResult Skip(std::string problem) {
    EntryResult r;
    r.kind = EntryResult::Kind::Skipped;
    r.problem = std::move(problem);
    return r;
}

EntryResult Outcome(EntryResult::Kind kind) {
    EntryResult r;
    r.kind = kind;
    return r;
}

struct ZStream {
    z_stream stream{};
    bool ready = false;
    ~ZStream() {
        if (ready) {
            deflateEnd(&stream);
        }
    }
};

}  // namespace

int64_t ReadMore(platform::File& file, std::vector<uint8_t>& data, int64_t expectedSize) {
    constexpr size_t kTailRead = 4096;
    const size_t old = data.size();
    const auto expected = static_cast<size_t>(std::max<int64_t>(expectedSize, 0));
    const size_t want = old < expected ? std::min(kReadSize, expected - old) : kTailRead;
    data.resize(old + want);
    const int64_t got = file.Read(data.data() + old, want);
    data.resize(old + static_cast<size_t>(std::max<int64_t>(got, 0)));
    return got;
}

DeflateEngines::DeflateEngines() = default;

DeflateEngines::~DeflateEngines() {
    for (libdeflate_compressor* engine : engines_) {
        if (engine != nullptr) {
            libdeflate_free_compressor(engine);
        }
    }
}

libdeflate_compressor* DeflateEngines::For(int level) {
    // libdeflate's levels 8 and 9 search deeper than 7 for hardly smaller output (0.2 % on source
    // and libraries), even larger output on repetitive text such as logs, at up to twice the time.
    // Level 7 already deflates the bench corpora smaller than zlib's level 9, so 8 and 9 use it.
    constexpr int kDeepestLevel = 7;
    level = std::clamp(level, 1, kDeepestLevel);
    if (engines_[level] == nullptr) {
        engines_[level] = libdeflate_alloc_compressor(level);
    }
    return engines_[level];
}

// Progress of one item: a report per 32 KiB read, carrying the bytes written since the last one.
struct EntryWriter::Progress {
    libcommon::CallbackClient& client;
    bool enabled = true;
    int64_t unreadReported = 0;
    int64_t unwrittenReported = 0;

    bool Read(int64_t bytes) {
        if (!enabled) {
            return !client.Stopped();
        }
        unreadReported += bytes;
        while (unreadReported >= kProgressStep) {
            if (!client.ItemProgress(kProgressStep, unwrittenReported)) {
                return false;
            }
            unreadReported -= kProgressStep;
            unwrittenReported = 0;
        }
        return true;
    }
    void Wrote(int64_t bytes) { unwrittenReported += bytes; }
    // Reports the bytes read since the last full block (before the item is written a second time).
    bool FlushRead() {
        const int64_t rest = enabled ? unreadReported : 0;
        unreadReported = 0;
        return rest == 0 || client.ItemProgress(rest, 0);
    }
    bool End() {
        if (enabled && unreadReported > 0 && !client.ItemProgress(unreadReported, 0)) {
            return false;
        }
        return client.ItemEnd(unwrittenReported);
    }
};

EntryWriter::EntryWriter(OutputFile& out, libcommon::CallbackClient& client, DeflateEngines& engines,
                         unsigned threads)
    : out_(out), client_(client), engines_(engines), threads_(threads) {}

CentralDirEntry EntryWriter::NewHeader(const EntryPlan& plan) const {
    const SourceFile& source = *plan.source;
    CentralDirEntry header;
    header.MadeByVersion = 30;
    header.HostSystem = plan.name.oem ? zip::kHostMsDos : zip::kHostUnix;
    header.Flags = plan.name.utf8Flag ? zip::kFlagUtf8 : 0;
    header.DosDateTime = source.dosDateTime;
    // The exact time beside the MS-DOS one, so the entry keeps its time across time zones.
    zip::AppendExtendedModTime(header.Extra, source.mtime);
    header.ExternalAttributes = ExternalAttributes(source, header.HostSystem == zip::kHostUnix);
    header.Name = plan.name.bytes;
    header.Comment = plan.comment;
    header.VersionNeeded = zip::kVersionStored;
    if (plan.password && !source.isDirectory && !source.isVolumeLabel) {
        header.Flags |= zip::kFlagEncrypted;
        header.VersionNeeded = zip::kVersionDeflated;
    }
    return header;
}

EntryResult EntryWriter::Write(const EntryPlan& plan) {
    const SourceFile& source = *plan.source;
    CentralDirEntry header = NewHeader(plan);
    if (source.isDirectory || source.isVolumeLabel) {
        return WriteHeaderOnly(plan, std::move(header));
    }
    platform::File file =
        platform::File::OpenHost(source.hostPath, platform::Access::Read, platform::Share::DenyNone);
    if (!file.IsOpen()) {
        return Skip("File could not be opened, skipped: " + source.windowsPath + " (" +
                    platform::HostErrorText(file.Error()) + ")");
    }
    const int64_t size = file.Size();
    if (size < 0) {
        return Skip("File could not be read, skipped: " + source.windowsPath);
    }
    if (!client_.ItemStart(plan.displayName, size)) {
        return Outcome(EntryResult::Kind::Stopped);
    }
    if (static_cast<uint64_t>(size) <= kInMemoryLimit) {
        return WriteInMemory(plan, std::move(header), file);
    }
    return WriteStreamed(plan, std::move(header), file, !plan.store, true);
}

EntryResult EntryWriter::WriteHeaderOnly(const EntryPlan& plan, CentralDirEntry header) {
    if (!client_.ItemStart(plan.displayName, 0)) {
        return Outcome(EntryResult::Kind::Stopped);
    }
    EntryPlace place;
    place.localHeaderOffset = out_.Position();
    const std::string local = LocalHeaderFor(header, place);
    if (!out_.Write(local)) {
        return Outcome(EntryResult::Kind::WriteFailed);
    }
    if (!client_.ItemEnd(static_cast<int64_t>(local.size()))) {
        return Outcome(EntryResult::Kind::Stopped);
    }
    return Written(std::move(header), place);
}

EntryResult EntryWriter::Written(CentralDirEntry header, const EntryPlace& place) {
    SetCentralPlace(header, place);
    EntryResult r;
    r.header = std::move(header);
    r.place = place;
    return r;
}

EntryResult EntryWriter::WriteInMemory(const EntryPlan& plan, CentralDirEntry header, platform::File& file) {
    Progress progress{client_};
    std::vector<uint8_t> data;
    const int64_t expected = file.Size();
    data.reserve(static_cast<size_t>(std::max<int64_t>(expected, 0)));
    uint32_t crc = 0;
    for (;;) {
        const size_t old = data.size();
        const int64_t got = ReadMore(file, data, expected);
        if (got < 0) {
            client_.ItemEnd(0);
            return Skip("Read error, skipped: " + plan.source->windowsPath + " (" +
                        platform::HostErrorText(file.Error()) + ")");
        }
        if (got == 0) {
            break;
        }
        crc = zip::Crc32(crc, data.data() + old, static_cast<size_t>(got));
        if (!progress.Read(got)) {
            return Outcome(EntryResult::Kind::Stopped);
        }
        if (data.size() > kInMemoryLimit) {
            // The file grew while it was read: it is written streamed instead.
            if (!progress.FlushRead()) {
                return Outcome(EntryResult::Kind::Stopped);
            }
            if (file.Seek(0) < 0) {
                client_.ItemEnd(0);
                return Skip("Read error, skipped: " + plan.source->windowsPath + " (" +
                            platform::HostErrorText(file.Error()) + ")");
            }
            return WriteStreamed(plan, std::move(header), file, !plan.store, false);
        }
    }
    std::vector<uint8_t> packed;
    bool deflated = false;
    if (!plan.store && !data.empty()) {
        libdeflate_compressor* engine = engines_.For(plan.level);
        if (engine == nullptr) {
            throw std::bad_alloc();
        }
        packed.resize(libdeflate_deflate_compress_bound(engine, data.size()));
        const size_t packedSize =
            libdeflate_deflate_compress(engine, data.data(), data.size(), packed.data(), packed.size());
        if (packedSize > 0 && packedSize < data.size()) {
            packed.resize(packedSize);
            deflated = true;
        }
    }
    return WriteWhole(plan, std::move(header), progress, crc, deflated ? packed : data, deflated,
                      data.size());
}

EntryResult EntryWriter::WritePrepared(const EntryPlan& plan, PreparedEntry& prepared) {
    using State = PreparedEntry::State;
    if (prepared.state == State::Unprepared) {
        return Write(plan);
    }
    const std::string& path = plan.source->windowsPath;
    if (prepared.state == State::OpenFailed) {
        return Skip("File could not be opened, skipped: " + path + " (" +
                    platform::HostErrorText(prepared.error) + ")");
    }
    if (!client_.ItemStart(plan.displayName, prepared.size)) {
        return Outcome(EntryResult::Kind::Stopped);
    }
    Progress progress{client_};
    if (!progress.Read(prepared.readBytes)) {
        return Outcome(EntryResult::Kind::Stopped);
    }
    if (prepared.state == State::ReadFailed) {
        client_.ItemEnd(0);
        return Skip("Read error, skipped: " + path + " (" + platform::HostErrorText(prepared.error) + ")");
    }
    const bool deflated = !prepared.packed.empty();
    return WriteWhole(plan, NewHeader(plan), progress, prepared.crc,
                      deflated ? prepared.packed : prepared.data, deflated,
                      static_cast<uint64_t>(prepared.readBytes));
}

EntryResult EntryWriter::WriteWhole(const EntryPlan& plan, CentralDirEntry header, Progress& progress,
                                    uint32_t crc, std::vector<uint8_t>& payload, bool deflated,
                                    uint64_t size) {
    header.Method = deflated ? zip::kMethodDeflated : zip::kMethodStored;
    if (deflated) {
        header.VersionNeeded = zip::kVersionDeflated;
    }
    header.Crc32 = crc;
    std::string prefix;
    if (plan.password) {
        zip::ZipCryptoKeys keys(*plan.password);
        const auto head = libcommon::MakeEncryptionHeader(keys, static_cast<uint8_t>(crc >> 24));
        prefix.assign(reinterpret_cast<const char*>(head.data()), head.size());
        keys.Encrypt(payload.data(), payload.size());
    }
    EntryPlace place;
    place.uncompressedSize = size;
    place.compressedSize = payload.size() + prefix.size();
    place.localHeaderOffset = out_.Position();
    const std::string local = LocalHeaderFor(header, place);
    if (!out_.Write(local) || !out_.Write(prefix) || !out_.Write(payload.data(), payload.size())) {
        return Outcome(EntryResult::Kind::WriteFailed);
    }
    progress.Wrote(static_cast<int64_t>(local.size() + place.compressedSize));
    if (!progress.End()) {
        return Outcome(EntryResult::Kind::Stopped);
    }
    return Written(std::move(header), place);
}

EntryResult EntryWriter::WriteStreamed(const EntryPlan& plan, CentralDirEntry header, platform::File& file,
                                       bool deflate, bool reportReads, bool zip64Local) {
    const uint64_t localPos = out_.Position();
    std::vector<uint8_t> in(kReadSize);
    std::vector<uint8_t> packed(kReadSize);
    auto readError = [&] {
        out_.TruncateTo(localPos);
        client_.ItemEnd(0);
        return Skip("Read error, skipped: " + plan.source->windowsPath + " (" +
                    platform::HostErrorText(file.Error()) + ")");
    };
    // The encryption header carries the CRC's high byte, so an encrypted file is read twice.
    std::optional<uint32_t> knownCrc;
    if (plan.password) {
        uint32_t crc = 0;
        for (;;) {
            const int64_t got = file.Read(in.data(), in.size());
            if (got < 0) {
                return readError();
            }
            if (got == 0) {
                break;
            }
            crc = zip::Crc32(crc, in.data(), static_cast<size_t>(got));
            if (client_.Stopped() || !client_.Tick()) {
                return Outcome(EntryResult::Kind::Stopped);
            }
        }
        knownCrc = crc;
        if (file.Seek(0) < 0) {
            return readError();
        }
    }
    header.Method = deflate ? zip::kMethodDeflated : zip::kMethodStored;
    if (deflate) {
        header.VersionNeeded = zip::kVersionDeflated;
    }
    EntryPlace place;
    place.localHeaderOffset = localPos;
    place.localZip64 = zip64Local || MightNeedZip64(file.Size(), deflate);
    const std::string placeholder = LocalHeaderFor(header, place);
    if (!out_.Write(placeholder)) {
        return Outcome(EntryResult::Kind::WriteFailed);
    }
    Progress progress{client_, reportReads};
    progress.Wrote(static_cast<int64_t>(placeholder.size()));
    std::optional<zip::ZipCryptoKeys> keys;
    uint64_t dataSize = 0;
    if (plan.password) {
        keys.emplace(*plan.password);
        const auto head = libcommon::MakeEncryptionHeader(*keys, static_cast<uint8_t>(*knownCrc >> 24));
        if (!out_.Write(head.data(), head.size())) {
            return Outcome(EntryResult::Kind::WriteFailed);
        }
        dataSize += head.size();
        progress.Wrote(static_cast<int64_t>(head.size()));
    }
    auto emit = [&](uint8_t* bytes, size_t count) {
        if (keys) {
            keys->Encrypt(bytes, count);
        }
        dataSize += count;
        progress.Wrote(static_cast<int64_t>(count));
        return out_.Write(bytes, count);
    };
    // With more than one thread a deflated file is compressed in blocks side by side.
    std::optional<StreamDeflater> blocks;
    std::vector<uint8_t> joined;
    ZStream z;
    if (deflate && threads_ > 1) {
        blocks.emplace(plan.level, threads_);
    } else if (deflate) {
        if (deflateInit2(&z.stream, std::clamp(plan.level, 1, 9), Z_DEFLATED, -MAX_WBITS, 8,
                         Z_DEFAULT_STRATEGY) != Z_OK) {
            throw std::bad_alloc();
        }
        z.ready = true;
    }
    // Runs deflate until it has taken all input (or, with Z_FINISH, written the end of the stream).
    auto pump = [&](int flush) {
        for (;;) {
            z.stream.next_out = packed.data();
            z.stream.avail_out = static_cast<uInt>(packed.size());
            const int rc = ::deflate(&z.stream, flush);
            if (rc == Z_STREAM_ERROR) {
                return false;
            }
            const size_t produced = packed.size() - z.stream.avail_out;
            if (produced > 0 && !emit(packed.data(), produced)) {
                return false;
            }
            if (rc == Z_STREAM_END || (flush != Z_FINISH && z.stream.avail_out != 0)) {
                return true;
            }
        }
    };
    uint32_t crc = 0;
    uint64_t total = 0;
    for (;;) {
        const int64_t got = file.Read(in.data(), in.size());
        if (got < 0) {
            return readError();
        }
        if (got == 0) {
            break;
        }
        crc = zip::Crc32(crc, in.data(), static_cast<size_t>(got));
        total += static_cast<uint64_t>(got);
        bool ok = true;
        if (blocks) {
            if (!blocks->Add(in.data(), static_cast<size_t>(got), joined)) {
                throw std::bad_alloc();
            }
            ok = joined.empty() || emit(joined.data(), joined.size());
        } else if (deflate) {
            z.stream.next_in = in.data();
            z.stream.avail_in = static_cast<uInt>(got);
            ok = pump(Z_NO_FLUSH);
        } else {
            ok = emit(in.data(), static_cast<size_t>(got));
        }
        if (!ok) {
            return Outcome(EntryResult::Kind::WriteFailed);
        }
        if (!progress.Read(got)) {
            return Outcome(EntryResult::Kind::Stopped);
        }
    }
    if (blocks) {
        if (!blocks->Finish(joined)) {
            throw std::bad_alloc();
        }
        if (!joined.empty() && !emit(joined.data(), joined.size())) {
            return Outcome(EntryResult::Kind::WriteFailed);
        }
    } else if (deflate && !pump(Z_FINISH)) {
        return Outcome(EntryResult::Kind::WriteFailed);
    }
    if (knownCrc && *knownCrc != crc) {
        out_.TruncateTo(localPos);
        client_.ItemEnd(0);
        return Skip("File changed while it was being added, skipped: " + plan.source->windowsPath);
    }
    const uint64_t overhead = plan.password ? zip::kEncryptionHeaderSize : 0;
    if (deflate && dataSize - overhead >= total) {
        // Deflating did not help: store it instead, without reporting its bytes a second time.
        if (!progress.FlushRead()) {
            return Outcome(EntryResult::Kind::Stopped);
        }
        if (!out_.TruncateTo(localPos) || file.Seek(0) < 0) {
            return out_.Failed() ? Outcome(EntryResult::Kind::WriteFailed) : readError();
        }
        header.VersionNeeded = plan.password ? zip::kVersionDeflated : zip::kVersionStored;
        return WriteStreamed(plan, std::move(header), file, false, false, zip64Local);
    }
    place.uncompressedSize = total;
    place.compressedSize = dataSize;
    if (!place.localZip64 && (NeedsZip64(total) || NeedsZip64(dataSize))) {
        // The file grew past 4 GiB while it was read: written again with the ZIP64 block reserved.
        if (!progress.FlushRead()) {
            return Outcome(EntryResult::Kind::Stopped);
        }
        if (!out_.TruncateTo(localPos) || file.Seek(0) < 0) {
            return out_.Failed() ? Outcome(EntryResult::Kind::WriteFailed) : readError();
        }
        return WriteStreamed(plan, std::move(header), file, deflate, false, true);
    }
    header.Crc32 = crc;
    if (!out_.Patch(localPos, LocalHeaderFor(header, place))) {
        return Outcome(EntryResult::Kind::WriteFailed);
    }
    if (!progress.End()) {
        return Outcome(EntryResult::Kind::Stopped);
    }
    return Written(std::move(header), place);
}

}  // namespace ruvu::dizode
