#include "libs/dizode/CompressAhead.h"

#include <libdeflate.h>
#include <sched.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <string>

#include "libs/dizode/BlockDeflate.h"
#include "platform/File.h"
#include "zipformat/Crc32.h"

namespace ruvu::dizode {

namespace {

// Read or compressed and not yet written: a few large files at most. The file the calling thread
// waits for is always prepared, whatever its size.
constexpr uint64_t kAheadLimit = 2 * kInMemoryLimit;
constexpr unsigned kMaxThreads = 64;

// Folders, labels and files too large to hold are left to the calling thread.
bool Prepared(const CompressAhead::Job& job) {
    const SourceFile* source = job.source;
    return source != nullptr && source->size >= 0 && static_cast<uint64_t>(source->size) <= kInMemoryLimit;
}

// What a job holds while it waits to be taken.
uint64_t Cost(const CompressAhead::Job& job) {
    return Prepared(job) ? static_cast<uint64_t>(job.source->size) : 0;
}

}  // namespace

unsigned CompressionThreads() {
    if (const char* text = std::getenv("RUVUVADU_THREADS"); text != nullptr) {
        char* end = nullptr;
        const long value = std::strtol(text, &end, 10);
        if (end != text && *end == '\0' && value > 0) {
            return static_cast<unsigned>(std::min<long>(value, kMaxThreads));
        }
    }
    cpu_set_t cpus;
    CPU_ZERO(&cpus);
    if (sched_getaffinity(0, sizeof cpus, &cpus) == 0 && CPU_COUNT(&cpus) > 0) {
        return std::min<unsigned>(static_cast<unsigned>(CPU_COUNT(&cpus)), kMaxThreads);
    }
    return std::clamp(std::thread::hardware_concurrency(), 1u, kMaxThreads);
}

CompressAhead::CompressAhead(std::vector<Job> jobs, unsigned threads) : slots_(jobs.size()) {
    for (size_t i = 0; i < jobs.size(); ++i) {
        slots_[i].job = jobs[i];
    }
    workers_.reserve(threads);
    for (unsigned i = 0; i < threads; ++i) {
        workers_.emplace_back([this] { Work(); });
    }
}

CompressAhead::~CompressAhead() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    work_.notify_all();
    workers_.clear();
}

PreparedEntry CompressAhead::TakeNext() {
    std::unique_lock lock(mutex_);
    Slot& slot = slots_.at(nextTake_);
    ready_.wait(lock, [&] { return slot.done; });
    ahead_ -= slot.reserved;
    ++nextTake_;
    lock.unlock();
    work_.notify_all();
    return std::move(slot.entry);
}

bool CompressAhead::CanStart() const {
    if (nextStart_ >= slots_.size()) {
        return false;
    }
    return nextStart_ == nextTake_ || ahead_ + Cost(slots_[nextStart_].job) <= kAheadLimit;
}

void CompressAhead::Work() {
    DeflateEngines engines;
    std::unique_lock lock(mutex_);
    for (;;) {
        work_.wait(lock, [&] { return stop_ || !blockQueue_.empty() || CanStart(); });
        if (stop_) {
            return;
        }
        if (!blockQueue_.empty()) {
            const auto [index, block] = blockQueue_.front();
            blockQueue_.pop_front();
            lock.unlock();
            CompressBlock(slots_[index], block, engines);
            lock.lock();
            continue;
        }
        Slot& slot = slots_[nextStart_++];
        slot.reserved = Cost(slot.job);
        ahead_ += slot.reserved;
        lock.unlock();
        Prepare(slot, engines);
        lock.lock();
    }
}

void CompressAhead::Prepare(Slot& slot, DeflateEngines& engines) {
    PreparedEntry& entry = slot.entry;
    try {
        if (Prepared(slot.job)) {
            Read(slot);
        }
        if (entry.state == PreparedEntry::State::Ready && !slot.job.store && !entry.data.empty()) {
            if (entry.data.size() > kDeflateBlockSize) {
                QueueBlocks(slot);
                return;
            }
            libdeflate_compressor* engine = engines.For(slot.job.level);
            if (engine == nullptr) {
                throw std::bad_alloc();
            }
            entry.packed = DeflateBlock(engine, entry.data.data(), entry.data.size(), true);
            Finish(slot);
        }
    } catch (const std::bad_alloc&) {
        entry = PreparedEntry{};  // the calling thread tries it again the ordinary way
    }
    MarkDone(slot);
}

void CompressAhead::Read(Slot& slot) {
    PreparedEntry& entry = slot.entry;
    platform::File file = platform::File::OpenHost(slot.job.source->hostPath, platform::Access::Read,
                                                   platform::Share::DenyNone);
    if (!file.IsOpen()) {
        entry.state = PreparedEntry::State::OpenFailed;
        entry.error = file.Error();
        return;
    }
    entry.size = file.Size();
    if (entry.size < 0 || static_cast<uint64_t>(entry.size) > kInMemoryLimit) {
        entry = PreparedEntry{};
        return;
    }
    std::vector<uint8_t>& data = entry.data;
    data.reserve(static_cast<size_t>(entry.size));
    for (;;) {
        const size_t old = data.size();
        if (stop_) {
            entry = PreparedEntry{};
            return;
        }
        const int64_t got = ReadMore(file, data, entry.size);
        if (got < 0) {
            entry.state = PreparedEntry::State::ReadFailed;
            entry.error = file.Error();
            data = {};
            return;
        }
        if (got == 0) {
            break;
        }
        entry.crc = zip::Crc32(entry.crc, data.data() + old, static_cast<size_t>(got));
        entry.readBytes += got;
        if (data.size() > kInMemoryLimit) {
            entry = PreparedEntry{};  // it grew while it was read: the calling thread streams it
            return;
        }
    }
    entry.state = PreparedEntry::State::Ready;
}

void CompressAhead::QueueBlocks(Slot& slot) {
    const size_t blocks = (slot.entry.data.size() + kDeflateBlockSize - 1) / kDeflateBlockSize;
    slot.blocks.resize(blocks);
    {
        std::lock_guard lock(mutex_);
        slot.blocksLeft = blocks;
        for (size_t b = 0; b < blocks; ++b) {
            blockQueue_.emplace_back(static_cast<size_t>(&slot - slots_.data()), b);
        }
    }
    work_.notify_all();
}

void CompressAhead::MarkDone(Slot& slot) {
    {
        std::lock_guard lock(mutex_);
        slot.done = true;
    }
    ready_.notify_all();
}

void CompressAhead::CompressBlock(Slot& slot, size_t block, DeflateEngines& engines) {
    const std::vector<uint8_t>& data = slot.entry.data;
    const size_t start = block * kDeflateBlockSize;
    const size_t size = std::min(kDeflateBlockSize, data.size() - start);
    std::vector<uint8_t> packed;
    try {
        libdeflate_compressor* engine = engines.For(slot.job.level);
        if (engine != nullptr) {
            packed = DeflateBlock(engine, data.data() + start, size, block + 1 == slot.blocks.size());
        }
    } catch (const std::bad_alloc&) {
        packed.clear();
    }
    {
        std::lock_guard lock(mutex_);
        slot.blockFailed = slot.blockFailed || packed.empty();
        slot.blocks[block] = std::move(packed);
        if (--slot.blocksLeft > 0) {
            return;
        }
    }
    // The last block done: this thread joins them.
    try {
        size_t total = 0;
        for (const auto& part : slot.blocks) {
            total += part.size();
        }
        slot.entry.packed.reserve(total);
        for (const auto& part : slot.blocks) {
            slot.entry.packed.insert(slot.entry.packed.end(), part.begin(), part.end());
        }
        Finish(slot);
    } catch (const std::bad_alloc&) {
        slot.blockFailed = true;
    }
    if (slot.blockFailed) {
        slot.entry = PreparedEntry{};  // the calling thread tries it again the ordinary way
    }
    slot.blocks = {};
    MarkDone(slot);
}

// Keeps the deflate stream when it is smaller than the data and drops what is not written.
void CompressAhead::Finish(Slot& slot) {
    PreparedEntry& entry = slot.entry;
    if (!entry.packed.empty() && entry.packed.size() < entry.data.size()) {
        entry.data = {};
    } else {
        entry.packed = {};
    }
}

}  // namespace ruvu::dizode
