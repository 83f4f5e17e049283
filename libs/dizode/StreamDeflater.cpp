#include "libs/dizode/StreamDeflater.h"

#include <zlib.h>

#include <algorithm>
#include <thread>

#include "libs/dizode/BlockDeflate.h"

namespace ruvu::dizode {

namespace {

constexpr size_t kDictionarySize = 32 * 1024;

// One block as a part of a longer raw deflate stream.
bool DeflatePrimed(int level, const uint8_t* dictionary, size_t dictionarySize, const uint8_t* data,
                   size_t size, bool final, std::vector<uint8_t>& out) {
    z_stream z{};
    if (deflateInit2(&z, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        return false;
    }
    bool ok = dictionarySize == 0 ||
              deflateSetDictionary(&z, dictionary, static_cast<uInt>(dictionarySize)) == Z_OK;
    // deflateBound covers a finished stream; a sync flush adds at most its empty stored block.
    out.resize(deflateBound(&z, static_cast<uLong>(size)) + 16);
    z.next_in = const_cast<uint8_t*>(data);
    z.avail_in = static_cast<uInt>(size);
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    if (ok) {
        const int rc = deflate(&z, final ? Z_FINISH : Z_SYNC_FLUSH);
        ok = final ? rc == Z_STREAM_END : rc == Z_OK && z.avail_in == 0 && z.avail_out > 0;
    }
    out.resize(out.size() - z.avail_out);
    deflateEnd(&z);
    return ok;
}

}  // namespace

StreamDeflater::StreamDeflater(int level, unsigned threads)
    : level_(std::clamp(level, 1, 9)), threads_(std::max(threads, 1u)) {
    window_.reserve(kDictionarySize + threads_ * kDeflateBlockSize);
}

bool StreamDeflater::Add(const uint8_t* data, size_t size, std::vector<uint8_t>& out) {
    out.clear();
    const size_t full = threads_ * kDeflateBlockSize;
    while (size > 0) {
        const size_t take = std::min(size, dictionarySize_ + full - window_.size());
        window_.insert(window_.end(), data, data + take);
        data += take;
        size -= take;
        if (window_.size() == dictionarySize_ + full && !Deflate(full, false, out)) {
            return false;
        }
    }
    return true;
}

bool StreamDeflater::Finish(std::vector<uint8_t>& out) {
    out.clear();
    return Deflate(window_.size() - dictionarySize_, true, out);
}

bool StreamDeflater::Deflate(size_t size, bool final, std::vector<uint8_t>& out) {
    const size_t blocks = std::max<size_t>((size + kDeflateBlockSize - 1) / kDeflateBlockSize, 1);
    std::vector<std::vector<uint8_t>> parts(blocks);
    std::vector<char> ok(blocks, 0);
    {
        std::vector<std::jthread> workers;
        for (size_t b = 0; b < blocks; ++b) {
            const size_t start = dictionarySize_ + b * kDeflateBlockSize;
            const size_t length = std::min(kDeflateBlockSize, size - (start - dictionarySize_));
            const size_t primed = std::min(start, kDictionarySize);
            auto run = [&, b, start, length, primed] {
                ok[b] = DeflatePrimed(level_, window_.data() + start - primed, primed, window_.data() + start,
                                      length, final && b + 1 == blocks, parts[b])
                            ? 1
                            : 0;
            };
            if (b + 1 == blocks) {
                run();  // the last block on this thread
            } else {
                workers.emplace_back(run);
            }
        }
    }
    if (std::find(ok.begin(), ok.end(), 0) != ok.end()) {
        return false;
    }
    for (const auto& part : parts) {
        out.insert(out.end(), part.begin(), part.end());
    }
    // The last 32 KiB primes the next window's first block.
    const size_t end = dictionarySize_ + size;
    dictionarySize_ = std::min(end, kDictionarySize);
    window_.erase(window_.begin(), window_.begin() + static_cast<std::ptrdiff_t>(end - dictionarySize_));
    return true;
}

}  // namespace ruvu::dizode
