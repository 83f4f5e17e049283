#include "zipformat/ExtraField.h"

#include "zipformat/ZipConstants.h"

namespace ruvu::zip {

std::optional<std::string_view> FindExtraBlock(std::string_view extra, uint16_t id) {
    std::optional<std::string_view> found;
    ForEachExtraBlock(extra, [&](uint16_t blockId, std::string_view data) {
        if (blockId == id) {
            found = data;
        }
        return !found;
    });
    return found;
}

std::optional<UnicodeExtra> FindUnicodeExtra(std::string_view extra, uint16_t id) {
    const auto block = FindExtraBlock(extra, id);
    if (!block || block->size() < 5) {
        return std::nullopt;
    }
    const auto* p = reinterpret_cast<const uint8_t*>(block->data());
    return UnicodeExtra{p[0], GetU32(p + 1), block->substr(5)};
}

std::optional<std::string_view> UnicodeTextFor(std::string_view extra, uint16_t id, uint32_t storedCrc32) {
    const auto block = FindUnicodeExtra(extra, id);
    if (!block || block->Version != 1 || block->Text.empty() || block->StoredTextCrc32 != storedCrc32) {
        return std::nullopt;
    }
    return block->Text;
}

std::optional<AesExtra> FindAesExtra(std::string_view extra) {
    const auto block = FindExtraBlock(extra, kExtraAes);
    return block ? ReadRecord<AesExtra>(AsBytes(*block)) : std::nullopt;
}

Zip64Extra ReadZip64Extra(std::string_view extra, const Zip64Wanted& wanted) {
    Zip64Extra values;
    size_t blockAt = 0;
    ForEachExtraBlock(extra, [&](uint16_t id, std::string_view data) {
        if (id != kExtraZip64) {
            blockAt += kExtraBlockHeaderSize + data.size();
            return true;
        }
        values.Found = true;
        const auto* p = reinterpret_cast<const uint8_t*>(data.data());
        size_t at = 0;
        bool cut = false;
        // The position in the block of the next value when the block still holds it; once a value
        // is cut short, no later one is read.
        auto take = [&](bool want, size_t width) -> std::optional<size_t> {
            if (!want || cut) {
                return std::nullopt;
            }
            if (data.size() - at < width) {
                cut = true;
                return std::nullopt;
            }
            at += width;
            return at - width;
        };
        if (const auto pos = take(wanted.UncompressedSize, 8)) {
            values.UncompressedSize = GetU64(p + *pos);
        }
        if (const auto pos = take(wanted.CompressedSize, 8)) {
            values.CompressedSize = GetU64(p + *pos);
        }
        if (const auto pos = take(wanted.LocalHeaderOffset, 8)) {
            values.LocalHeaderOffset = GetU64(p + *pos);
            values.LocalHeaderOffsetAt = blockAt + kExtraBlockHeaderSize + *pos;
        }
        if (const auto pos = take(wanted.DiskStart, 4)) {
            values.DiskStart = GetU32(p + *pos);
            values.DiskStartAt = blockAt + kExtraBlockHeaderSize + *pos;
        }
        return false;
    });
    return values;
}

std::string Zip64ExtraBlock(std::optional<uint64_t> uncompressedSize, std::optional<uint64_t> compressedSize,
                            std::optional<uint64_t> localHeaderOffset) {
    std::string values;
    ByteWriter writer(values);
    for (const auto& value : {uncompressedSize, compressedSize, localHeaderOffset}) {
        if (value) {
            writer.U64(*value);
        }
    }
    if (values.empty()) {
        return {};
    }
    std::string block;
    ByteWriter(block).U16(kExtraZip64).U16(static_cast<uint16_t>(values.size())).Bytes(values);
    return block;
}

std::string WithoutExtraBlocks(std::string_view extra, uint16_t id) {
    std::string kept;
    size_t at = 0;
    ForEachExtraBlock(extra, [&](uint16_t blockId, std::string_view data) {
        const size_t length = kExtraBlockHeaderSize + data.size();
        if (blockId != id) {
            kept.append(extra.substr(at, length));
        }
        at += length;
        return true;
    });
    return kept.append(extra.substr(at));
}

std::optional<std::time_t> ExtendedModTime(std::string_view extra) {
    const auto block = FindExtraBlock(extra, kExtraExtendedTimestamp);
    if (!block || block->size() < 5 || (static_cast<uint8_t>((*block)[0]) & kExtendedTimeHasModTime) == 0) {
        return std::nullopt;
    }
    const auto* p = reinterpret_cast<const uint8_t*>(block->data());
    return static_cast<std::time_t>(static_cast<int32_t>(GetU32(p + 1)));
}

bool AppendExtendedModTime(std::string& extra, std::time_t mtime) {
    const int64_t seconds = mtime;
    if (seconds < INT32_MIN || seconds > INT32_MAX) {
        return false;
    }
    ByteWriter(extra)
        .U16(kExtraExtendedTimestamp)
        .U16(kExtendedModTimeBlockSize - kExtraBlockHeaderSize)
        .U8(kExtendedTimeHasModTime)
        .U32(static_cast<uint32_t>(static_cast<int32_t>(seconds)));
    return true;
}

}  // namespace ruvu::zip
