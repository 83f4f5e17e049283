// The main window's progress bar counts blocks of 32768 bytes of the current file: a file start sets
// the range from its size, each processed block steps once up to the maximum, a file end resets.
#pragma once

#include <cstdint>

#include "engine/OptionSets.h"

namespace ruvu {

struct ProgressBlocks {
    static constexpr int32_t kBlockSize = 32768;

    int minimum = 1;
    int maximum = 10;
    int position = 1;
    int steps = 0;  // steps taken since the last reset, also those the maximum stopped

    // Applies one progress report; types other than item start, progress and end change nothing.
    void Apply(ProgressType type, int32_t size);

    // What a bar of 0..Span() shows: the range, and how much of it is done.
    int Span() const { return maximum > minimum ? maximum - minimum : 1; }
    int Done() const;

  private:
    void Reset();
    void Step();
};

}  // namespace ruvu
