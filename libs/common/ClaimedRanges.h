// The byte ranges of an archive that its entries have taken so far. Each entry's bytes, from its local
// header to the end of its data, belong to it alone: an entry whose range overlaps one taken before
// shares another entry's data (many central headers pointing at one local entry, or one entry's data
// holding the next local header), which is how archives are made to expand far beyond their size.
// Such an entry is damaged; the first of the overlapping entries stays whole.
#pragma once

#include <cstdint>
#include <map>

namespace ruvu::libcommon {

class ClaimedRanges {
  public:
    // Takes [begin, end) for an entry. False, taking nothing, when any of it is taken already.
    bool Claim(uint64_t begin, uint64_t end);

  private:
    std::map<uint64_t, uint64_t> taken_;  // begin -> end
};

}  // namespace ruvu::libcommon
