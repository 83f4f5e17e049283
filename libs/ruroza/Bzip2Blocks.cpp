#include "libs/ruroza/Bzip2Blocks.h"

#include <bzlib.h>

#include <algorithm>
#include <array>
#include <new>

namespace ruvu::ruroza::bzip2 {

namespace {

constexpr uint64_t kBlockMagic = 0x314159265359;
constexpr uint64_t kEndMagic = 0x177245385090;
constexpr unsigned kMagicBits = 48;
constexpr unsigned kCrcBits = 32;
constexpr unsigned kHeaderBits = 32;  // "BZh" and the level digit

// Up to 57 bits starting at a bit position, most significant bit first, as the top of the result.
uint64_t BitsAt(std::span<const uint8_t> data, uint64_t position) {
    uint64_t value = 0;
    const size_t first = static_cast<size_t>(position / 8);
    for (size_t i = 0; i < 8; ++i) {
        value = value << 8 | (first + i < data.size() ? data[first + i] : 0);
    }
    return value << (position % 8);
}

uint64_t MagicAt(std::span<const uint8_t> data, uint64_t position) {
    return BitsAt(data, position) >> (64 - kMagicBits);
}

// For each value of a byte, the bit offsets (0-7) at which a block magic starting in the byte before
// would put that value in this byte: a magic at bit 8i+s always covers byte i+1 whole.
std::array<uint8_t, 256> SecondByteTable() {
    std::array<uint8_t, 256> table{};
    for (unsigned shift = 0; shift < 8; ++shift) {
        table[(kBlockMagic >> (kMagicBits - 16 + shift)) & 0xFF] |= static_cast<uint8_t>(1u << shift);
    }
    return table;
}

// Appends bits, most significant first.
class BitWriter {
  public:
    explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}
    void Put(uint64_t value, unsigned count) {
        for (unsigned left = count; left > 0;) {
            const unsigned take = std::min(left, 32u);
            left -= take;
            pending_ = pending_ << take | ((value >> left) & ((uint64_t{1} << take) - 1));
            pendingBits_ += take;
            while (pendingBits_ >= 8) {
                pendingBits_ -= 8;
                out_.push_back(static_cast<uint8_t>(pending_ >> pendingBits_));
            }
        }
    }
    void Flush() {
        if (pendingBits_ > 0) {
            Put(0, 8 - pendingBits_);
        }
    }

  private:
    std::vector<uint8_t>& out_;
    uint64_t pending_ = 0;
    unsigned pendingBits_ = 0;
};

}  // namespace

std::optional<StreamLayout> FindBlocks(std::span<const uint8_t> data) {
    const uint64_t bits = uint64_t{data.size()} * 8;
    if (data.size() < 4 || data[0] != 'B' || data[1] != 'Z' || data[2] != 'h' || data[3] < '1' ||
        data[3] > '9') {
        return std::nullopt;
    }
    // The end magic, its CRC and under a byte of padding close the data.
    const uint64_t trailer = kMagicBits + kCrcBits;
    std::optional<uint64_t> end;
    for (uint64_t padding = 0; padding < 8 && bits >= kHeaderBits + trailer + padding; ++padding) {
        if (MagicAt(data, bits - trailer - padding) == kEndMagic) {
            end = bits - trailer - padding;
            break;
        }
    }
    if (!end || MagicAt(data, kHeaderBits) != kBlockMagic) {
        return std::nullopt;
    }
    StreamLayout layout;
    layout.level = static_cast<char>(data[3]);
    layout.combinedCrc = static_cast<uint32_t>(BitsAt(data, *end + kMagicBits) >> (64 - kCrcBits));
    static const std::array<uint8_t, 256> kSecondByte = SecondByteTable();
    std::vector<uint64_t> starts{kHeaderBits};
    for (size_t i = kHeaderBits / 8; i + 1 < data.size() && uint64_t{i} * 8 < *end; ++i) {
        for (uint8_t shifts = kSecondByte[data[i + 1]]; shifts != 0; shifts &= shifts - 1) {
            const uint64_t position = uint64_t{i} * 8 + static_cast<unsigned>(__builtin_ctz(shifts));
            if (position > starts.back() && position + kMagicBits <= *end &&
                MagicAt(data, position) == kBlockMagic) {
                starts.push_back(position);
            }
        }
    }
    for (size_t k = 0; k < starts.size(); ++k) {
        layout.blocks.push_back({starts[k], k + 1 < starts.size() ? starts[k + 1] : *end});
    }
    return layout;
}

uint32_t BlockCrc(std::span<const uint8_t> data, uint64_t begin) {
    return static_cast<uint32_t>(BitsAt(data, begin + kMagicBits) >> (64 - kCrcBits));
}

std::vector<uint8_t> BlockStream(std::span<const uint8_t> data, char level, BlockSpan span) {
    std::vector<uint8_t> stream{'B', 'Z', 'h', static_cast<uint8_t>(level)};
    const uint64_t bits = span.end - span.begin;
    stream.reserve(stream.size() + bits / 8 + 16);
    // Whole bytes of the span, shifted into place; the writer takes the rest.
    const size_t first = static_cast<size_t>(span.begin / 8);
    const unsigned shift = span.begin % 8;
    const size_t wholeBytes = static_cast<size_t>(bits / 8);
    for (size_t i = 0; i < wholeBytes; ++i) {
        const unsigned high = data[first + i];
        const unsigned low = first + i + 1 < data.size() ? data[first + i + 1] : 0;
        stream.push_back(static_cast<uint8_t>(high << shift | low >> (8 - shift)));
    }
    BitWriter writer(stream);
    if (const unsigned restBits = bits % 8; restBits > 0) {
        writer.Put(BitsAt(data, span.begin + uint64_t{wholeBytes} * 8) >> (64 - restBits), restBits);
    }
    writer.Put(kEndMagic, kMagicBits);
    writer.Put(BlockCrc(data, span.begin), kCrcBits);
    writer.Flush();
    return stream;
}

std::optional<std::vector<uint8_t>> DecodeStream(const std::vector<uint8_t>& stream, uint64_t limit) {
    bz_stream bz{};
    if (BZ2_bzDecompressInit(&bz, 0, 0) != BZ_OK) {
        throw std::bad_alloc();
    }
    struct End {
        bz_stream& s;
        ~End() { BZ2_bzDecompressEnd(&s); }
    } end{bz};
    bz.next_in = const_cast<char*>(reinterpret_cast<const char*>(stream.data()));
    bz.avail_in = static_cast<unsigned>(stream.size());
    std::vector<uint8_t> out;
    size_t made = 0;
    for (;;) {
        if (made == out.size()) {
            // One byte beyond the limit tells a longer output from an exact one.
            out.resize(static_cast<size_t>(
                std::min<uint64_t>(std::max<size_t>(out.size() * 2, 1 << 20), limit + 1)));
            if (made == out.size()) {
                return std::nullopt;
            }
        }
        bz.next_out = reinterpret_cast<char*>(out.data() + made);
        bz.avail_out = static_cast<unsigned>(out.size() - made);
        const int status = BZ2_bzDecompress(&bz);
        made = out.size() - bz.avail_out;
        if (status == BZ_STREAM_END) {
            out.resize(made);
            return made <= limit ? std::optional(std::move(out)) : std::nullopt;
        }
        if (status == BZ_MEM_ERROR) {
            throw std::bad_alloc();
        }
        if (status != BZ_OK || (bz.avail_in == 0 && made < out.size())) {
            return std::nullopt;
        }
    }
}

}  // namespace ruvu::ruroza::bzip2
