// The progress snapshot passed to OnProgressDetails; one per engine, updated by ReportProgress.
#pragma once

#include <cstdint>
#include <string>

namespace ruvu {

struct TProgressDetails {
    uint8_t LastKind = 2;      // ProgressType of the last update
    int32_t TotalCount = 0;    // items announced
    int64_t BytesWritten = 0;  // bytes the library reported written
    int64_t TotalSize = 0;     // bytes announced
    int64_t TotalDone = 0;     // bytes of all items done
    uint32_t ItemSize = 0;
    uint32_t ItemDone = 0;
    std::string ItemName;
    int32_t ItemNumber = 0;  // 1-based

    // Percentage of the current item, in 32-bit unsigned arithmetic; above 214747 bytes it divides
    // first so the product cannot overflow.
    uint32_t ItemPerCent() const {
        if (ItemSize == 0 || ItemDone == 0) {
            return 0;
        }
        return ItemSize < 214748 ? ItemDone * 100u / ItemSize : ItemDone / (ItemSize / 100u);
    }
    int32_t TotalPerCent() const {
        if (TotalSize <= 0 || TotalDone <= 0) {
            return 0;
        }
        // Unsigned, so a done count beyond the total cannot overflow.
        return static_cast<int32_t>(100u * static_cast<uint64_t>(TotalDone) /
                                    static_cast<uint64_t>(TotalSize));
    }
    void Reset() { *this = TProgressDetails{}; }
};

}  // namespace ruvu
