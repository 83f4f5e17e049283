#include "app/ProgressBlocks.h"

namespace ruvu {

void ProgressBlocks::Reset() {
    minimum = 1;
    maximum = 10;
    position = minimum;
    steps = 0;
}

void ProgressBlocks::Step() {
    ++steps;
    if (position < maximum) {
        ++position;
    }
}

void ProgressBlocks::Apply(ProgressType type, int32_t size) {
    switch (type) {
        case ptItemStart: {
            Reset();
            // The size is unsigned: files of 2 GiB to 4 GiB arrive with the sign bit set.
            const uint32_t bytes = static_cast<uint32_t>(size);
            const int32_t blocks = static_cast<int32_t>(bytes / kBlockSize);
            maximum = blocks >= 2 ? blocks : 1;
            if (bytes < kBlockSize) {
                Step();
            }
            break;
        }
        case ptItemProgress:
            if (position < maximum) {
                Step();
            }
            break;
        case ptItemEnd:
            Reset();
            break;
        default:
            break;
    }
}

int ProgressBlocks::Done() const {
    if (maximum > minimum) {
        return position - minimum;
    }
    // A range of one block shows full once it was stepped.
    return steps > 0 ? 1 : 0;
}

}  // namespace ruvu
