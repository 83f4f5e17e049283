// A working buffer that is reused from entry to entry. Unlike a vector it does not zero the bytes it
// gains: those are written before they are read. Large buffers are aligned to and backed by huge
// pages where the system offers them, so a 40 MB entry costs a few dozen page faults instead of ten
// thousand.
#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>

namespace ruvu::libcommon {

class ScratchBuffer {
  public:
    // At least size bytes; their contents are undefined. The pointer stays valid until a larger Get.
    uint8_t* Get(size_t size) {
        if (size > capacity_) {
            data_.reset();
            capacity_ = 0;
            const bool huge = size >= kHugePage;
            const size_t bytes = huge ? (size + kHugePage - 1) / kHugePage * kHugePage : size;
            void* memory = huge ? std::aligned_alloc(kHugePage, bytes) : std::malloc(bytes);
            if (memory == nullptr) {
                throw std::bad_alloc();
            }
            if (huge) {
                madvise(memory, bytes, MADV_HUGEPAGE);
            }
            data_.reset(static_cast<uint8_t*>(memory));
            capacity_ = bytes;
        }
        return data_.get();
    }

  private:
    static constexpr size_t kHugePage = size_t{2} << 20;
    struct Free {
        void operator()(uint8_t* memory) const { std::free(memory); }
    };

    std::unique_ptr<uint8_t, Free> data_;
    size_t capacity_ = 0;
};

}  // namespace ruvu::libcommon
