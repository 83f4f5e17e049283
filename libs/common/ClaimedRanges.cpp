#include "libs/common/ClaimedRanges.h"

#include <iterator>

namespace ruvu::libcommon {

bool ClaimedRanges::Claim(uint64_t begin, uint64_t end) {
    if (end <= begin) {
        end = begin + 1;  // an empty range still has its first byte
    }
    auto next = taken_.lower_bound(begin);
    if (next != taken_.end() && next->first < end) {
        return false;
    }
    if (next != taken_.begin() && std::prev(next)->second > begin) {
        return false;
    }
    taken_.emplace_hint(next, begin, end);
    return true;
}

}  // namespace ruvu::libcommon
