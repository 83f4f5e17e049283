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
            const int32_t blocks = size / kBlockSize;
            maximum = blocks >= 2 ? blocks : 1;
            if (size < kBlockSize) {
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
