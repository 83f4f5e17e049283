#include "stub/EntryData.h"

#include <zlib.h>

#include <algorithm>
#include <vector>

#include "zipformat/Crc32.h"
#include "zipformat/LocalFileHeader.h"
#include "zipformat/ZipConstants.h"

namespace ruvu::stub {

namespace {

constexpr size_t kChunk = 256 * 1024;

// Reads the entry's stored bytes in chunks, decrypted when keys are given.
class DataReader {
  public:
    DataReader(zip::ByteSource& source, uint64_t pos, uint64_t size, zip::ZipCryptoKeys* keys)
        : source_(source), pos_(pos), left_(size), keys_(keys), buffer_(kChunk) {}

    // The next chunk (empty at the end); nullopt when the source ends early.
    std::optional<std::pair<uint8_t*, size_t>> Next() {
        const size_t take = static_cast<size_t>(std::min<uint64_t>(left_, buffer_.size()));
        if (take == 0) {
            return std::make_pair(buffer_.data(), size_t{0});
        }
        if (!source_.ReadExactAt(pos_, buffer_.data(), take)) {
            return std::nullopt;
        }
        if (keys_ != nullptr) {
            keys_->Decrypt(buffer_.data(), take);
        }
        pos_ += take;
        left_ -= take;
        return std::make_pair(buffer_.data(), take);
    }

  private:
    zip::ByteSource& source_;
    uint64_t pos_;
    uint64_t left_;
    zip::ZipCryptoKeys* keys_;
    std::vector<uint8_t> buffer_;
};

class Inflater {
  public:
    Inflater() { ok_ = inflateInit2(&stream_, -MAX_WBITS) == Z_OK; }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;
    ~Inflater() {
        if (ok_) {
            inflateEnd(&stream_);
        }
    }
    bool Ok() const { return ok_; }
    z_stream& Stream() { return stream_; }

  private:
    z_stream stream_{};
    bool ok_ = false;
};

}  // namespace

std::optional<LocalData> FindData(zip::ByteSource& source, uint64_t localHeaderPos) {
    uint8_t bytes[zip::LocalFileHeader::kSize];
    if (!source.ReadExactAt(localHeaderPos, bytes, sizeof bytes)) {
        return std::nullopt;
    }
    const zip::LocalFileHeader local = *zip::LocalFileHeader::Read(bytes);
    if (local.Signature != zip::LocalFileHeader::kSignature) {
        return std::nullopt;
    }
    return LocalData{localHeaderPos + zip::LocalFileHeader::kSize + local.FileNameLength + local.ExtraLength,
                     local.Flags};
}

std::string UnsupportedReason(const zip::CentralDirEntry& entry) {
    if (entry.UsesZip64()) {
        return "it is larger than 4 GB";
    }
    if ((entry.Flags & zip::kFlagStrongEncryption) != 0 || entry.Method == zip::kMethodAes) {
        return "its encryption is not supported";
    }
    if (entry.Method != zip::kMethodStored && entry.Method != zip::kMethodDeflated) {
        return "its compression method " + std::to_string(entry.Method) + " is not supported";
    }
    return {};
}

bool OpensEntry(zip::ByteSource& source, const LocalData& data, const zip::CentralDirEntry& entry,
                const std::string& password, zip::ZipCryptoKeys& keys) {
    zip::EncryptionHeader header{};
    if (!source.ReadExactAt(data.Start, header.data(), header.size())) {
        return false;
    }
    keys = zip::ZipCryptoKeys(password);
    return zip::CheckEncryptionHeader(keys, header,
                                      zip::EncryptionCheckByte(data.Flags, entry.Crc32, entry.DosDateTime));
}

DataResult CopyEntryData(zip::ByteSource& source, const LocalData& data, const zip::CentralDirEntry& entry,
                         zip::ZipCryptoKeys* keys, OutputFile& out) {
    uint64_t stored = entry.CompressedSize;
    uint64_t pos = data.Start;
    if (keys != nullptr) {
        if (stored < zip::kEncryptionHeaderSize) {
            return DataResult::Damaged;
        }
        stored -= zip::kEncryptionHeaderSize;
        pos += zip::kEncryptionHeaderSize;
    }
    DataReader reader(source, pos, stored, keys);
    const uint64_t expected = entry.UncompressedSize;
    uint64_t written = 0;
    uint32_t crc = 0;
    auto emit = [&](const uint8_t* data, size_t size) {
        written += size;
        crc = zip::Crc32(crc, data, size);
        return written <= expected && out.Write(data, size);
    };
    if (entry.Method == zip::kMethodStored) {
        for (;;) {
            const auto chunk = reader.Next();
            if (!chunk) {
                return DataResult::Damaged;
            }
            if (chunk->second == 0) {
                break;
            }
            if (!emit(chunk->first, chunk->second)) {
                return written > expected ? DataResult::Damaged : DataResult::WriteFailed;
            }
        }
    } else {
        Inflater inflater;
        if (!inflater.Ok()) {
            return DataResult::Damaged;
        }
        std::vector<uint8_t> output(kChunk);
        z_stream& z = inflater.Stream();
        int status = Z_OK;
        while (status != Z_STREAM_END) {
            if (z.avail_in == 0) {
                const auto chunk = reader.Next();
                if (!chunk || chunk->second == 0) {
                    return DataResult::Damaged;
                }
                z.next_in = chunk->first;
                z.avail_in = static_cast<uInt>(chunk->second);
            }
            z.next_out = output.data();
            z.avail_out = static_cast<uInt>(output.size());
            status = inflate(&z, Z_NO_FLUSH);
            if (status != Z_OK && status != Z_STREAM_END) {
                return DataResult::Damaged;
            }
            const size_t produced = output.size() - z.avail_out;
            if (produced > 0 && !emit(output.data(), produced)) {
                return written > expected ? DataResult::Damaged : DataResult::WriteFailed;
            }
        }
    }
    return written == expected && crc == entry.Crc32 ? DataResult::Ok : DataResult::Damaged;
}

}  // namespace ruvu::stub
