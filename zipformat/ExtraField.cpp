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
    // A flags byte, then the modification time (signed seconds) when bit 0 is set.
    const auto block = FindExtraBlock(extra, kExtraExtendedTimestamp);
    if (!block || block->size() < 5 || (static_cast<uint8_t>((*block)[0]) & 1) == 0) {
        return std::nullopt;
    }
    const auto* p = reinterpret_cast<const uint8_t*>(block->data());
    return static_cast<std::time_t>(static_cast<int32_t>(GetU32(p + 1)));
}

}  // namespace ruvu::zip
