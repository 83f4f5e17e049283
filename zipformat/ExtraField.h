// The extra field of a local or central header: a run of blocks, each a 16-bit id and a 16-bit length
// followed by that many bytes. A block whose length runs past the field is not a block: the walk ends
// there.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <string_view>

#include "zipformat/ByteOrder.h"

namespace ruvu::zip {

inline constexpr size_t kExtraBlockHeaderSize = 4;

// Calls visit(id, data) for every whole block in order until visit returns false. Returns false
// when the field ends in a cut block (the blocks before it were visited).
template <class Visit>
bool ForEachExtraBlock(std::string_view extra, Visit&& visit) {
    const auto* p = reinterpret_cast<const uint8_t*>(extra.data());
    size_t at = 0;
    while (extra.size() - at >= kExtraBlockHeaderSize) {
        const uint16_t id = GetU16(p + at);
        const size_t length = GetU16(p + at + 2);
        if (extra.size() - at - kExtraBlockHeaderSize < length) {
            return false;
        }
        if (!visit(id, extra.substr(at + kExtraBlockHeaderSize, length))) {
            return true;
        }
        at += kExtraBlockHeaderSize + length;
    }
    return at == extra.size();
}

// The data of the first block with the id; nullopt when there is none.
std::optional<std::string_view> FindExtraBlock(std::string_view extra, uint16_t id);

// The Info-ZIP Unicode Path (0x7075) and Unicode Comment (0x6375) blocks: a version byte, the CRC-32
// of the stored text they stand for, then that text in UTF-8.
struct UnicodeExtra {
    uint8_t Version = 0;
    uint32_t StoredTextCrc32 = 0;
    std::string_view Text;
};
// The block of that id; nullopt when there is none or it is shorter than its fixed part.
std::optional<UnicodeExtra> FindUnicodeExtra(std::string_view extra, uint16_t id);
// The text of the block of that id when it stands for exactly the stored text whose CRC-32 is given
// (version 1, the CRCs match); nullopt otherwise. The text is as stored: not checked to be UTF-8.
std::optional<std::string_view> UnicodeTextFor(std::string_view extra, uint16_t id, uint32_t storedCrc32);

// The modification time of an extended timestamp block (0x5455) when it carries one.
std::optional<std::time_t> ExtendedModTime(std::string_view extra);

}  // namespace ruvu::zip
