#include "engine/LocalHeaderList.h"

#include <algorithm>
#include <numeric>

#include "engine/EDozErozev.h"
#include "engine/Messages.h"

namespace ruvu {

TLocalHeaderItem& TLocalHeaderList::Item(size_t index) {
    if (index >= items_.size()) {
        throw EDozErozev(msg::IndexOutOfRange,
                         {static_cast<int64_t>(index), static_cast<int64_t>(items_.size()) - 1});
    }
    return items_[index];
}

std::vector<size_t> TLocalHeaderList::InputOrder() const {
    std::vector<size_t> order(items_.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::stable_sort(order.begin(), order.end(), [this](size_t a, size_t b) {
        const TLocalHeaderItem& x = items_[a];
        const TLocalHeaderItem& y = items_[b];
        return x.InputDisk != y.InputDisk ? x.InputDisk < y.InputDisk : x.InputOffset < y.InputOffset;
    });
    return order;
}

}  // namespace ruvu
