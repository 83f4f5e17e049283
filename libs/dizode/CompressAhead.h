// Reads and compresses the files of an add job on worker threads ahead of the calling thread, which
// takes them in the job's order and writes them (with every callback) itself. A file larger than a
// deflate block is split into blocks that the workers compress side by side, so that one large file
// also keeps every worker busy. What is read or compressed and not yet taken stays within a budget.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "libs/dizode/EntryWriter.h"
#include "libs/dizode/SourceCollector.h"

namespace ruvu::dizode {

// The threads a job compresses on: RUVUVADU_THREADS when it is a positive number, else the cores
// this process may run on. 1 compresses every file on the calling thread as it is written.
unsigned CompressionThreads();

class CompressAhead {
  public:
    struct Job {
        const SourceFile* source = nullptr;  // folders and labels are left to the calling thread
        bool store = false;
        int level = 9;
    };

    CompressAhead(std::vector<Job> jobs, unsigned threads);
    // Stops the workers (a job ended early) and waits for them.
    ~CompressAhead();
    CompressAhead(const CompressAhead&) = delete;
    CompressAhead& operator=(const CompressAhead&) = delete;

    // Waits for the next job in order and hands it over.
    PreparedEntry TakeNext();

  private:
    struct Slot {
        Job job;
        PreparedEntry entry;
        uint64_t reserved = 0;  // bytes counted against the budget until taken
        std::vector<std::vector<uint8_t>> blocks;
        size_t blocksLeft = 0;
        bool blockFailed = false;
        bool done = false;
    };

    void Work();
    bool CanStart() const;
    // Reads the job's file and compresses it, or queues its blocks.
    void Prepare(Slot& slot, DeflateEngines& engines);
    void Read(Slot& slot);
    void QueueBlocks(Slot& slot);
    void MarkDone(Slot& slot);
    void CompressBlock(Slot& slot, size_t block, DeflateEngines& engines);
    static void Finish(Slot& slot);

    std::vector<Slot> slots_;
    std::mutex mutex_;
    std::condition_variable work_;   // a block is queued, a job may start, or the workers must stop
    std::condition_variable ready_;  // a job is done
    std::deque<std::pair<size_t, size_t>> blockQueue_;  // (slot, block) in order
    size_t nextStart_ = 0;
    size_t nextTake_ = 0;
    uint64_t ahead_ = 0;
    std::atomic<bool> stop_ = false;
    std::vector<std::jthread> workers_;
};

}  // namespace ruvu::dizode
